// Start-up time of Quorvel.exe against a minimal window program: from
// CreateProcess until WaitForInputIdle returns. Prints figures; never fails
// on a slow machine.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tests/e2e/harness.h"

namespace {

constexpr int kRuns = 10;

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(to.QuadPart - from.QuadPart) /
         static_cast<double>(frequency.QuadPart);
}

BOOL CALLBACK FindVisibleWindow(HWND hwnd, LPARAM lparam) {
  auto* wanted = reinterpret_cast<std::pair<DWORD, bool>*>(lparam);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid == wanted->first && IsWindowVisible(hwnd)) {
    wanted->second = true;
    return FALSE;
  }
  return TRUE;
}

bool HasVisibleWindow(DWORD process_id) {
  std::pair<DWORD, bool> wanted{process_id, false};
  EnumWindows(FindVisibleWindow, reinterpret_cast<LPARAM>(&wanted));
  return wanted.second;
}

// One start: the time to input idle, or nothing when the program did not start.
std::optional<double> TimeStart(const std::wstring& exe) {
  std::wstring command = L"\"" + exe + L"\"";
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi{};
  LARGE_INTEGER start;
  LARGE_INTEGER idle;
  QueryPerformanceCounter(&start);
  if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0,
                      nullptr, nullptr, &si, &pi)) {
    return std::nullopt;
  }
  e2e::UniqueHandle process(pi.hProcess);
  e2e::UniqueHandle thread(pi.hThread);
  DWORD waited = WaitForInputIdle(pi.hProcess, 30000);
  QueryPerformanceCounter(&idle);
  // A program that failed on the way returns at once too: only a running
  // program with its window up counts as started.
  const bool started = waited == 0 &&
                       WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT &&
                       HasVisibleWindow(pi.dwProcessId);
  TerminateProcess(pi.hProcess, 0);
  WaitForSingleObject(pi.hProcess, 10000);
  if (!started) return std::nullopt;
  return Seconds(start, idle);
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

int main() {
  _setmode(_fileno(stdout), _O_BINARY);
  const std::wstring quorvel = e2e::QuorvelExe();
  const std::wstring baseline =
      e2e::ToWindowsPath(e2e::Widen(QUORVEL_MINIMAL_EXE));
  // Untimed first starts: they pay for loading files into the cache.
  if (!TimeStart(quorvel) || !TimeStart(baseline)) {
    std::printf("startup bench: a program did not start\n");
    return 1;
  }
  std::vector<double> quorvel_times;
  std::vector<double> baseline_times;
  for (int run = 0; run < kRuns; ++run) {
    auto q = TimeStart(quorvel);
    auto b = TimeStart(baseline);
    if (!q || !b) {
      std::printf("startup bench: a program did not start\n");
      return 1;
    }
    quorvel_times.push_back(*q);
    baseline_times.push_back(*b);
  }
  double q = Median(quorvel_times);
  double b = Median(baseline_times);
  std::printf("startup bench: %d runs each, alternating\n", kRuns);
  std::printf("  Quorvel.exe        median %8.1f ms\n", q * 1000);
  std::printf("  minimal window     median %8.1f ms\n", b * 1000);
  std::printf("  ratio Quorvel/minimal %.2f (goal <= 1.20: %s)\n", q / b,
              q / b <= 1.2 ? "met" : "not met");
  return 0;
}
