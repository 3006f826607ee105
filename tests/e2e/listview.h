// The ListView, its header and the tooltips of another process, read from
// outside. Their messages carry pointers that are not marshalled across
// processes, so what they point at is put into the target process first.
#pragma once

#include <cwchar>
#include <string>
#include <type_traits>
#include <vector>

#include "common/win32/windows_api.h"
// The common controls header needs the base types above.
#include <commctrl.h>

#include "tests/support/handles.h"

namespace e2e {

// Memory inside the process of a window, freed on destruction.
class RemoteBuffer {
 public:
  RemoteBuffer(HWND window, size_t size);
  ~RemoteBuffer();
  RemoteBuffer(const RemoteBuffer&) = delete;
  RemoteBuffer& operator=(const RemoteBuffer&) = delete;
  void* address() const { return address_; }
  template <class T>
  T* at(size_t offset) const {
    return reinterpret_cast<T*>(static_cast<char*>(address_) + offset);
  }
  bool Write(size_t offset, const void* data, size_t size);
  bool Read(size_t offset, void* data, size_t size) const;

 private:
  UniqueHandle process_;
  void* address_ = nullptr;
};

inline constexpr size_t kRemoteTextChars = 1024;

// Sends message with `item` copied into the window's process and, when
// `text` names its text field, that field aimed at room for text there.
// `item` comes back as the window left it; the text read is returned.
template <class Item>
std::wstring SendRemote(HWND window, UINT message, WPARAM wparam, Item& item,
                        std::type_identity_t<LPWSTR Item::*> text = nullptr,
                        LRESULT* result = nullptr) {
  RemoteBuffer remote(window,
                      sizeof(Item) + kRemoteTextChars * sizeof(wchar_t));
  std::wstring read(kRemoteTextChars, L'\0');
  if (text != nullptr) {
    item.*text = remote.at<wchar_t>(sizeof(Item));
    remote.Write(sizeof(Item), read.data(), sizeof(wchar_t));
  }
  LRESULT sent = 0;
  if (remote.Write(0, &item, sizeof(Item))) {
    sent = SendMessageW(window, message, wparam,
                        reinterpret_cast<LPARAM>(remote.address()));
    remote.Read(0, &item, sizeof(Item));
  }
  if (result != nullptr) *result = sent;
  if (text == nullptr || !remote.Read(sizeof(Item), read.data(),
                                      kRemoteTextChars * sizeof(wchar_t))) {
    return {};
  }
  read.resize(wcsnlen(read.c_str(), kRemoteTextChars));
  return read;
}

int ListRowCount(HWND list);
std::wstring ListCell(HWND list, int item, int column);
int ListFocusedRow(HWND list);  // -1 when none
std::vector<int> ListSelectedRows(HWND list);
// Focuses and selects one item only, as a click on it would.
bool SetListCurrent(HWND list, int item);
std::vector<std::wstring> HeaderTexts(HWND list);
int ColumnWidth(HWND list, int column);
// The item's image, as LVM_GETITEMW with LVIF_IMAGE reads it.
int ListImage(HWND list, int item);

struct ToolText {
  HWND tooltip;
  HWND tool_window;  // uId when the tool is a window (TTF_IDISHWND)
  std::wstring text;
};
// Every tool of every tooltip window of the process.
std::vector<ToolText> TooltipTexts(DWORD pid);

}  // namespace e2e
