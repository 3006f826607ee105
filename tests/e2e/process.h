// The program under test as a process: where it is, starting and ending it,
// and waiting on it.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "app/win32/control_ids.h"
#include "common/win32/windows_api.h"
#include "tests/support/support.h"

namespace e2e {

// "/a/b" (UTF-8) becomes "Z:\a\b", Wine's drive for the host root; other
// paths are only widened.
inline std::wstring ToWindowsPath(std::string_view path) {
  std::wstring out = Wide(FromUtf8(path));
  if (out.empty() || out[0] != L'/') return out;
  std::replace(out.begin(), out.end(), L'/', L'\\');
  return L"Z:" + out;
}

// The environment's value when set, else the build's own path.
inline std::wstring PathOr(const wchar_t* variable, const char* built) {
  const wchar_t* value = _wgetenv(variable);
  return ToWindowsPath(value != nullptr && *value != L'\0' ? ToUtf8(value)
                                                           : built);
}
// Quorvel.exe: $QUORVEL_EXE if set, else the build's own.
inline std::wstring QuorvelExe() {
  return PathOr(L"QUORVEL_EXE", QUORVEL_E2E_EXE);
}
// Where pictures and other artefacts go: $QUORVEL_E2E_OUT or the build folder.
inline std::wstring OutputDir() {
  return PathOr(L"QUORVEL_E2E_OUT", QUORVEL_E2E_OUT);
}

// True under Wine (its ntdll exports wine_get_version), false on Windows:
// for the few places where the two differ and a test asserts each.
inline bool RunningOnWine() {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr &&
         GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// Polls cond every few milliseconds until it holds or the time is up.
inline bool WaitFor(const std::function<bool()>& cond, int timeout_ms = 5000) {
  const DWORD start = GetTickCount();
  while (!cond()) {
    if (GetTickCount() - start >= static_cast<DWORD>(timeout_ms)) return cond();
    Sleep(10);
  }
  return true;
}

// Returns once the window's thread has handled everything queued before.
inline bool Sync(HWND hwnd, int timeout_ms = 5000) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_NORMAL,
                             static_cast<UINT>(timeout_ms), &result) != 0;
}

using WindowTest = std::function<bool(HWND)>;

inline BOOL CALLBACK StopAtMatch(HWND hwnd, LPARAM param) {
  auto* search = reinterpret_cast<std::pair<const WindowTest*, HWND>*>(param);
  if (!(*search->first)(hwnd)) return TRUE;
  search->second = hwnd;
  return FALSE;
}

// The first top-level window that matches, of one thread when one is given;
// every window is tried until one does.
inline HWND FindTopWindow(const WindowTest& matches, DWORD thread_id = 0) {
  std::pair<const WindowTest*, HWND> search{&matches, nullptr};
  const auto param = reinterpret_cast<LPARAM>(&search);
  if (thread_id != 0) {
    EnumThreadWindows(thread_id, StopAtMatch, param);
  } else {
    EnumWindows(StopAtMatch, param);
  }
  return search.second;
}

// The first window under parent, at any depth, that matches.
inline HWND FindChildWindow(HWND parent, const WindowTest& matches) {
  std::pair<const WindowTest*, HWND> search{&matches, nullptr};
  EnumChildWindows(parent, StopAtMatch, reinterpret_cast<LPARAM>(&search));
  return search.second;
}

// The process that owns a window.
inline DWORD ProcessOf(HWND hwnd) {
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  return pid;
}

class App {
 public:
  // Starts the program and waits (bounded) for its main window to exist.
  // The main window may still be hidden while a start-up message box waits.
  explicit App(const std::wstring& exe = QuorvelExe(), int timeout_ms = 15000) {
    std::wstring command = L"\"" + exe + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0,
                        nullptr, nullptr, &si, &pi)) {
      return;
    }
    process_.Reset(pi.hProcess);
    CloseHandle(pi.hThread);
    pid_ = pi.dwProcessId;
    tid_ = pi.dwThreadId;
    WaitForInputIdle(pi.hProcess, static_cast<DWORD>(timeout_ms));
    // The process's window of the program's class.
    const auto is_main = [&](HWND hwnd) {
      wchar_t name[256] = L"";
      return ProcessOf(hwnd) == pid_ && GetClassNameW(hwnd, name, 256) &&
             std::wstring_view(name) == quorvel::app::win32::kMainWindowClass;
    };
    WaitFor(
        [&] {
          main_ = FindTopWindow(is_main);
          return main_ != nullptr || !Running();
        },
        timeout_ms);
  }
  ~App() { Kill(); }

  HWND Main() const { return main_; }
  HWND Control(int id) const { return GetDlgItem(main_, id); }
  DWORD ProcessId() const { return pid_; }
  DWORD ThreadId() const { return tid_; }
  bool Running() const {
    return process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
  }
  // Waits for the process to end by itself; its exit code, if it ended.
  std::optional<DWORD> WaitExit(int timeout_ms) {
    DWORD code = 0;
    if (!process_ ||
        WaitForSingleObject(process_.get(), static_cast<DWORD>(timeout_ms)) !=
            WAIT_OBJECT_0 ||
        !GetExitCodeProcess(process_.get(), &code)) {
      return std::nullopt;
    }
    return code;
  }
  void Kill() {
    if (Running()) {
      TerminateProcess(process_.get(), 1);
      WaitForSingleObject(process_.get(), 5000);
    }
    process_.Reset();
  }
  // Waits until the main window is visible (after the load sequence).
  bool WaitShown(int timeout_ms = 10000) const {
    return main_ != nullptr &&
           WaitFor([&] { return IsWindowVisible(main_) != FALSE; }, timeout_ms);
  }

 private:
  UniqueHandle process_;
  DWORD pid_ = 0;
  DWORD tid_ = 0;
  HWND main_ = nullptr;
};

}  // namespace e2e
