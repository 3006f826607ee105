// What the last run made of each file row, drawn beside its path.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quorvel::files {

enum class RowMark { kNone, kAttached, kFailed };

// The marks of the file rows (from 1), kept beside their cells so that they
// move with them: a removed row takes its mark along, and a row the grid has
// not been told about, such as one added after the run, has none.
class RowMarks {
 public:
  RowMark Of(int32_t row) const {
    if (row < 1 || static_cast<std::size_t>(row) > marks_.size()) {
      return RowMark::kNone;
    }
    return marks_[static_cast<std::size_t>(row - 1)];
  }
  void Set(int32_t row, RowMark mark) {
    if (row < 1) return;
    if (static_cast<std::size_t>(row) > marks_.size()) {
      marks_.resize(static_cast<std::size_t>(row), RowMark::kNone);
    }
    marks_[static_cast<std::size_t>(row - 1)] = mark;
  }
  void Clear() { marks_.clear(); }
  // The row went; the ones after it move up.
  void Removed(int32_t row) {
    if (row >= 1 && static_cast<std::size_t>(row) <= marks_.size()) {
      marks_.erase(marks_.begin() + (row - 1));
    }
  }
  // Only the first file_rows rows are left.
  void KeepFirst(int32_t file_rows) {
    if (file_rows >= 0 && static_cast<std::size_t>(file_rows) < marks_.size()) {
      marks_.resize(static_cast<std::size_t>(file_rows));
    }
  }

 private:
  std::vector<RowMark> marks_;
};

}  // namespace quorvel::files
