// The open-file dialog over the common item dialog (IFileOpenDialog). It
// hands the chosen items over one by one, so a selection of any size comes
// back whole without a result buffer to grow.
#include "files/win32/open_file_dialog.h"

// The shell's headers need the base types from windows.h, included above.
#include <commdlg.h>
#include <shobjidl.h>

#include <cwchar>
#include <memory>

#include "common/com_ptr.h"
#include "common/win32/com_apartment.h"
#include "common/win32/error_text.h"
#include "common/win32/wide.h"
#include "files/file_selection.h"

namespace quorvel::files::win32 {

std::vector<std::pair<Text, Text>> FilterPairs(const Text& filter) {
  std::vector<std::pair<Text, Text>> pairs;
  if (filter.empty()) {
    return pairs;
  }
  const std::vector<Text> pieces = files::SplitText(filter, u'|');
  for (std::size_t i = 0; i + 1 < pieces.size(); i += 2) {
    pairs.emplace_back(pieces[i], pieces[i + 1]);
  }
  return pairs;
}

Text ResultText(const Text& folder, const std::vector<Text>& paths) {
  if (paths.size() == 1) {
    return paths.front();
  }
  // A drive's root comes with its backslash; other folders without.
  Text prefix = folder;
  if (prefix.empty() || prefix.back() != u'\\') {
    prefix += u'\\';
  }
  Text text = folder;
  for (const Text& path : paths) {
    const bool in_folder = path.size() > prefix.size() &&
                           path.compare(0, prefix.size(), prefix) == 0 &&
                           path.find(u'\\', prefix.size()) == Text::npos;
    text += u'\0';
    text += in_folder ? path.substr(prefix.size()) : path;
  }
  return text;
}

namespace {

using com::ComPtr;

struct CoTaskMemFreer {
  void operator()(wchar_t* text) const { CoTaskMemFree(text); }
};
using CoTaskText = std::unique_ptr<wchar_t, CoTaskMemFreer>;

HRESULT FileSystemPath(IShellItem& item, Text& path) {
  PWSTR name = nullptr;
  const HRESULT result = item.GetDisplayName(SIGDN_FILESYSPATH, &name);
  const CoTaskText owned(name);
  if (FAILED(result)) return result;
  if (!owned) return E_POINTER;
  path = FromWide(owned.get(), std::wcslen(owned.get()));
  return S_OK;
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

// The chosen items in the dialog's order (the order they were typed in).
HRESULT ChosenItemPaths(IFileOpenDialog& dialog, std::vector<Text>& paths) {
  ComPtr<IShellItemArray> items;
  HRESULT result = dialog.GetResults(&items);
  if (FAILED(result)) return result;
  if (!items) return E_POINTER;
  DWORD count = 0;
  result = items->GetCount(&count);
  if (FAILED(result)) return result;
  // Confirmed without an item is no selection.
  if (count == 0) return E_UNEXPECTED;
  for (DWORD i = 0; i < count; ++i) {
    ComPtr<IShellItem> item;
    result = items->GetItemAt(i, &item);
    if (FAILED(result)) return result;
    if (!item) return E_POINTER;
    Text path;
    result = FileSystemPath(*item.Get(), path);
    if (FAILED(result)) return result;
    paths.push_back(std::move(path));
  }
  return S_OK;
}

HRESULT DialogFolder(IFileOpenDialog& dialog, Text& folder) {
  ComPtr<IShellItem> item;
  const HRESULT result = dialog.GetFolder(&item);
  if (FAILED(result)) return result;
  if (!item) return E_POINTER;
  return FileSystemPath(*item.Get(), folder);
}

HRESULT ReadResultText(IFileOpenDialog& dialog, Text& text) {
  std::vector<Text> paths;
  HRESULT result = ChosenItemPaths(dialog, paths);
  if (FAILED(result)) return result;
  Text folder;
  if (paths.size() > 1) {
    result = DialogFolder(dialog, folder);
    if (FAILED(result)) return result;
  }
  text = ResultText(folder, paths);
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
  const std::vector<std::pair<Text, Text>> pairs = FilterPairs(filter);
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
