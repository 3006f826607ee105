// The ListView, its header and the tooltips of a window, read from outside
// its process or from within. Their messages carry pointers that are not
// marshalled across processes, so what they point at is put into the
// window's process first.
#pragma once

#include <cwchar>
#include <string>
#include <type_traits>
#include <vector>

#include "common/win32/windows_api.h"
// The common controls header needs the base types above.
#include <commctrl.h>

#include "tests/e2e/controls.h"
#include "tests/support/handles.h"

namespace e2e {

inline constexpr size_t kRemoteTextChars = 1024;

// Sends message with `item` copied into the window's process and, when
// `text` names its text field, that field aimed at room for text there.
// `item` comes back as the window left it; the text read is returned.
template <class Item>
std::wstring SendRemote(HWND window, UINT message, WPARAM wparam, Item& item,
                        std::type_identity_t<LPWSTR Item::*> text = nullptr,
                        LRESULT* result = nullptr) {
  constexpr size_t kTextBytes = kRemoteTextChars * sizeof(wchar_t);
  const UniqueHandle process(
      OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE,
                  FALSE, ProcessOf(window)));
  auto* remote = process
                     ? static_cast<char*>(VirtualAllocEx(
                           process.get(), nullptr, sizeof(Item) + kTextBytes,
                           MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE))
                     : nullptr;
  const auto put = [&](size_t offset, const void* from, size_t size) {
    SIZE_T done = 0;
    return remote != nullptr &&
           WriteProcessMemory(process.get(), remote + offset, from, size,
                              &done) &&
           done == size;
  };
  const auto get = [&](size_t offset, void* to, size_t size) {
    SIZE_T done = 0;
    return remote != nullptr &&
           ReadProcessMemory(process.get(), remote + offset, to, size, &done) &&
           done == size;
  };
  std::wstring read(kRemoteTextChars, L'\0');
  if (text != nullptr) {
    item.*text = reinterpret_cast<LPWSTR>(remote + sizeof(Item));
    put(sizeof(Item), read.data(), sizeof(wchar_t));
  }
  LRESULT sent = 0;
  if (put(0, &item, sizeof(Item))) {
    sent =
        SendMessageW(window, message, wparam, reinterpret_cast<LPARAM>(remote));
    get(0, &item, sizeof(Item));
  }
  const bool got_text =
      text != nullptr && get(sizeof(Item), read.data(), kTextBytes);
  if (remote != nullptr) VirtualFreeEx(process.get(), remote, 0, MEM_RELEASE);
  if (result != nullptr) *result = sent;
  if (!got_text) return {};
  read.resize(wcsnlen(read.c_str(), kRemoteTextChars));
  return read;
}

inline int ListRowCount(HWND list) {
  return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
}

inline std::wstring ListCell(HWND list, int item, int column) {
  LVITEMW lvi{};
  lvi.iSubItem = column;
  lvi.cchTextMax = static_cast<int>(kRemoteTextChars);
  return SendRemote(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(item), lvi,
                    &LVITEMW::pszText);
}

// The next item after `after` in that state, or -1.
inline int ListNextRow(HWND list, int after, LPARAM state) {
  return static_cast<int>(
      SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(after), state));
}

inline int ListFocusedRow(HWND list) {  // -1 when none
  return ListNextRow(list, -1, LVNI_FOCUSED);
}

inline std::vector<int> ListSelectedRows(HWND list) {
  std::vector<int> rows;
  for (int item = ListNextRow(list, -1, LVNI_SELECTED);
       item >= 0 && (rows.empty() || item > rows.back());
       item = ListNextRow(list, item, LVNI_SELECTED)) {
    rows.push_back(item);
  }
  return rows;
}

// Focuses and selects one item only, as a click on it would.
inline bool SetListCurrent(HWND list, int item) {
  LVITEMW none{};
  none.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  SendRemote(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), none);
  LVITEMW current = none;
  current.state = LVIS_SELECTED | LVIS_FOCUSED;
  LRESULT done = 0;
  SendRemote(list, LVM_SETITEMSTATE, static_cast<WPARAM>(item), current,
             nullptr, &done);
  return done != 0;
}

inline std::vector<std::wstring> HeaderTexts(HWND list) {
  std::vector<std::wstring> texts;
  HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
  const int count =
      header ? static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0))
             : 0;
  for (int i = 0; i < count; ++i) {
    HDITEMW hdi{};
    hdi.mask = HDI_TEXT;
    hdi.cchTextMax = static_cast<int>(kRemoteTextChars);
    texts.push_back(SendRemote(header, HDM_GETITEMW, static_cast<WPARAM>(i),
                               hdi, &HDITEMW::pszText));
  }
  return texts;
}

inline int ColumnWidth(HWND list, int column) {
  return static_cast<int>(
      SendMessageW(list, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0));
}

// The item's image, as LVM_GETITEMW with LVIF_IMAGE reads it.
inline int ListImage(HWND list, int item) {
  LVITEMW lvi{};
  lvi.mask = LVIF_IMAGE;
  lvi.iItem = item;
  SendRemote(list, LVM_GETITEMW, 0, lvi);
  return lvi.iImage;
}

struct ToolText {
  HWND tool_window;  // uId when the tool is a window (TTF_IDISHWND)
  std::wstring text;
};

// Every tool of every tooltip window of the process.
inline std::vector<ToolText> TooltipTexts(DWORD pid) {
  std::vector<HWND> tips;
  FindTopWindow([&](HWND hwnd) {
    if (ProcessOf(hwnd) == pid && ClassName(hwnd) == TOOLTIPS_CLASSW) {
      tips.push_back(hwnd);
    }
    return false;  // on to the next one
  });
  std::vector<ToolText> result;
  for (HWND tip : tips) {
    int count = static_cast<int>(SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
      TTTOOLINFOW info{};
      info.cbSize = sizeof(info);
      LRESULT listed = 0;
      std::wstring text =
          SendRemote(tip, TTM_ENUMTOOLSW, static_cast<WPARAM>(i), info,
                     &TTTOOLINFOW::lpszText, &listed);
      if (!listed) continue;
      if (text.empty()) {
        // Ask again by identity; some tools keep their text elsewhere.
        text = SendRemote(tip, TTM_GETTEXTW, kRemoteTextChars, info,
                          &TTTOOLINFOW::lpszText);
      }
      HWND tool = (info.uFlags & TTF_IDISHWND)
                      ? reinterpret_cast<HWND>(info.uId)
                      : info.hwnd;
      result.push_back(ToolText{tool, text});
    }
  }
  return result;
}

}  // namespace e2e
