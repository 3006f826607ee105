// The system's open-file dialog (the common item dialog) behind the dialog
// host.
#pragma once

#include <cstdint>

#include "common/win32/windows_api.h"
#include "files/file_dialog.h"

namespace quorvel::files::win32 {

// Description of the cancel error, as the dialog host has always worded it.
inline constexpr char16_t kDialogCancelledText[] = u"Cancel was selected.";

class OpenFileDialog final : public FileDialog {
 public:
  // The window that owns the dialog while it is shown.
  void SetOwner(HWND owner) { owner_ = owner; }

  void SetDialogTitle(const Text& title) override { title_ = title; }
  void SetCancelError(bool raise_error) override {
    cancel_error_ = raise_error;
  }
  void SetFilter(const Text& filter) override { filter_ = filter; }
  void SetFilterIndex(int32_t index) override { filter_index_ = index; }
  void SetFlags(uint32_t flags) override { flags_ = flags; }
  // Accepted and unused: the item dialog hands its items over one by one
  // and has no result buffer, so no selection is too big for it.
  void SetMaxFileSize(int32_t /*size*/) override {}
  // Joins the thread's COM apartment while the dialog is up.
  PendingError ShowOpen() override;
  Text FileName() const override { return file_name_; }

 private:
  HWND owner_ = nullptr;
  Text title_;
  bool cancel_error_ = false;
  Text filter_;
  int32_t filter_index_ = 0;
  uint32_t flags_ = 0;
  Text file_name_;
};

}  // namespace quorvel::files::win32
