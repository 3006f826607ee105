// The window's controls as the form logic sees them. The Win32 view implements
// these over real controls; the unit tests implement them in memory.
#pragma once

#include <cstdint>

#include "common/text.h"

namespace quorvel {

class EnabledFlag {
 public:
  virtual ~EnabledFlag() = default;
  virtual void SetEnabled(bool enabled) = 0;
};

class Button : public EnabledFlag {};

// Unsorted drop-down list: entries stay in the order they were added.
class ComboBox : public EnabledFlag {
 public:
  virtual void AddItem(const Text& item) = 0;
  virtual int32_t ListCount() const = 0;
  // Selects an entry and raises the control's click, exactly as a choice made
  // by the user would. Returns false, selecting nothing, for a missing entry.
  virtual bool SetListIndex(int32_t index) = 0;
  // Text of the selected entry; empty when nothing is selected.
  virtual Text CurrentText() const = 0;
};

class Label {
 public:
  virtual ~Label() = default;
  virtual void SetCaption(const Text& caption) = 0;
};

// What the window's taskbar button shows of a long piece of work.
enum class ProgressState { kNone, kNormal, kError };

struct Progress {
  ProgressState state = ProgressState::kNone;
  int32_t done = 0;
  int32_t total = 0;

  bool operator==(const Progress&) const = default;
};

// The form's own window.
class FormWindow {
 public:
  virtual ~FormWindow() = default;
  virtual void SetTitle(const Text& title) = 0;
  // A busy window shows the wait cursor and takes no input while a call to
  // the server is under way; input made meanwhile is dropped.
  virtual void SetBusy(bool busy) = 0;
  virtual void ShowProgress(const Progress& progress) = 0;
};

// The window is busy for the life of this object.
class BusyWindow {
 public:
  explicit BusyWindow(FormWindow& window) : window_(window) {
    window_.SetBusy(true);
  }
  ~BusyWindow() { window_.SetBusy(false); }
  BusyWindow(const BusyWindow&) = delete;
  BusyWindow& operator=(const BusyWindow&) = delete;

 private:
  FormWindow& window_;
};

// Windows message-box styles the program uses.
enum class MessageStyle : int32_t {
  kOkOnly = 0,          // OK button, no icon
  kYesNoQuestion = 36,  // Yes and No, question icon, Yes the default
};

enum class MessageAnswer : int32_t { kOk = 1, kYes = 6, kNo = 7 };

// Modal message boxes captioned with the application title.
class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  virtual MessageAnswer Show(const Text& text, MessageStyle style) = 0;
};

}  // namespace quorvel
