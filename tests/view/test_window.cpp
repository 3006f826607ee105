#include "tests/view/test_window.h"

#include <commctrl.h>

#include <cmath>

namespace quorvel::app::win32::testing {

TestWindow::TestWindow() {
  WNDCLASSW window_class{};
  window_class.lpfnWndProc = &TestWindow::Procedure;
  window_class.lpszClassName = L"QuorvelViewTestHost";
  RegisterClassW(&window_class);
  // Hidden: under Wine without a window manager, showing costs seconds.
  window_ = CreateWindowExW(0, window_class.lpszClassName, L"", WS_POPUP, 0, 0,
                            640, 480, nullptr, nullptr, nullptr, this);
}

TestWindow::~TestWindow() {
  SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
  DestroyWindow(window_);
}

HWND TestWindow::AddChild(const wchar_t* window_class, DWORD style, int id,
                          int width, int height) {
  return CreateWindowExW(0, window_class, L"", WS_CHILD | WS_VISIBLE | style, 0,
                         0, width, height, window_,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                         nullptr, nullptr);
}

LRESULT CALLBACK TestWindow::Procedure(HWND window, UINT message, WPARAM wparam,
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

void PumpMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

int ScreenDpi(int axis) {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, axis);
  ReleaseDC(nullptr, screen);
  return dpi;
}

int ExpectedPixels(int twips, int dpi) {
  return static_cast<int>(std::lround(twips * static_cast<double>(dpi) / 1440));
}

std::wstring ItemText(HWND list_view, int item, int sub_item) {
  wchar_t buffer[512] = L"";
  LVITEMW request{};
  request.iSubItem = sub_item;
  request.pszText = buffer;
  request.cchTextMax = 512;
  SendMessageW(list_view, LVM_GETITEMTEXTW, static_cast<WPARAM>(item),
               reinterpret_cast<LPARAM>(&request));
  return buffer;
}

std::wstring ColumnText(HWND list_view, int column) {
  wchar_t buffer[256] = L"";
  LVCOLUMNW request{};
  request.mask = LVCF_TEXT;
  request.pszText = buffer;
  request.cchTextMax = 256;
  const bool found =
      SendMessageW(list_view, LVM_GETCOLUMNW, static_cast<WPARAM>(column),
                   reinterpret_cast<LPARAM>(&request)) != 0;
  return found ? buffer : L"<no column>";
}

std::vector<int> SelectedItems(HWND list_view) {
  std::vector<int> items;
  for (int item = ListView_GetNextItem(list_view, -1, LVNI_SELECTED); item >= 0;
       item = ListView_GetNextItem(list_view, item, LVNI_SELECTED)) {
    items.push_back(item);
  }
  return items;
}

}  // namespace quorvel::app::win32::testing
