#include "tests/e2e/file_dialog_driver.h"

// The dialog headers need the base types from windows.h, included above.
#include <commdlg.h>
#include <dlgs.h>

#include "tests/e2e/harness.h"

namespace e2e {
namespace {

BOOL CALLBACK MatchDialog(HWND hwnd, LPARAM found) {
  if (ClassName(hwnd) != L"#32770" || !Visible(hwnd) ||
      WindowText(hwnd) != FileDialog::kTitle) {
    return TRUE;
  }
  *reinterpret_cast<HWND*>(found) = hwnd;
  return FALSE;
}

bool InThisProcess(HWND hwnd) {
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  return pid == GetCurrentProcessId();
}

}  // namespace

bool SameText(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

ScratchFolder::ScratchFolder() {
  static int serial = 0;
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  wchar_t full[MAX_PATH];
  GetLongPathNameW(temp, full, MAX_PATH);
  path_ = std::wstring(full) + L"quorvel-files-" +
          std::to_wstring(GetCurrentProcessId()) + L"-" +
          std::to_wstring(++serial);
  CreateDirectoryW(path_.c_str(), nullptr);
}

ScratchFolder::~ScratchFolder() {
  for (const std::wstring& name : names_) DeleteFileW(Path(name).c_str());
  RemoveDirectoryW(path_.c_str());
}

void ScratchFolder::Add(const std::wstring& name) {
  HANDLE file = CreateFileW(Path(name).c_str(), GENERIC_WRITE, 0, nullptr,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  CloseHandle(file);
  names_.push_back(name);
}

std::optional<FileDialog> FileDialog::Find(DWORD thread) {
  HWND found = nullptr;
  EnumThreadWindows(thread, MatchDialog, reinterpret_cast<LPARAM>(&found));
  if (found == nullptr) return std::nullopt;
  return FileDialog(found);
}

std::optional<FileDialog> FileDialog::Wait(DWORD thread, int timeout_ms) {
  std::optional<FileDialog> dialog;
  WaitFor([&] { return (dialog = Find(thread)).has_value(); }, timeout_ms);
  return dialog;
}

HWND FileDialog::NameBox() const {
  HWND box = GetDlgItem(hwnd_, cmb13);
  return box != nullptr ? box : GetDlgItem(hwnd_, edt1);
}

bool FileDialog::Type(const std::wstring& text) const {
  HWND box = NameBox();
  if (box == nullptr) return false;
  SendMessageW(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  return true;
}

void FileDialog::Press(int id) const {
  PostMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(hwnd_, id)));
}

bool FileDialog::Confirm(const std::wstring& text) const {
  if (!Type(text)) return false;
  Press(IDOK);
  return true;
}

bool FileDialog::Open(const std::wstring& folder, int timeout_ms) const {
  if (!Type(folder)) return false;
  // Sent, not posted: the dialog has browsed when the call returns.
  DWORD_PTR result = 0;
  SendMessageTimeoutW(hwnd_, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                      reinterpret_cast<LPARAM>(GetDlgItem(hwnd_, IDOK)),
                      SMTO_NORMAL, static_cast<UINT>(timeout_ms), &result);
  return WaitFor([&] { return InFolder(folder); }, timeout_ms);
}

bool FileDialog::InFolder(const std::wstring& folder) const {
  const LRESULT length = SendMessageW(hwnd_, CDM_GETFOLDERPATH, 0, 0);
  if (length != static_cast<LRESULT>(folder.size() + 1)) return false;
  if (!InThisProcess(hwnd_)) return true;
  std::wstring text(folder.size() + 1, L'\0');
  SendMessageW(hwnd_, CDM_GETFOLDERPATH, text.size(),
               reinterpret_cast<LPARAM>(text.data()));
  text.resize(folder.size());
  return SameText(text, folder);
}

bool FileDialog::WaitClosed(int timeout_ms) const {
  return WaitFor([&] { return !IsOpen(); }, timeout_ms);
}

}  // namespace e2e
