#include "connection/win32/com_worker.h"

#include <chrono>
#include <system_error>
#include <utility>

#include "common/win32/com_apartment.h"
#include "common/win32/message_queue.h"

namespace quorvel::connection::win32 {
namespace {

// How often at most the waiting window takes its messages: a screen shows
// no more frames than this, and a run of quick calls must not paint each.
constexpr uint64_t kFrameMs = 16;
// How long each side spins for the other before it sleeps. Waking a
// sleeping thread costs more than most ADO property calls take, and a run
// hands over one call after another.
constexpr auto kCallerSpin = std::chrono::microseconds(50);
constexpr auto kWorkerSpin = std::chrono::milliseconds(2);

// True once flag holds, false when the time is up first.
template <typename Duration>
bool SpinUntil(const std::atomic<bool>& flag, Duration limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  for (unsigned turn = 1;; ++turn) {
    if (flag.load()) return true;
    if (turn % 64 == 0) {
      if (std::chrono::steady_clock::now() >= end) return flag.load();
      SwitchToThread();
    } else {
      YieldProcessor();
    }
  }
}

bool SeveralProcessors() {
  SYSTEM_INFO info{};
  GetSystemInfo(&info);
  return info.dwNumberOfProcessors > 1;
}

}  // namespace

ComWorker::ComWorker() : spin_(SeveralProcessors()) {}

ComWorker::~ComWorker() {
  if (thread_.joinable()) {
    stopping_.store(true);
    Run([] {});
    thread_.join();
  }
}

HRESULT ComWorker::Start() {
  if (started_ != S_FALSE) return started_;
  wake_worker_.Reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  wake_caller_.Reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  if (!wake_worker_ || !wake_caller_) {
    return started_ = HRESULT_FROM_WIN32(GetLastError());
  }
  HRESULT joined = E_UNEXPECTED;
  try {
    thread_ = std::thread([this, &joined] {
      // The apartment lasts as long as the thread.
      const com::Apartment apartment;
      joined = apartment.Failure();
      Main();
    });
  } catch (const std::system_error&) {
    return started_ = E_OUTOFMEMORY;
  }
  // The first call comes back once the apartment has been joined.
  Run([] {});
  return started_ = joined;
}

void ComWorker::Hand(Task task) {
  task_ = task;
  task_done_.store(false);
  task_ready_.store(true);
  if (worker_asleep_.load()) SetEvent(wake_worker_.get());
  WaitUntilDone();
}

void ComWorker::WaitUntilDone() {
  if (spin_ && SpinUntil(task_done_, kCallerSpin)) {
    PumpIfFrameDue();
    return;
  }
  WaitAsleep();
}

// A call that takes long: the window takes no input, as under a modal box,
// and keeps painting, moving and answering other programs.
void ComWorker::WaitAsleep() {
  const bool block_input =
      owner_ != nullptr && IsWindow(owner_) && IsWindowEnabled(owner_);
  const HWND focus = GetFocus();
  if (block_input) EnableWindow(owner_, FALSE);
  caller_asleep_.store(true);
  while (!task_done_.load()) {
    const uint64_t since = GetTickCount64() - last_pump_ms_;
    if (quit_code_ || since < kFrameMs) {
      WaitForSingleObject(
          wake_caller_.get(),
          quit_code_ ? INFINITE : static_cast<DWORD>(kFrameMs - since));
      continue;
    }
    const HANDLE wake = wake_caller_.get();
    if (MsgWaitForMultipleObjectsEx(1, &wake, INFINITE, QS_ALLINPUT,
                                    MWMO_INPUTAVAILABLE) == WAIT_OBJECT_0 + 1) {
      Pump();
    }
  }
  caller_asleep_.store(false);
  DropQueuedInput();
  if (block_input && IsWindow(owner_)) {
    EnableWindow(owner_, TRUE);
    if (GetFocus() == nullptr && GetActiveWindow() == owner_ &&
        IsWindow(focus)) {
      SetFocus(focus);
    }
  }
  if (quit_code_) PostQuitMessage(*std::exchange(quit_code_, std::nullopt));
}

void ComWorker::PumpIfFrameDue() {
  if (GetTickCount64() - last_pump_ms_ < kFrameMs) return;
  Pump();
  if (quit_code_) PostQuitMessage(*std::exchange(quit_code_, std::nullopt));
}

void ComWorker::Pump() {
  DispatchAllButInput(quit_code_);
  last_pump_ms_ = GetTickCount64();
}

void ComWorker::Main() {
  Task task;
  for (;;) {
    TakeTask(task);
    task.invoke(task.call);
    const bool stop = stopping_.load();
    task_done_.store(true);
    if (caller_asleep_.load()) SetEvent(wake_caller_.get());
    if (stop) return;
  }
}

// Waits for the next call, taking the apartment's own messages while it
// sleeps.
void ComWorker::TakeTask(Task& task) {
  if (!spin_ || !SpinUntil(task_ready_, kWorkerSpin)) {
    worker_asleep_.store(true);
    while (!task_ready_.load()) {
      const HANDLE wake = wake_worker_.get();
      MsgWaitForMultipleObjectsEx(1, &wake, INFINITE, QS_ALLINPUT,
                                  MWMO_INPUTAVAILABLE);
      MSG message;
      while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageW(&message);
      }
    }
    worker_asleep_.store(false);
  }
  task_ready_.store(false);
  task = task_;
}

}  // namespace quorvel::connection::win32
