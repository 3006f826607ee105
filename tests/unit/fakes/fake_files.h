// The file grid and the open-file dialog in memory.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "fakes/event_log.h"
#include "files/file_dialog.h"
#include "files/grid.h"

namespace quorvel::testing {

// The fakes stand in for these interfaces, under their own names.
using namespace ::quorvel::files;

// The dialog's multi-select result: the pieces joined by single NULs (an
// empty first piece still gets its separator).
inline Text NulJoined(std::initializer_list<Text> pieces) {
  Text joined;
  for (const Text& piece : pieces) {
    if (&piece != pieces.begin()) joined += u'\0';
    joined += piece;
  }
  return joined;
}

class FakeGrid final : public Grid {
 public:
  explicit FakeGrid(EventLog& log) : log_(log) {}
  void SetEnabled(bool value) override {
    enabled = value;
    Log("Enabled=" + Flag(value));
  }
  int32_t RowCount() const override {
    return static_cast<int32_t>(rows.size());
  }
  void SetRowCount(int32_t count) override {
    rows.resize(static_cast<std::size_t>(count),
                std::vector<Text>(static_cast<std::size_t>(columns)));
    marks.KeepFirst(count - 1);
    Log("RowCount=" + std::to_string(count));
  }
  int32_t ColumnCount() const override { return columns; }
  void SetColumnCount(int32_t count) override {
    columns = count;
    for (auto& row : rows) row.resize(static_cast<std::size_t>(count));
    Log("ColumnCount=" + std::to_string(count));
  }
  void SetFixedRowCount(int32_t count) override {
    Log("FixedRowCount=" + std::to_string(count));
  }
  void SetFixedColumnCount(int32_t count) override {
    Log("FixedColumnCount=" + std::to_string(count));
  }
  Text CellText(int32_t row, int32_t column) const override {
    return rows.at(static_cast<std::size_t>(row))
        .at(static_cast<std::size_t>(column));
  }
  void SetCellText(int32_t row, int32_t column, const Text& text) override {
    rows.at(static_cast<std::size_t>(row))
        .at(static_cast<std::size_t>(column)) = text;
    if (row == 0) Log("Header(" + std::to_string(column) + ")=" + Narrow(text));
  }
  void AddRow(const Text& item) override {
    rows.emplace_back(static_cast<std::size_t>(columns));
    rows.back()[0] = item;
  }
  void RemoveRow(int32_t row) override {
    rows.erase(rows.begin() + row);
    marks.Removed(row);
    Log("RemoveRow(" + std::to_string(row) + ")");
  }
  int32_t CurrentRow() const override { return current_row; }
  void SelectRange(int32_t row1, int32_t column1, int32_t row2,
                   int32_t column2) override {
    selection = {row1, column1, row2, column2};
  }
  void SetColumnWidth(int32_t column, int32_t value) override {
    column_widths[column] = value;
    Log("ColumnWidth(" + std::to_string(column) + ")=" + std::to_string(value));
  }
  int32_t Width() const override { return width; }
  void SetLastColumnFillsWidth(bool fills) override {
    Log("LastColumnFillsWidth=" + Flag(fills));
  }
  void ShowRow(int32_t row) override {
    Log("ShowRow(" + std::to_string(row) + ")");
  }
  void SetRowMark(int32_t row, RowMark mark) override {
    marks.Set(row, mark);
    static constexpr const char* kNames[] = {"none", "attached", "failed"};
    Log("Mark(" + std::to_string(row) + ")=" + kNames[static_cast<int>(mark)]);
  }
  void ClearRowMarks() override {
    marks.Clear();
    Log("ClearMarks");
  }

  // Adds a file row directly, as the file selection would.
  void AppendFile(const Text& path, const Text& name) {
    rows.push_back({path, name});
  }

  std::vector<std::vector<Text>> rows{std::vector<Text>(2)};
  int32_t columns = 2;
  int32_t current_row = 0;
  int32_t width = 7020;
  bool enabled = false;
  std::map<int32_t, int32_t> column_widths;
  std::vector<int32_t> selection;  // row1, column1, row2, column2
  RowMarks marks;

 private:
  void Log(const std::string& what) { log_.push_back("Grid." + what); }
  EventLog& log_;
};

class FakeDialog final : public FileDialog {
 public:
  explicit FakeDialog(EventLog& log) : log_(log) {}
  void SetDialogTitle(const Text& title) override {
    Log("Title=" + Narrow(title));
  }
  void SetCancelError(bool raise_error) override {
    Log("CancelError=" + Flag(raise_error));
  }
  void SetFilter(const Text& filter) override {
    Log("Filter=" + Narrow(filter));
  }
  void SetFilterIndex(int32_t index) override {
    Log("FilterIndex=" + std::to_string(index));
  }
  void SetFlags(uint32_t flags) override {
    Log("Flags=" + std::to_string(flags));
  }
  void SetMaxFileSize(int32_t size) override {
    Log("MaxFileSize=" + std::to_string(size));
  }
  PendingError ShowOpen() override {
    Log("ShowOpen");
    if (while_shown) while_shown();
    return outcome;
  }
  Text FileName() const override { return result_text; }

  // What the next ShowOpen gives.
  PendingError outcome;
  Text result_text;
  // Runs while the dialog is up, as another event would.
  std::function<void()> while_shown;

 private:
  void Log(const std::string& what) { log_.push_back("Dialog." + what); }
  EventLog& log_;
};

}  // namespace quorvel::testing
