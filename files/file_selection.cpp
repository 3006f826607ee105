#include "files/file_selection.h"

namespace quorvel::files {

void PrepareOpenDialog(FileDialog& dialog) {
  dialog.SetDialogTitle(u"Seleccionar ficheros");
  dialog.SetCancelError(true);
  dialog.SetFilter(u"*.mdf|*.mdf");
  dialog.SetFilterIndex(0);
  dialog.SetFlags(kOpenFileFlags);
  dialog.SetMaxFileSize(kInitialResultSize);
}

std::vector<Text> SplitText(const Text& text, char16_t separator) {
  std::vector<Text> pieces;
  std::size_t start = 0;
  for (std::size_t found = text.find(separator); found != Text::npos;
       found = text.find(separator, start)) {
    pieces.emplace_back(text, start, found - start);
    start = found + 1;
  }
  pieces.emplace_back(text, start);
  return pieces;
}

bool IsFullPath(const Text& name) {
  const auto is_letter = [](char16_t c) {
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
  };
  if (name.size() >= 3 && is_letter(name[0]) && name[1] == u':' &&
      name[2] == u'\\') {
    return true;
  }
  return name.size() >= 2 && name[0] == u'\\' && name[1] == u'\\';
}

std::vector<Text> ChosenPaths(const Text& result_text) {
  std::vector<Text> names = SplitAtNul(result_text);
  if (names.size() == 1) {
    return names;
  }
  std::vector<Text> paths;
  paths.reserve(names.size() - 1);
  // A folder that already ends in a backslash keeps both at the join.
  for (std::size_t i = 1; i < names.size(); ++i) {
    paths.push_back(IsFullPath(names[i]) ? names[i]
                                         : names[0] + u'\\' + names[i]);
  }
  return paths;
}

std::optional<Text> DatabaseNameOf(const Text& path) {
  const std::size_t backslash = path.rfind(u'\\');
  const std::size_t start = backslash == Text::npos ? 0 : backslash + 1;
  const std::size_t file_part = path.size() - start;
  if (file_part < 4) {
    return std::nullopt;
  }
  return path.substr(start, file_part - 4);
}

void AddFileRow(Grid& grid, const Text& path) {
  grid.AddRow(Text());
  grid.SetCellText(grid.RowCount() - 1, 0, path);
  // A file part shorter than four characters leaves the name cell unwritten.
  if (const auto name = DatabaseNameOf(path)) {
    grid.SetCellText(grid.RowCount() - 1, 1, *name);
  }
}

}  // namespace quorvel::files
