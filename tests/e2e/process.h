// The program under test as a process: where it is, starting and ending it,
// and waiting on it.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "common/win32/windows_api.h"
#include "tests/support/handles.h"

namespace e2e {

// "/a/b" (UTF-8) becomes "Z:\a\b", Wine's drive for the host root; other
// paths are only widened.
std::wstring ToWindowsPath(std::string_view path);
// Quorvel.exe: $QUORVEL_EXE if set, else the build's own.
std::wstring QuorvelExe();
// Where pictures and other artefacts go: $QUORVEL_E2E_OUT or the build folder.
std::wstring OutputDir();

// True under Wine (its ntdll exports wine_get_version), false on Windows:
// for the few places where the two differ and a test asserts each.
bool RunningOnWine();

// Polls cond every few milliseconds until it holds or the time is up.
bool WaitFor(const std::function<bool()>& cond, int timeout_ms = 5000);
// Returns once the window's thread has handled everything queued before.
bool Sync(HWND hwnd, int timeout_ms = 5000);

class App {
 public:
  // Starts the program and waits (bounded) for its main window to exist.
  // The main window may still be hidden while a start-up message box waits.
  static App Start(const std::wstring& exe = QuorvelExe(),
                   int timeout_ms = 15000);
  App(App&&) = default;
  App& operator=(App&&) = default;
  ~App() { Kill(); }

  HWND Main() const { return main_; }
  HWND Control(int id) const { return GetDlgItem(main_, id); }
  DWORD ProcessId() const { return pid_; }
  DWORD ThreadId() const { return tid_; }
  HANDLE Process() const { return process_.get(); }
  bool Running() const;
  // Waits for the process to end by itself; its exit code, if it ended.
  std::optional<DWORD> WaitExit(int timeout_ms);
  void Kill();
  // Waits until the main window is visible (after the load sequence).
  bool WaitShown(int timeout_ms = 10000) const;

 private:
  App() = default;
  UniqueHandle process_;
  DWORD pid_ = 0;
  DWORD tid_ = 0;
  HWND main_ = nullptr;
};

}  // namespace e2e
