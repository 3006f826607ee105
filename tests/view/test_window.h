// A hidden top-level window hosting controls under test: it answers the
// grid's display-info requests and records the commands it receives.
#pragma once

#include <string>
#include <vector>

#include "common/win32/windows_api.h"
#include "files/win32/listview_grid.h"

namespace quorvel::app::win32::testing {

using files::win32::kListViewGridStyle;
using files::win32::ListViewGrid;

class TestWindow {
 public:
  TestWindow();
  ~TestWindow();
  TestWindow(const TestWindow&) = delete;
  TestWindow& operator=(const TestWindow&) = delete;

  HWND Handle() const { return window_; }
  HWND AddChild(const wchar_t* window_class, DWORD style, int id, int width,
                int height);
  void ServeGrid(ListViewGrid* grid) { grid_ = grid; }
  // WM_COMMAND wparams received, in order.
  const std::vector<WPARAM>& Commands() const { return commands_; }

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wparam,
                                    LPARAM lparam);
  HWND window_ = nullptr;
  ListViewGrid* grid_ = nullptr;
  std::vector<WPARAM> commands_;
};

void PumpMessages();
int ScreenDpi(int axis);  // LOGPIXELSX or LOGPIXELSY
// Twips to pixels in floating point, rounded half away from zero.
int ExpectedPixels(int twips, int dpi);

std::wstring ItemText(HWND list_view, int item, int sub_item);
std::wstring ColumnText(HWND list_view, int column);
std::vector<int> SelectedItems(HWND list_view);

}  // namespace quorvel::app::win32::testing
