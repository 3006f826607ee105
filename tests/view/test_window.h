// A top-level window hosting controls under test (or in a benchmark): it
// answers the grid's display-info requests and records the commands it
// receives. The harness's readers (tests/e2e/controls.h) read the controls
// in it, in this process as well.
#pragma once

#include <cmath>
#include <string>
#include <vector>

#include "common/win32/windows_api.h"
#include "files/win32/listview_grid.h"
#include "tests/e2e/controls.h"

namespace quorvel::app::win32::testing {

using files::win32::kListViewGridStyle;
using files::win32::ListViewGrid;

class TestWindow {
 public:
  // Hidden unless shown: under Wine without a window manager, showing costs
  // seconds. A benchmark that times the drawing shows it.
  explicit TestWindow(bool shown = false) {
    WNDCLASSW window_class{};
    window_class.lpfnWndProc = &TestWindow::Procedure;
    window_class.lpszClassName = L"QuorvelViewTestHost";
    RegisterClassW(&window_class);
    window_ = CreateWindowExW(0, window_class.lpszClassName, L"",
                              WS_POPUP | (shown ? WS_VISIBLE : 0), 0, 0, 640,
                              480, nullptr, nullptr, nullptr, this);
  }
  ~TestWindow() {
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
  }
  TestWindow(const TestWindow&) = delete;
  TestWindow& operator=(const TestWindow&) = delete;

  HWND Handle() const { return window_; }
  HWND AddChild(const wchar_t* window_class, DWORD style, int id, int width,
                int height) {
    return CreateWindowExW(0, window_class, L"", WS_CHILD | WS_VISIBLE | style,
                           0, 0, width, height, window_,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           nullptr, nullptr);
  }
  void ServeGrid(ListViewGrid* grid) { grid_ = grid; }
  // WM_COMMAND wparams received, in order.
  const std::vector<WPARAM>& Commands() const { return commands_; }

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wparam,
                                    LPARAM lparam) {
    if (message == WM_NCCREATE) {
      SetWindowLongPtrW(
          window, GWLP_USERDATA,
          reinterpret_cast<LONG_PTR>(
              reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams));
    }
    auto* self =
        reinterpret_cast<TestWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self != nullptr && message == WM_COMMAND) {
      self->commands_.push_back(wparam);
      return 0;
    }
    auto* header = reinterpret_cast<NMHDR*>(lparam);
    if (self != nullptr && self->grid_ != nullptr && message == WM_NOTIFY &&
        header->hwndFrom == self->grid_->Handle()) {
      if (header->code == LVN_GETDISPINFOW) {
        self->grid_->FillDisplayInfo(*reinterpret_cast<NMLVDISPINFOW*>(header));
        return 0;
      }
      if (header->code == NM_CUSTOMDRAW) {
        return self->grid_->CustomDraw(
            *reinterpret_cast<NMLVCUSTOMDRAW*>(header));
      }
    }
    return DefWindowProcW(window, message, wparam, lparam);
  }

  HWND window_ = nullptr;
  ListViewGrid* grid_ = nullptr;
  std::vector<WPARAM> commands_;
};

inline void PumpMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

// LOGPIXELSX or LOGPIXELSY of the screen.
inline int ScreenDpi(int axis) {
  return e2e::WindowDpi(nullptr, axis == LOGPIXELSY);
}

// Twips to pixels in floating point, rounded half away from zero.
inline int ExpectedPixels(int twips, int dpi) {
  return static_cast<int>(std::lround(twips * static_cast<double>(dpi) / 1440));
}

}  // namespace quorvel::app::win32::testing
