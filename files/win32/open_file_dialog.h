// The system's open-file dialog (explorer style) behind the dialog host.
#pragma once

#include <windows.h>

#include <cstdint>

#include "files/file_dialog.h"

namespace quorvel {

// Description of the cancel error, as the dialog host has always worded it.
inline constexpr char16_t kDialogCancelledText[] = u"Cancel was selected.";

// "desc|pattern|desc|pattern" in the dialog's form: each piece followed by a
// NUL and the list by one more. An unpaired last description is dropped, and
// an empty setting gives the empty text (no filter at all).
Text DialogFilterList(const Text& filter);

// The names the dialog wrote into its buffer, as the file selection reads
// them: one full path, or the folder and each name separated by single NULs,
// nothing after the last. Never reads past `size` characters.
Text ResultTextFromBuffer(const char16_t* buffer, std::size_t size);

// Readable text for a CommDlgExtendedError code.
Text DialogErrorText(uint32_t code);

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
  void SetMaxFileSize(int32_t size) override { max_file_size_ = size; }
  // The buffer starts at the max file size and grows while the dialog is
  // open, so a selection is never refused for its size.
  PendingError ShowOpen() override;
  Text FileName() const override { return file_name_; }

  // Characters the result buffer held when the dialog closed (for tests).
  std::size_t LastBufferSize() const { return last_buffer_size_; }

 private:
  HWND owner_ = nullptr;
  Text title_;
  bool cancel_error_ = false;
  Text filter_;
  int32_t filter_index_ = 0;
  uint32_t flags_ = 0;
  int32_t max_file_size_ = 260;
  Text file_name_;
  std::size_t last_buffer_size_ = 0;
};

}  // namespace quorvel
