#include "fakes/fake_files.h"

#include <string>

namespace quorvel::testing {

Text NulJoined(std::initializer_list<Text> pieces) {
  Text joined;
  bool first = true;
  // An empty first piece still gets its separator.
  for (const Text& piece : pieces) {
    if (!first) joined += u'\0';
    joined += piece;
    first = false;
  }
  return joined;
}

void FakeGrid::SetEnabled(bool value) {
  enabled = value;
  log_.push_back("Grid.Enabled=" + Flag(value));
}

void FakeGrid::SetRowCount(int32_t count) {
  rows.resize(static_cast<std::size_t>(count),
              std::vector<Text>(static_cast<std::size_t>(columns)));
  marks.KeepFirst(count - 1);
  log_.push_back("Grid.RowCount=" + std::to_string(count));
}

void FakeGrid::SetColumnCount(int32_t count) {
  columns = count;
  for (auto& row : rows) {
    row.resize(static_cast<std::size_t>(count));
  }
  log_.push_back("Grid.ColumnCount=" + std::to_string(count));
}

void FakeGrid::SetFixedRowCount(int32_t count) {
  log_.push_back("Grid.FixedRowCount=" + std::to_string(count));
}

void FakeGrid::SetFixedColumnCount(int32_t count) {
  log_.push_back("Grid.FixedColumnCount=" + std::to_string(count));
}

Text FakeGrid::CellText(int32_t row, int32_t column) const {
  return rows.at(static_cast<std::size_t>(row))
      .at(static_cast<std::size_t>(column));
}

void FakeGrid::SetCellText(int32_t row, int32_t column, const Text& text) {
  rows.at(static_cast<std::size_t>(row)).at(static_cast<std::size_t>(column)) =
      text;
  if (row == 0) {
    log_.push_back("Grid.Header(" + std::to_string(column) +
                   ")=" + Narrow(text));
  }
}

void FakeGrid::AddRow(const Text& item) {
  rows.emplace_back(static_cast<std::size_t>(columns));
  rows.back()[0] = item;
}

void FakeGrid::RemoveRow(int32_t row) {
  rows.erase(rows.begin() + row);
  marks.Removed(row);
  log_.push_back("Grid.RemoveRow(" + std::to_string(row) + ")");
}

void FakeGrid::SelectRange(int32_t row1, int32_t column1, int32_t row2,
                           int32_t column2) {
  selection = {row1, column1, row2, column2};
}

void FakeGrid::SetColumnWidth(int32_t column, int32_t value) {
  column_widths[column] = value;
  log_.push_back("Grid.ColumnWidth(" + std::to_string(column) +
                 ")=" + std::to_string(value));
}

void FakeGrid::SetLastColumnFillsWidth(bool fills) {
  log_.push_back("Grid.LastColumnFillsWidth=" + Flag(fills));
}

void FakeGrid::ShowRow(int32_t row) {
  log_.push_back("Grid.ShowRow(" + std::to_string(row) + ")");
}

void FakeGrid::SetRowMark(int32_t row, RowMark mark) {
  marks.Set(row, mark);
  static constexpr const char* kNames[] = {"none", "attached", "failed"};
  log_.push_back("Grid.Mark(" + std::to_string(row) +
                 ")=" + kNames[static_cast<int>(mark)]);
}

void FakeGrid::ClearRowMarks() {
  marks.Clear();
  log_.push_back("Grid.ClearMarks");
}

void FakeGrid::AppendFile(const Text& path, const Text& name) {
  rows.push_back({path, name});
}

void FakeDialog::SetDialogTitle(const Text& title) {
  log_.push_back("Dialog.Title=" + Narrow(title));
}
void FakeDialog::SetCancelError(bool raise_error) {
  log_.push_back("Dialog.CancelError=" + Flag(raise_error));
}
void FakeDialog::SetFilter(const Text& filter) {
  log_.push_back("Dialog.Filter=" + Narrow(filter));
}
void FakeDialog::SetFilterIndex(int32_t index) {
  log_.push_back("Dialog.FilterIndex=" + std::to_string(index));
}
void FakeDialog::SetFlags(uint32_t flags) {
  log_.push_back("Dialog.Flags=" + std::to_string(flags));
}
void FakeDialog::SetMaxFileSize(int32_t size) {
  log_.push_back("Dialog.MaxFileSize=" + std::to_string(size));
}
PendingError FakeDialog::ShowOpen() {
  log_.push_back("Dialog.ShowOpen");
  if (while_shown) while_shown();
  return outcome;
}

}  // namespace quorvel::testing
