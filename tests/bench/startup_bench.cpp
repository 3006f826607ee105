// Start-up time of Quorvel.exe against two programs built like it: the same
// window with the same controls and nothing behind them (the floor), and an
// empty window. A start is timed from CreateProcess until the program's
// window is visible and its thread waits for input. Each round starts the
// three in turn, in an order that changes every round, and each program's
// start is compared with the floor's start of the same round, so that the
// machine's load, which drifts between rounds, mostly cancels out. Prints
// figures; fails only when a program does not start.
#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/win32/windows_api.h"
#include "tests/e2e/controls.h"

namespace {

// On a busy machine single ratios scatter widely; this many rounds keep the
// median of them within a few percent from one run to the next. A multiple
// of six runs every order of the three equally often.
constexpr size_t kRounds = 42;
constexpr double kGoal = 1.05;
constexpr DWORD kStartLimitMs = 30000;

// Wine marks a program input-idle the first time it waits for messages and
// keeps it so; one that waits before showing its window has started only
// once the window shows.
bool WaitForVisibleWindow(const PROCESS_INFORMATION& process) {
  const ULONGLONG deadline = GetTickCount64() + kStartLimitMs;
  const auto shown = [&](HWND hwnd) {
    return e2e::ProcessOf(hwnd) == process.dwProcessId && e2e::Visible(hwnd);
  };
  while (e2e::FindTopWindow(shown) == nullptr) {
    if (WaitForSingleObject(process.hProcess, 1) != WAIT_TIMEOUT ||
        GetTickCount64() > deadline) {
      return false;
    }
  }
  return true;
}

// One start: the time until the window is up and idle, or nothing when the
// program did not start.
std::optional<double> TimeStart(const std::wstring& exe) {
  std::wstring command = L"\"" + exe + L"\"";
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi{};
  const auto start = std::chrono::steady_clock::now();
  if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0,
                      nullptr, nullptr, &si, &pi)) {
    return std::nullopt;
  }
  e2e::UniqueHandle process(pi.hProcess);
  e2e::UniqueHandle thread(pi.hThread);
  const bool idle = WaitForInputIdle(pi.hProcess, kStartLimitMs) == 0;
  const bool shown = idle && WaitForVisibleWindow(pi);
  const auto ready = std::chrono::steady_clock::now();
  // A program that failed on the way returns at once too: only a running
  // program with its window up counts as started.
  const bool started =
      shown && WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT;
  TerminateProcess(pi.hProcess, 0);
  WaitForSingleObject(pi.hProcess, 10000);
  if (!started) return std::nullopt;
  return std::chrono::duration<double>(ready - start).count();
}

// The q-quantile (0..1) of values, interpolating between neighbours.
double Quantile(std::vector<double> values, double q) {
  std::sort(values.begin(), values.end());
  const double at = q * static_cast<double>(values.size() - 1);
  const auto below = static_cast<size_t>(at);
  if (below + 1 >= values.size()) return values.back();
  const double part = at - static_cast<double>(below);
  return values[below] * (1 - part) + values[below + 1] * part;
}

double Median(const std::vector<double>& values) {
  return Quantile(values, 0.5);
}

// The program that starts at a turn of a round: the order turns by one each
// round and runs backwards every other three rounds, so that no program always
// starts in the wake of the same other one.
size_t ProgramAt(size_t round, size_t turn, size_t count) {
  const size_t first = round % count;
  const bool backwards = (round / count) % 2 == 1;
  return backwards ? (first + count - turn) % count : (first + turn) % count;
}

struct Program {
  const char* name;
  std::wstring exe;
  std::vector<double> seconds;  // one start per round
};

// Each round's start of one program over the floor's start of that round.
std::vector<double> PairedRatios(const Program& program, const Program& floor) {
  std::vector<double> ratios;
  for (size_t round = 0; round < floor.seconds.size(); ++round) {
    ratios.push_back(program.seconds[round] / floor.seconds[round]);
  }
  return ratios;
}

}  // namespace

int main() {
  _setmode(_fileno(stdout), _O_BINARY);
  std::array<Program, 3> programs{{
      {"Quorvel.exe", e2e::QuorvelExe(), {}},
      {"same-controls floor",
       e2e::ToWindowsPath(QUORVEL_SAME_CONTROLS_EXE),
       {}},
      {"empty window", e2e::ToWindowsPath(QUORVEL_MINIMAL_EXE), {}},
  }};
  const Program& quorvel = programs[0];
  const Program& floor = programs[1];
  const Program& empty = programs[2];
  // Round 0 is not timed: its starts pay for loading files into the cache.
  for (size_t round = 0; round <= kRounds; ++round) {
    for (size_t turn = 0; turn < programs.size(); ++turn) {
      Program& program = programs[ProgramAt(round, turn, programs.size())];
      const auto seconds = TimeStart(program.exe);
      if (!seconds) {
        std::printf("startup bench: %s did not start\n", program.name);
        return 1;
      }
      if (round > 0) program.seconds.push_back(*seconds);
    }
  }
  std::printf("startup bench: %zu rounds, the order changed every round\n",
              kRounds);
  for (const Program& program : programs) {
    std::printf("  %-22s median %8.1f ms\n", program.name,
                Median(program.seconds) * 1000);
  }
  auto print_ratios = [](const char* name, const std::vector<double>& ratios) {
    std::printf("  %-22s median paired ratio %.3f (middle half %.3f..%.3f)\n",
                name, Median(ratios), Quantile(ratios, 0.25),
                Quantile(ratios, 0.75));
  };
  const std::vector<double> quorvel_ratios = PairedRatios(quorvel, floor);
  print_ratios("Quorvel.exe / floor", quorvel_ratios);
  print_ratios("empty window / floor", PairedRatios(empty, floor));
  const bool met = Median(quorvel_ratios) <= kGoal;
  std::printf(
      "  goal: Quorvel.exe within %.2f of the same-controls floor: %s\n", kGoal,
      met ? "met" : "not met");
  return 0;
}
