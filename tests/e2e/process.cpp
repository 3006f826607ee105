#include "tests/e2e/process.h"

#include <algorithm>
#include <cstdlib>

#include "app/frm_adjuntar.h"
#include "app/win32/control_ids.h"
#include "tests/support/utf8.h"

namespace e2e {
namespace {

std::wstring PathOr(const wchar_t* variable, const char* built) {
  const wchar_t* value = _wgetenv(variable);
  return value != nullptr && *value != L'\0' ? ToWindowsPath(ToUtf8(value))
                                             : ToWindowsPath(built);
}

struct MainSearch {
  DWORD pid;
  HWND found;
};

// The process's window of the program's class, or titled as the program.
BOOL CALLBACK FindMain(HWND hwnd, LPARAM param) {
  auto* search = reinterpret_cast<MainSearch*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(hwnd, &owner);
  wchar_t text[256] = L"";
  if (owner == search->pid &&
      (GetClassNameW(hwnd, text, 256) > 0 &&
       std::wstring_view(text) == quorvel::app::win32::kMainWindowClass)) {
    search->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

std::wstring ToWindowsPath(std::string_view path) {
  std::wstring out = Wide(FromUtf8(path));
  if (out.empty() || out[0] != L'/') return out;
  std::replace(out.begin(), out.end(), L'/', L'\\');
  return L"Z:" + out;
}

std::wstring QuorvelExe() { return PathOr(L"QUORVEL_EXE", QUORVEL_E2E_EXE); }
std::wstring OutputDir() { return PathOr(L"QUORVEL_E2E_OUT", QUORVEL_E2E_OUT); }

bool RunningOnWine() {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr &&
         GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

bool WaitFor(const std::function<bool()>& cond, int timeout_ms) {
  const DWORD start = GetTickCount();
  while (!cond()) {
    if (GetTickCount() - start >= static_cast<DWORD>(timeout_ms)) {
      return cond();
    }
    Sleep(10);
  }
  return true;
}

bool Sync(HWND hwnd, int timeout_ms) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_NORMAL,
                             static_cast<UINT>(timeout_ms), &result) != 0;
}

App App::Start(const std::wstring& exe, int timeout_ms) {
  App app;
  std::wstring command = L"\"" + exe + L"\"";
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0,
                      nullptr, nullptr, &si, &pi)) {
    return app;
  }
  app.process_.Reset(pi.hProcess);
  CloseHandle(pi.hThread);
  app.pid_ = pi.dwProcessId;
  app.tid_ = pi.dwThreadId;
  WaitForInputIdle(pi.hProcess, static_cast<DWORD>(timeout_ms));
  WaitFor(
      [&] {
        MainSearch search{app.pid_, nullptr};
        EnumWindows(FindMain, reinterpret_cast<LPARAM>(&search));
        app.main_ = search.found;
        return app.main_ != nullptr || !app.Running();
      },
      timeout_ms);
  return app;
}

bool App::Running() const {
  return process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> App::WaitExit(int timeout_ms) {
  if (!process_ ||
      WaitForSingleObject(process_.get(), static_cast<DWORD>(timeout_ms)) !=
          WAIT_OBJECT_0) {
    return std::nullopt;
  }
  DWORD code = 0;
  GetExitCodeProcess(process_.get(), &code);
  return code;
}

void App::Kill() {
  if (Running()) {
    TerminateProcess(process_.get(), 1);
    WaitForSingleObject(process_.get(), 5000);
  }
  process_.Reset();
}

bool App::WaitShown(int timeout_ms) const {
  return main_ != nullptr &&
         WaitFor([&] { return IsWindowVisible(main_) != FALSE; }, timeout_ms);
}

}  // namespace e2e
