// Turning the open-file dialog's result text into file rows.
#pragma once

#include <optional>
#include <vector>

#include "common/text.h"
#include "files/file_dialog.h"
#include "files/grid.h"

namespace quorvel::files {

inline constexpr uint32_t kOpenFileFlags = 0x280204;  // hide read-only,
                                                      // multi-select,
                                                      // explorer, long names
inline constexpr int32_t kInitialResultSize = 32000;

// The dialog's six settings, in the order the dialog host takes them.
void PrepareOpenDialog(FileDialog& dialog);

// The text split at every separator; always at least one piece.
std::vector<Text> SplitText(const Text& text, char16_t separator);

// The result text split at every NUL.
inline std::vector<Text> SplitAtNul(const Text& text) {
  return SplitText(text, u'\0');
}

// A drive letter, a colon and a backslash, or two backslashes.
bool IsFullPath(const Text& name);

// Full paths of the chosen files: the text itself for one file, or the
// folder joined to each name for several. A name typed as a full path is
// taken as it is.
std::vector<Text> ChosenPaths(const Text& result_text);

// The characters after the last backslash less the path's last four,
// whatever they are; nothing when the file part is shorter than four.
std::optional<Text> DatabaseNameOf(const Text& path);

// Appends one row: the path, and the database name when it can be formed.
void AddFileRow(Grid& grid, const Text& path);

}  // namespace quorvel::files
