// The open-file dialog over the common item dialog (IFileOpenDialog). It
// hands the chosen items over one by one, so a selection of any size comes
// back whole without a result buffer to grow.
#include "files/win32/open_file_dialog.h"

// The shell's headers need the base types from windows.h, included above.
#include <commdlg.h>
#include <shobjidl.h>

#include <cwchar>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "common/com_ptr.h"
#include "common/win32/com_apartment.h"
#include "common/win32/error_text.h"
#include "common/win32/wide.h"
#include "files/item_dialog.h"

namespace quorvel::files::win32 {
namespace {

using com::ComPtr;

struct CoTaskMemFreer {
  void operator()(wchar_t* text) const { CoTaskMemFree(text); }
};
using CoTaskText = std::unique_ptr<wchar_t, CoTaskMemFreer>;

// Nothing when the item has no file-system path (a virtual folder such as
// "This PC") or it cannot be read.
std::optional<Text> FileSystemPath(IShellItem* item) {
  if (item == nullptr) return std::nullopt;
  PWSTR name = nullptr;
  const HRESULT result = item->GetDisplayName(SIGDN_FILESYSPATH, &name);
  const CoTaskText owned(name);
  if (FAILED(result) || !owned) return std::nullopt;
  return FromWide(owned.get(), std::wcslen(owned.get()));
}

// From the dialog's defaults, which ask typed names to exist: what the
// open-file flags ask for, file-system items only, and the current folder
// left alone.
FILEOPENDIALOGOPTIONS ItemDialogOptions(FILEOPENDIALOGOPTIONS defaults,
                                        uint32_t flags) {
  FILEOPENDIALOGOPTIONS options =
      (defaults & ~(FOS_FILEMUSTEXIST | FOS_PATHMUSTEXIST)) |
      FOS_FORCEFILESYSTEM | FOS_NOCHANGEDIR;
  if ((flags & OFN_ALLOWMULTISELECT) != 0) options |= FOS_ALLOWMULTISELECT;
  if ((flags & OFN_FILEMUSTEXIST) != 0) options |= FOS_FILEMUSTEXIST;
  if ((flags & OFN_PATHMUSTEXIST) != 0) options |= FOS_PATHMUSTEXIST;
  return options;
}

// The confirmed dialog's items, in its order (the order they were typed
// in), and its folder, each read from the shell when asked.
class ShellChosenItems final : public files::ChosenItems {
 public:
  ShellChosenItems(IFileOpenDialog& dialog, IShellItemArray& items, DWORD count)
      : dialog_(dialog), items_(items), count_(count) {}

  std::size_t Count() const override { return count_; }

  std::optional<Text> ItemPath(std::size_t index) const override {
    ComPtr<IShellItem> item;
    if (FAILED(items_.GetItemAt(static_cast<DWORD>(index), &item))) {
      return std::nullopt;
    }
    return FileSystemPath(item.Get());
  }

  std::optional<Text> FolderPath() const override {
    ComPtr<IShellItem> folder;
    if (FAILED(dialog_.GetFolder(&folder))) return std::nullopt;
    return FileSystemPath(folder.Get());
  }

 private:
  IFileOpenDialog& dialog_;
  IShellItemArray& items_;
  DWORD count_;
};

HRESULT ReadResultText(IFileOpenDialog& dialog, Text& text) {
  ComPtr<IShellItemArray> items;
  HRESULT result = dialog.GetResults(&items);
  if (FAILED(result)) return result;
  if (!items) return E_POINTER;
  DWORD count = 0;
  result = items->GetCount(&count);
  if (FAILED(result)) return result;
  std::optional<Text> chosen =
      files::ResultText(ShellChosenItems(dialog, *items.Get(), count));
  // Confirmed without an item that has a path is no selection.
  if (!chosen) return E_UNEXPECTED;
  text = std::move(*chosen);
  return S_OK;
}

HRESULT Configure(IFileOpenDialog& dialog, const Text& title,
                  const Text& filter, int32_t filter_index, uint32_t flags) {
  FILEOPENDIALOGOPTIONS defaults = 0;
  HRESULT result = dialog.GetOptions(&defaults);
  if (SUCCEEDED(result)) {
    result = dialog.SetOptions(ItemDialogOptions(defaults, flags));
  }
  if (SUCCEEDED(result) && !title.empty()) {
    result = dialog.SetTitle(Wide(title));
  }
  const std::vector<std::pair<Text, Text>> pairs = files::FilterPairs(filter);
  if (SUCCEEDED(result) && !pairs.empty()) {
    std::vector<COMDLG_FILTERSPEC> specs;
    for (const auto& [description, pattern] : pairs) {
      specs.push_back({Wide(description), Wide(pattern)});
    }
    result = dialog.SetFileTypes(static_cast<UINT>(specs.size()), specs.data());
  }
  // Counted from 1; the index 0 that the form sets means the first.
  if (SUCCEEDED(result) && !pairs.empty()) {
    result = dialog.SetFileTypeIndex(
        filter_index > 0 ? static_cast<UINT>(filter_index) : 1);
  }
  return result;
}

PendingError Failure(HRESULT result) {
  return PendingError{static_cast<int32_t>(result), com::ErrorText(result)};
}

}  // namespace

PendingError OpenFileDialog::ShowOpen() {
  file_name_.clear();
  // The dialog would show unowned, and the window it was meant to block
  // would take input under it.
  if (owner_ != nullptr && !IsWindow(owner_)) {
    return Failure(HRESULT_FROM_WIN32(ERROR_INVALID_WINDOW_HANDLE));
  }
  // The item dialog needs an apartment on the thread that shows it. Declared
  // first, so the dialog is released before the apartment goes.
  const com::Apartment apartment;
  HRESULT result = apartment.Failure();
  ComPtr<IFileOpenDialog> dialog;
  if (SUCCEEDED(result)) {
    result =
        CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER,
                         IID_IFileOpenDialog, &dialog);
  }
  if (SUCCEEDED(result) && !dialog) result = E_POINTER;
  if (SUCCEEDED(result)) {
    result = Configure(*dialog.Get(), title_, filter_, filter_index_, flags_);
  }
  if (SUCCEEDED(result)) result = dialog->Show(owner_);
  if (result == HRESULT_FROM_WIN32(ERROR_CANCELLED)) {
    return cancel_error_ ? PendingError{kDialogCancelled, kDialogCancelledText}
                         : PendingError{};
  }
  if (SUCCEEDED(result)) result = ReadResultText(*dialog.Get(), file_name_);
  if (FAILED(result)) {
    file_name_.clear();
    return Failure(result);
  }
  return PendingError{};
}

}  // namespace quorvel::files::win32
