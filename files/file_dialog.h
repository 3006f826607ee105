// The open-file dialog host, configured and shown by the file selection.
#pragma once

#include <cstdint>

#include "common/text.h"

namespace quorvel::files {

// Error number a cancelled dialog raises when cancel is set to raise one.
inline constexpr int32_t kDialogCancelled = 32755;

class FileDialog {
 public:
  virtual ~FileDialog() = default;
  virtual void SetDialogTitle(const Text& title) = 0;
  virtual void SetCancelError(bool raise_error) = 0;
  // Description and pattern pairs separated by '|'.
  virtual void SetFilter(const Text& filter) = 0;
  virtual void SetFilterIndex(int32_t index) = 0;
  virtual void SetFlags(uint32_t flags) = 0;
  // The room the host sets aside for the result, in characters; a dialog
  // that keeps no result buffer of its own may pass over it.
  virtual void SetMaxFileSize(int32_t size) = 0;
  // Shows the dialog modally. A cancel or a failure comes back as an error.
  virtual PendingError ShowOpen() = 0;
  // One full path, or the folder and each name separated by single NULs.
  virtual Text FileName() const = 0;
};

}  // namespace quorvel::files
