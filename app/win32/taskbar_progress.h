// The progress of a run on the window's taskbar button (ITaskbarList3). The
// button can only be drawn on once Explorer has said it exists, with the
// registered message "TaskbarButtonCreated"; it says so again after it
// restarts, and the current progress is shown anew each time. Where no such
// message comes (no taskbar), nothing is called.
#pragma once

#include "common/win32/windows_api.h"
// The shell's headers need windows.h before them.
#include <shobjidl.h>

#include <optional>

#include "common/com_ptr.h"
#include "common/controls.h"
#include "common/win32/com_apartment.h"

namespace quorvel::app::win32 {

class TaskbarProgress {
 public:
  // Lets Explorer's message through to the window, which runs elevated.
  explicit TaskbarProgress(HWND window);
  TaskbarProgress(const TaskbarProgress&) = delete;
  TaskbarProgress& operator=(const TaskbarProgress&) = delete;
  ~TaskbarProgress();

  UINT ButtonCreatedMessage() const { return button_created_; }
  // On the window's thread: the button is there (again).
  void OnButtonCreated();
  void Show(const Progress& progress);

 private:
  void Apply(bool again);

  HWND window_;
  UINT button_created_;
  Progress wanted_;
  Progress shown_;
  std::optional<com::Apartment> apartment_;
  com::ComPtr<ITaskbarList3> taskbar_;
};

}  // namespace quorvel::app::win32
