// The open-file dialog Quorvel shows (the common item dialog), worked the way
// a user would: found among the windows of the thread that shows it, names
// typed into its file-name box, folders browsed to, OK or Cancel pressed.
// Works from another process and from a second thread of the process that
// shows it.
#pragma once

#include <optional>
#include <string>

#include "common/win32/windows_api.h"

namespace e2e {

// Equal without regard to case, as Windows compares file names.
bool SameText(const std::wstring& a, const std::wstring& b);

class FileDialog {
 public:
  static constexpr wchar_t kTitle[] = L"Seleccionar ficheros";
  static constexpr int kWaitMs = 30000;

  // The visible dialog of that thread titled kTitle, once it shows.
  static std::optional<FileDialog> Wait(DWORD thread, int timeout_ms = kWaitMs);

  HWND hwnd() const { return hwnd_; }
  // False when the dialog has no file-name box.
  bool Type(const std::wstring& text) const;
  // Posted, not sent: the press may open a box that waits for us.
  void Press(int id) const;
  // Types the text and presses OK.
  bool Confirm(const std::wstring& text) const;
  // Types the text and presses OK, returning once the dialog has handled
  // the press (it may have closed, browsed, or refused the text).
  bool Submit(const std::wstring& text, int timeout_ms = kWaitMs) const;
  // Types the folder and confirms, then waits until the dialog is in it.
  bool Open(const std::wstring& folder, int timeout_ms = kWaitMs) const;
  // Opens a place the dialog's list shows ("My Computer", a folder) with a
  // double click, and waits until the list shows what is in it.
  bool Browse(const std::wstring& shown_name, int timeout_ms = kWaitMs) const;
  // The item dialog does not answer CDM_GETFOLDERPATH: true when its file
  // list shows something and everything it shows is in the folder.
  bool InFolder(const std::wstring& folder) const;
  bool IsOpen() const { return IsWindow(hwnd_) != FALSE; }
  bool WaitClosed(int timeout_ms = kWaitMs) const;

 private:
  explicit FileDialog(HWND hwnd) : hwnd_(hwnd) {}
  static std::optional<FileDialog> Find(DWORD thread);
  // The edit that takes typed names.
  HWND NameBox() const;
  // The shell view's list of the folder's items.
  HWND FileList() const;
  HWND hwnd_;
};

}  // namespace e2e
