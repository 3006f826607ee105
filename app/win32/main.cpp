// Quorvel.exe: one window that attaches .mdf files to a local SQL Server.
#include "app/win32/layout.h"
#include "app/win32/main_window.h"
#include "common/win32/windows_api.h"

namespace {

int RunMessageLoop(quorvel::app::win32::MainWindow& window) {
  MSG message{};
  for (;;) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0) return static_cast<int>(message.wParam);
    if (got == -1) return 1;
    if (window.HandleDialogMessage(message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

}  // namespace

// COM is not started here: the window's ADO client joins it when the program
// first connects, so a start without a server never loads it.
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  quorvel::app::win32::InitControlClasses();

  auto window = quorvel::app::win32::MainWindow::Create(instance);
  if (window == nullptr) return 1;
  // The load sequence runs while the window is still hidden.
  window->Load();
  ShowWindow(window->Handle(), SW_SHOWNORMAL);
  UpdateWindow(window->Handle());
  return RunMessageLoop(*window);
}
