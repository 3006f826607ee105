// The form's controls over real Win32 windows.
#pragma once

#include <cstdint>

#include "app/win32/taskbar_progress.h"
#include "common/controls.h"
#include "common/win32/windows_api.h"

namespace quorvel::app::win32 {

Text WindowText(HWND window);

// The VB-style shift mask (1 Shift, 2 Ctrl, 4 Alt) from the key states.
int16_t ShiftMask(bool shift, bool control, bool alt);

class Win32Button final : public Button {
 public:
  explicit Win32Button(HWND button) : button_(button) {}
  void SetEnabled(bool enabled) override;

 private:
  HWND button_;
};

// A drop-down list combo whose selection changes reach the form through the
// parent's CBN_SELCHANGE, whoever makes them.
class Win32ComboBox final : public ComboBox {
 public:
  explicit Win32ComboBox(HWND combo) : combo_(combo) {}
  void SetEnabled(bool enabled) override;
  void AddItem(const Text& item) override;
  int32_t ListCount() const override;
  bool SetListIndex(int32_t index) override;
  Text CurrentText() const override;

 private:
  HWND combo_;
};

class Win32Label final : public Label {
 public:
  explicit Win32Label(HWND label) : label_(label) {}
  void SetCaption(const Text& caption) override;

 private:
  HWND label_;
};

class Win32Window final : public FormWindow {
 public:
  explicit Win32Window(HWND window) : window_(window), taskbar_(window) {}
  void SetTitle(const Text& title) override;
  // The wait cursor now, and the cursor from before afterwards. A busy window
  // takes no input: what was made meanwhile is dropped when it ends.
  void SetBusy(bool busy) override;
  bool Busy() const { return busy_; }
  void ShowProgress(const Progress& progress) override {
    taskbar_.Show(progress);
  }
  TaskbarProgress& Taskbar() { return taskbar_; }

 private:
  HWND window_;
  bool busy_ = false;
  HCURSOR before_busy_ = nullptr;
  TaskbarProgress taskbar_;
};

// The system's wait cursor.
HCURSOR WaitCursor();

// Message boxes owned by the main window, captioned with the application
// title. A box waits for the user, so it shows the arrow even while the
// window is busy, and the cursor from before comes back after it.
class Win32MessageBoxes final : public MessageBoxes {
 public:
  // A box that comes while the window is busy, in a run, first drops the
  // input made meanwhile, which would otherwise answer it.
  explicit Win32MessageBoxes(HWND owner, const Win32Window* window = nullptr)
      : owner_(owner), window_(window) {}
  MessageAnswer Show(const Text& text, MessageStyle style) override;
  bool Showing() const { return showing_; }

 private:
  HWND owner_;
  const Win32Window* window_;
  bool showing_ = false;
};

}  // namespace quorvel::app::win32
