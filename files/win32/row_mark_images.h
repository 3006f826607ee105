// The two row marks, "attached" and "failed", drawn at the size asked for:
// a round badge with a tick or a cross, 32-bit with alpha, smooth edges.
#pragma once

#include "common/win32/windows_api.h"
// commctrl.h needs windows.h first.
#include <commctrl.h>

namespace quorvel::files::win32 {

// Index of each mark in the image list.
inline constexpr int kAttachedImage = 0;
inline constexpr int kFailedImage = 1;

// An empty image list for marks of size × size pixels; null on failure.
HIMAGELIST CreateRowMarkList(int size);
// Draws both marks into the list, in index order. False on failure.
bool AddRowMarkImages(HIMAGELIST list, int size);

}  // namespace quorvel::files::win32
