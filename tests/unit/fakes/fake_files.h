// The file grid and the open-file dialog in memory.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <vector>

#include "fakes/event_log.h"
#include "files/file_dialog.h"
#include "files/grid.h"

namespace quorvel::testing {

// The fakes stand in for these interfaces, under their own names.
using namespace ::quorvel::files;

// The dialog's multi-select result: the pieces joined by single NULs.
Text NulJoined(std::initializer_list<Text> pieces);

class FakeGrid final : public Grid {
 public:
  explicit FakeGrid(EventLog& log) : log_(log) {}
  void SetEnabled(bool enabled) override;
  int32_t RowCount() const override {
    return static_cast<int32_t>(rows.size());
  }
  void SetRowCount(int32_t count) override;
  int32_t ColumnCount() const override { return columns; }
  void SetColumnCount(int32_t count) override;
  void SetFixedRowCount(int32_t count) override;
  void SetFixedColumnCount(int32_t count) override;
  Text CellText(int32_t row, int32_t column) const override;
  void SetCellText(int32_t row, int32_t column, const Text& text) override;
  void AddRow(const Text& item) override;
  void RemoveRow(int32_t row) override;
  int32_t CurrentRow() const override { return current_row; }
  void SelectRange(int32_t row1, int32_t column1, int32_t row2,
                   int32_t column2) override;
  void SetColumnWidth(int32_t column, int32_t width) override;
  int32_t Width() const override { return width; }
  void SetLastColumnFillsWidth(bool fills) override;
  void ShowRow(int32_t row) override;
  void SetRowMark(int32_t row, RowMark mark) override;
  void ClearRowMarks() override;

  // Adds a file row directly, as the file selection would.
  void AppendFile(const Text& path, const Text& name);

  std::vector<std::vector<Text>> rows{std::vector<Text>(2)};
  int32_t columns = 2;
  int32_t current_row = 0;
  int32_t width = 7020;
  bool enabled = false;
  std::map<int32_t, int32_t> column_widths;
  std::vector<int32_t> selection;  // row1, column1, row2, column2
  RowMarks marks;

 private:
  EventLog& log_;
};

class FakeDialog final : public FileDialog {
 public:
  explicit FakeDialog(EventLog& log) : log_(log) {}
  void SetDialogTitle(const Text& title) override;
  void SetCancelError(bool raise_error) override;
  void SetFilter(const Text& filter) override;
  void SetFilterIndex(int32_t index) override;
  void SetFlags(uint32_t flags) override;
  void SetMaxFileSize(int32_t size) override;
  PendingError ShowOpen() override;
  Text FileName() const override { return result_text; }

  // What the next ShowOpen gives.
  PendingError outcome;
  Text result_text;
  // Runs while the dialog is up, as another event would.
  std::function<void()> while_shown;

 private:
  EventLog& log_;
};

}  // namespace quorvel::testing
