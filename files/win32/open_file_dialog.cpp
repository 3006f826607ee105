// The open-file dialog over GetOpenFileNameW, with a result buffer that grows
// to hold every chosen name.
#include "files/win32/open_file_dialog.h"

#include "common/win32/wide.h"
#include "files/file_selection.h"

#include <cderr.h>
#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <optional>
#include <utility>
#include <vector>

namespace quorvel {

Text DialogFilterList(const Text& filter) {
  if (filter.empty()) {
    return Text();
  }
  std::vector<Text> pieces = files::SplitText(filter, u'|');
  // A description without its pattern would make the dialog misread the
  // list's end.
  if (pieces.size() % 2 != 0) {
    pieces.pop_back();
  }
  Text list;
  for (const Text& piece : pieces) {
    list += piece;
    list += u'\0';
  }
  if (!list.empty()) {
    list += u'\0';
  }
  return list;
}

Text ResultTextFromBuffer(const char16_t* buffer, std::size_t size) {
  Text result;
  if (buffer == nullptr) {
    return result;
  }
  std::size_t start = 0;
  while (start < size && buffer[start] != u'\0') {
    std::size_t end = start;
    while (end < size && buffer[end] != u'\0') {
      ++end;
    }
    if (!result.empty()) {
      result += u'\0';
    }
    result.append(buffer + start, end - start);
    start = end + 1;
  }
  return result;
}

Text DialogErrorText(uint32_t code) {
  switch (code) {
    case CDERR_DIALOGFAILURE:
      return u"The open-file dialog could not be created.";
    case CDERR_STRUCTSIZE:
      return u"The open-file dialog was given settings of the wrong size.";
    case CDERR_INITIALIZATION:
      return u"The open-file dialog failed while starting.";
    case CDERR_NOTEMPLATE:
    case CDERR_NOHINSTANCE:
    case CDERR_FINDRESFAILURE:
    case CDERR_LOADRESFAILURE:
    case CDERR_LOCKRESFAILURE:
      return u"The open-file dialog could not load its layout.";
    case CDERR_LOADSTRFAILURE:
      return u"The open-file dialog could not load one of its texts.";
    case CDERR_MEMALLOCFAILURE:
    case CDERR_MEMLOCKFAILURE:
      return u"Not enough memory for the open-file dialog.";
    case CDERR_NOHOOK:
    case CDERR_REGISTERMSGFAIL:
      return u"The open-file dialog could not be prepared.";
    case FNERR_SUBCLASSFAILURE:
      return u"The open-file dialog could not watch its file list.";
    case FNERR_INVALIDFILENAME:
      return u"A file name typed in the open-file dialog is not valid.";
    case FNERR_BUFFERTOOSMALL:
      return u"The chosen file names do not fit in the result buffer.";
    default:
      break;
  }
  char digits[16];
  std::snprintf(digits, sizeof digits, "%04X", static_cast<unsigned>(code));
  Text text = u"The open-file dialog failed (code 0x";
  for (const char* c = digits; *c != '\0'; ++c) {
    text += static_cast<char16_t>(*c);
  }
  text += u").";
  return text;
}

namespace {

constexpr UINT_PTR kSubclassId = 1;

// Beyond the lengths the dialog reports: the NUL after the folder, the NUL
// that ends the list, and a full path typed in the name box.
constexpr std::size_t kSlack = MAX_PATH + 2;

PendingError Failure(uint32_t code) {
  return PendingError{static_cast<int32_t>(code), DialogErrorText(code)};
}

// The dialog's result buffer. Every buffer handed to the dialog stays alive
// until GetOpenFileNameW returns, in case the dialog kept an old pointer.
class GrowingBuffer {
 public:
  GrowingBuffer(OPENFILENAMEW& ofn, std::size_t initial)
      : ofn_(ofn), chars_(initial, L'\0') {
    Publish();
  }

  // Makes room for the folder and everything in the name box. False when
  // memory ran out; the buffer then keeps its size.
  bool Fit(HWND dialog) noexcept {
    const LRESULT folder = SendMessageW(dialog, CDM_GETFOLDERPATH, 0, 0);
    const LRESULT names = SendMessageW(dialog, CDM_GETSPEC, 0, 0);
    const std::size_t needed =
        static_cast<std::size_t>(std::max<LRESULT>(folder, 0)) +
        static_cast<std::size_t>(std::max<LRESULT>(names, 0)) + kSlack;
    if (needed <= chars_.size()) {
      return true;
    }
    // Half again as much, so a selection growing item by item does not
    // reallocate at every step.
    const std::size_t limit = MAXDWORD;
    const std::size_t grown = std::min(needed + needed / 2, limit);
    try {
      std::vector<wchar_t> bigger(grown, L'\0');
      std::copy(chars_.begin(), chars_.end(), bigger.begin());
      retired_.push_back(std::move(chars_));
      chars_ = std::move(bigger);
    } catch (const std::exception&) {
      out_of_memory_ = true;
      return false;
    }
    Publish();
    return true;
  }

  bool OutOfMemory() const { return out_of_memory_; }

 private:
  void Publish() {
    ofn_.lpstrFile = chars_.data();
    ofn_.nMaxFile = static_cast<DWORD>(chars_.size());
  }

  OPENFILENAMEW& ofn_;
  std::vector<wchar_t> chars_;
  std::vector<std::vector<wchar_t>> retired_;
  bool out_of_memory_ = false;
};

// Sits on the dialog window itself: every way of confirming (the button,
// Enter, a double click) arrives here as IDOK before the dialog copies the
// names, so the buffer is the right size whatever the user typed.
LRESULT CALLBACK ConfirmWatch(HWND dialog, UINT message, WPARAM wparam,
                              LPARAM lparam, UINT_PTR id, DWORD_PTR data) {
  auto* buffer = reinterpret_cast<GrowingBuffer*>(data);
  if (message == WM_COMMAND && LOWORD(wparam) == IDOK) {
    if (!buffer->Fit(dialog)) {
      // Copying into a buffer that is too small would lose the names (or
      // worse); close as cancelled and report the memory failure instead.
      PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
      return 0;
    }
  } else if (message == WM_NCDESTROY) {
    RemoveWindowSubclass(dialog, ConfirmWatch, id);
  }
  return DefSubclassProc(dialog, message, wparam, lparam);
}

UINT_PTR CALLBACK GrowingHook(HWND hook, UINT message, WPARAM /*wparam*/,
                              LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    const auto* ofn = reinterpret_cast<const OPENFILENAMEW*>(lparam);
    auto* buffer = reinterpret_cast<GrowingBuffer*>(ofn->lCustData);
    SetWindowLongPtrW(hook, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(buffer));
    SetWindowSubclass(GetParent(hook), ConfirmWatch, kSubclassId,
                      reinterpret_cast<DWORD_PTR>(buffer));
    return TRUE;
  }
  if (message == WM_NOTIFY) {
    const auto* header = reinterpret_cast<const NMHDR*>(lparam);
    if (header->code == CDN_SELCHANGE || header->code == CDN_FILEOK) {
      auto* buffer = reinterpret_cast<GrowingBuffer*>(
          GetWindowLongPtrW(hook, GWLP_USERDATA));
      if (buffer != nullptr) {
        buffer->Fit(GetParent(hook));
      }
    }
  }
  return 0;
}

}  // namespace

PendingError OpenFileDialog::ShowOpen() {
  file_name_.clear();
  last_buffer_size_ = 0;
  if (owner_ != nullptr && !IsWindow(owner_)) {
    return Failure(CDERR_DIALOGFAILURE);
  }

  const Text filter = DialogFilterList(filter_);
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner_;
  ofn.lpstrFilter = filter.empty() ? nullptr : Wide(filter);
  // Index 0 would ask for a custom filter we never give: the first entry.
  ofn.nFilterIndex = filter_index_ > 0 ? static_cast<DWORD>(filter_index_) : 1;
  ofn.lpstrTitle = title_.empty() ? nullptr : Wide(title_);
  // We bring no template, so the flags that ask for one are not passed on.
  ofn.Flags =
      flags_ & ~static_cast<DWORD>(OFN_ENABLETEMPLATE |
                                   OFN_ENABLETEMPLATEHANDLE | OFN_ENABLEHOOK);

  std::optional<GrowingBuffer> buffer;
  try {
    buffer.emplace(ofn, static_cast<std::size_t>(std::max(max_file_size_, 2)));
  } catch (const std::exception&) {
    return Failure(CDERR_MEMALLOCFAILURE);
  }
  // The hook works on explorer-style dialogs only; it also makes the dialog
  // lose its sizing border unless asked for explicitly.
  if ((ofn.Flags & OFN_EXPLORER) != 0) {
    ofn.Flags |= OFN_ENABLEHOOK | OFN_ENABLESIZING;
    ofn.lpfnHook = GrowingHook;
    ofn.lCustData = reinterpret_cast<LPARAM>(&*buffer);
  }

  const BOOL chosen = GetOpenFileNameW(&ofn);
  const DWORD code = chosen ? 0 : CommDlgExtendedError();
  last_buffer_size_ = ofn.nMaxFile;
  if (!chosen) {
    if (buffer->OutOfMemory()) {
      return Failure(CDERR_MEMALLOCFAILURE);
    }
    if (code != 0) {
      return Failure(code);
    }
    if (cancel_error_) {
      return PendingError{kDialogCancelled, kDialogCancelledText};
    }
    return PendingError{};
  }

  const auto* result = reinterpret_cast<const char16_t*>(ofn.lpstrFile);
  if ((ofn.Flags & OFN_ALLOWMULTISELECT) != 0) {
    file_name_ = ResultTextFromBuffer(result, ofn.nMaxFile);
  } else {
    // Only the first piece is written; what follows is not ours to read.
    file_name_ = ResultTextFromBuffer(result, ofn.nMaxFile);
    file_name_.resize(std::min(file_name_.size(), file_name_.find(u'\0')));
  }
  return PendingError{};
}

}  // namespace quorvel
