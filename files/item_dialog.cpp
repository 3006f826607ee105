#include "files/item_dialog.h"

#include "files/file_selection.h"

namespace quorvel::files {
namespace {

// The item's name when it lies in the folder itself, not below it. A
// drive's root comes with its backslash, other folders without.
std::optional<Text> NameInFolder(const Text& folder, const Text& path) {
  const Text prefix = folder.ends_with(u'\\') ? folder : folder + u'\\';
  if (path.size() <= prefix.size() || !path.starts_with(prefix)) {
    return std::nullopt;
  }
  Text name = path.substr(prefix.size());
  if (name.find(u'\\') != Text::npos) return std::nullopt;
  return name;
}

}  // namespace

std::vector<std::pair<Text, Text>> FilterPairs(const Text& filter) {
  std::vector<std::pair<Text, Text>> pairs;
  if (filter.empty()) {
    return pairs;
  }
  const std::vector<Text> pieces = SplitText(filter, u'|');
  for (std::size_t i = 0; i + 1 < pieces.size(); i += 2) {
    pairs.emplace_back(pieces[i], pieces[i + 1]);
  }
  return pairs;
}

std::optional<Text> ResultText(const ChosenItems& items) {
  std::vector<Text> paths;
  for (std::size_t i = 0; i < items.Count(); ++i) {
    if (std::optional<Text> path = items.ItemPath(i)) {
      paths.push_back(std::move(*path));
    }
  }
  if (paths.empty()) return std::nullopt;
  if (paths.size() == 1) return paths.front();

  // Asked only now: one item needs no folder.
  const std::optional<Text> folder = items.FolderPath();
  std::vector<std::optional<Text>> names;
  bool all_in_folder = folder.has_value();
  for (const Text& path : paths) {
    names.push_back(folder ? NameInFolder(*folder, path) : std::nullopt);
    all_in_folder = all_in_folder && names.back().has_value();
  }
  // The file selection joins folder, backslash and name: in a drive's root
  // that gives back an item's own path only when every item lies there.
  const bool names_give_paths =
      all_in_folder || (folder && !folder->ends_with(u'\\'));
  Text text = folder.value_or(Text());
  for (std::size_t i = 0; i < paths.size(); ++i) {
    text += u'\0';
    text += names[i] && names_give_paths ? *names[i] : paths[i];
  }
  return text;
}

}  // namespace quorvel::files
