// Quorvel.exe: one window that attaches .mdf files to a local SQL Server.
#include <windows.h>
// commctrl.h and objbase.h need windows.h first.
#include <commctrl.h>
#include <objbase.h>

#include "app/win32/main_window.h"

namespace {

// COM for ADO, apartment-threaded, for as long as the window lives.
class ComApartment {
 public:
  ComApartment()
      : initialised_(SUCCEEDED(CoInitializeEx(
            nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}
  ~ComApartment() {
    if (initialised_) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  bool initialised_;
};

int RunMessageLoop(quorvel::view::MainWindow& window) {
  MSG message{};
  for (;;) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0) return static_cast<int>(message.wParam);
    if (got == -1) return 1;
    if (window.PreTranslate(message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  const ComApartment com;
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof(controls);
  controls.dwICC =
      ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES;
  InitCommonControlsEx(&controls);

  auto window = quorvel::view::MainWindow::Create(instance);
  if (window == nullptr) return 1;
  // The load sequence runs while the window is still hidden.
  window->Load();
  ShowWindow(window->Handle(), SW_SHOWNORMAL);
  UpdateWindow(window->Handle());
  return RunMessageLoop(*window);
}
