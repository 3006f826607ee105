// What the start-up benchmark's baseline windows need to run, and no more: a
// window procedure that ends the program with its window, and the message
// loop.
#pragma once

#include "common/win32/windows_api.h"

namespace bench {

inline LRESULT CALLBACK QuitWithWindow(HWND hwnd, UINT message, WPARAM wparam,
                                       LPARAM lparam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

inline int RunMessageLoop() {
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}

}  // namespace bench
