#include "app/win32/win32_controls.h"

#include <vector>

#include "app/frm_adjuntar.h"
#include "common/win32/message_queue.h"
#include "common/win32/wide.h"

namespace quorvel::app::win32 {

Text WindowText(HWND window) {
  const int length = GetWindowTextLengthW(window);
  if (length <= 0) return {};
  std::vector<wchar_t> buffer(static_cast<std::size_t>(length) + 1);
  const int copied = GetWindowTextW(window, buffer.data(), length + 1);
  return FromWide(buffer.data(),
                  static_cast<std::size_t>(copied > 0 ? copied : 0));
}

int16_t ShiftMask(bool shift, bool control, bool alt) {
  return static_cast<int16_t>((shift ? 1 : 0) | (control ? 2 : 0) |
                              (alt ? 4 : 0));
}

void Win32Button::SetEnabled(bool enabled) {
  EnableWindow(button_, enabled ? TRUE : FALSE);
}

void Win32ComboBox::SetEnabled(bool enabled) {
  EnableWindow(combo_, enabled ? TRUE : FALSE);
}

void Win32ComboBox::AddItem(const Text& item) {
  SendMessageW(combo_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(item)));
}

int32_t Win32ComboBox::ListCount() const {
  const LRESULT count = SendMessageW(combo_, CB_GETCOUNT, 0, 0);
  return count == CB_ERR ? 0 : static_cast<int32_t>(count);
}

bool Win32ComboBox::SetListIndex(int32_t index) {
  if (index < 0 || index >= ListCount()) return false;
  if (SendMessageW(combo_, CB_SETCURSEL, static_cast<WPARAM>(index), 0) ==
      CB_ERR) {
    return false;
  }
  // CB_SETCURSEL notifies nobody; the form must see this choice as a click.
  SendMessageW(GetParent(combo_), WM_COMMAND,
               MAKEWPARAM(GetDlgCtrlID(combo_), CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(combo_));
  return true;
}

Text Win32ComboBox::CurrentText() const {
  const LRESULT index = SendMessageW(combo_, CB_GETCURSEL, 0, 0);
  if (index == CB_ERR) return {};
  const LRESULT length =
      SendMessageW(combo_, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length == CB_ERR || length <= 0) return {};
  std::vector<wchar_t> buffer(static_cast<std::size_t>(length) + 1);
  const LRESULT copied =
      SendMessageW(combo_, CB_GETLBTEXT, static_cast<WPARAM>(index),
                   reinterpret_cast<LPARAM>(buffer.data()));
  if (copied == CB_ERR || copied < 0) return {};
  return FromWide(buffer.data(), static_cast<std::size_t>(copied));
}

void Win32Label::SetCaption(const Text& caption) {
  SetWindowTextW(label_, Wide(caption));
}

namespace {

HCURSOR ArrowCursor() { return LoadCursorW(nullptr, IDC_ARROW); }

// A thread that never set a cursor has none to go back to: the arrow then.
void RestoreCursor(HCURSOR cursor) {
  SetCursor(cursor != nullptr ? cursor : ArrowCursor());
}

}  // namespace

HCURSOR WaitCursor() { return LoadCursorW(nullptr, IDC_WAIT); }

void Win32Window::SetTitle(const Text& title) {
  SetWindowTextW(window_, Wide(title));
}

void Win32Window::SetBusy(bool busy) {
  if (busy == busy_) return;
  busy_ = busy;
  if (busy) {
    before_busy_ = SetCursor(WaitCursor());
  } else {
    DropQueuedInput();
    RestoreCursor(before_busy_);
  }
}

MessageAnswer Win32MessageBoxes::Show(const Text& text, MessageStyle style) {
  if (window_ != nullptr && window_->Busy()) DropQueuedInput();
  const HCURSOR before = SetCursor(ArrowCursor());
  showing_ = true;
  const int answer = MessageBoxW(owner_, Wide(text), Wide(kApplicationTitle),
                                 static_cast<UINT>(style));
  showing_ = false;
  RestoreCursor(before);
  if (style == MessageStyle::kYesNoQuestion) {
    // A box that could not be shown removes nothing: treat it as No.
    return answer == IDYES ? MessageAnswer::kYes : MessageAnswer::kNo;
  }
  return MessageAnswer::kOk;
}

}  // namespace quorvel::app::win32
