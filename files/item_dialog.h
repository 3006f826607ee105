// What the item dialog's adapter works out without the shell: the filter
// setting as the dialog takes it, and the result text from the items the
// user confirmed.
#pragma once

#include <cstddef>
#include <optional>
#include <utility>
#include <vector>

#include "common/text.h"

namespace quorvel::files {

// The items a confirmed dialog hands over, and the folder it was showing.
// Either may lack a file-system path: "This PC", Libraries and search
// results are folders without one.
class ChosenItems {
 public:
  virtual ~ChosenItems() = default;
  virtual std::size_t Count() const = 0;
  // The item's full file-system path; nothing when it has none.
  virtual std::optional<Text> ItemPath(std::size_t index) const = 0;
  // The file-system path of the folder shown; nothing when it has none.
  virtual std::optional<Text> FolderPath() const = 0;
};

// "desc|pattern|desc|pattern" as description and pattern pairs. An unpaired
// last description is dropped.
std::vector<std::pair<Text, Text>> FilterPairs(const Text& filter);

// The text the file selection reads, in the dialog's order: one item's
// path; or the folder and then each item, NUL-separated, nothing after the
// last. When every item lies in the folder each goes by its name, so a
// drive's root gives two backslashes at the join as it always has. Else
// (another folder, a folder without a path) an item goes by its name only
// where the folder joined to the name is its path, and whole otherwise.
// Items without a path are left out; nothing when none is left.
std::optional<Text> ResultText(const ChosenItems& items);

}  // namespace quorvel::files
