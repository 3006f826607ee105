// A thread of the ADO client's own, in a single-threaded apartment of its
// own: every ADO object is created, called and released there. The window's
// thread hands it one call at a time and, while the call is under way,
// keeps taking and dispatching its messages, with the window taking no
// input, so that a call of many seconds never makes the window hang.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <thread>

#include "common/win32/handles.h"
#include "common/win32/windows_api.h"

namespace quorvel::connection::win32 {

class ComWorker {
 public:
  ComWorker();
  // Ends the thread once its last call has run; it leaves its apartment.
  ~ComWorker();
  ComWorker(const ComWorker&) = delete;
  ComWorker& operator=(const ComWorker&) = delete;

  // The window that takes no input while the caller waits.
  void SetOwner(HWND owner) { owner_ = owner; }

  // Starts the thread and its apartment the first time it is asked. Returns
  // the failure that keeps COM out of reach there, else S_OK.
  HRESULT Start();
  bool Running() const { return thread_.joinable(); }

  // Runs call() on the worker and returns once it has run. Nothing of the
  // call may be touched on another thread meanwhile.
  template <typename Call>
  void Run(Call&& call) {
    Hand({&Invoke<Call>, &call});
  }

 private:
  struct Task {
    void (*invoke)(void*) = nullptr;
    void* call = nullptr;
  };
  template <typename Call>
  static void Invoke(void* call) {
    (*static_cast<Call*>(call))();
  }

  void Hand(Task task);
  void WaitUntilDone();
  void WaitAsleep();
  void PumpIfFrameDue();
  void Pump();
  void Main();
  void TakeTask(Task& task);

  HWND owner_ = nullptr;
  std::thread thread_;
  HRESULT started_ = S_FALSE;  // S_FALSE: not asked yet

  // One call at a time goes over; either side spins a moment before it
  // sleeps, and the other wakes it only when it sleeps.
  std::atomic<bool> task_ready_{false};
  std::atomic<bool> task_done_{false};
  std::atomic<bool> worker_asleep_{false};
  std::atomic<bool> caller_asleep_{false};
  std::atomic<bool> stopping_{false};
  Task task_;
  UniqueHandle wake_worker_;
  UniqueHandle wake_caller_;
  bool spin_ = true;  // false on a single processor, where spinning waits

  // When the caller last took its messages, in milliseconds, and a WM_QUIT
  // taken meanwhile, posted again once the call is back.
  uint64_t last_pump_ms_ = 0;
  std::optional<int> quit_code_;
};

}  // namespace quorvel::connection::win32
