// The thread's message queue while a handler is busy: input made meanwhile is
// dropped, never acted on later, and everything else keeps moving.
#pragma once

#include <optional>

#include "common/win32/windows_api.h"

namespace quorvel {

inline bool IsInputMessage(UINT message) {
  return (message >= WM_KEYFIRST && message <= WM_KEYLAST) ||
         (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) ||
         (message >= WM_NCMOUSEMOVE && message <= WM_NCXBUTTONDBLCLK);
}

// Removes the keyboard and mouse messages waiting in this thread's queue. A
// WM_QUIT passes any range filter, so only input is asked for, and a quit
// taken all the same is posted again.
inline void DropQueuedInput() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE | PM_QS_INPUT)) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
  }
}

// Takes every message waiting and dispatches all but input, which it drops.
// A WM_QUIT taken here is kept in quit_code for its loop to post again.
inline void DispatchAllButInput(std::optional<int>& quit_code) {
  MSG message;
  while (!quit_code && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      quit_code = static_cast<int>(message.wParam);
    } else if (!IsInputMessage(message.message)) {
      DispatchMessageW(&message);
    }
  }
}

}  // namespace quorvel
