#include "tests/e2e/listview.h"

#include "tests/e2e/controls.h"

namespace e2e {
namespace {

constexpr size_t kTextChars = kRemoteTextChars;

}  // namespace

RemoteBuffer::RemoteBuffer(HWND window, size_t size) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  process_.Reset(OpenProcess(
      PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid));
  if (process_) {
    address_ = VirtualAllocEx(process_.get(), nullptr, size,
                              MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  }
}

RemoteBuffer::~RemoteBuffer() {
  if (address_) VirtualFreeEx(process_.get(), address_, 0, MEM_RELEASE);
}

bool RemoteBuffer::Write(size_t offset, const void* data, size_t size) {
  SIZE_T done = 0;
  return address_ &&
         WriteProcessMemory(process_.get(), at<char>(offset), data, size,
                            &done) &&
         done == size;
}

bool RemoteBuffer::Read(size_t offset, void* data, size_t size) const {
  SIZE_T done = 0;
  return address_ &&
         ReadProcessMemory(process_.get(), at<char>(offset), data, size,
                           &done) &&
         done == size;
}

int ListRowCount(HWND list) {
  return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
}

std::wstring ListCell(HWND list, int item, int column) {
  LVITEMW lvi{};
  lvi.iSubItem = column;
  lvi.cchTextMax = static_cast<int>(kTextChars);
  return SendRemote(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(item), lvi,
                    &LVITEMW::pszText);
}

int ListFocusedRow(HWND list) {
  return static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM,
                                       static_cast<WPARAM>(-1), LVNI_FOCUSED));
}

std::vector<int> ListSelectedRows(HWND list) {
  std::vector<int> rows;
  int item = -1;
  for (;;) {
    item = static_cast<int>(SendMessageW(
        list, LVM_GETNEXTITEM, static_cast<WPARAM>(item), LVNI_SELECTED));
    if (item < 0 || (!rows.empty() && item <= rows.back())) break;
    rows.push_back(item);
  }
  return rows;
}

bool SetListCurrent(HWND list, int item) {
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

std::vector<std::wstring> HeaderTexts(HWND list) {
  std::vector<std::wstring> texts;
  HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
  const int count =
      header ? static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0))
             : 0;
  for (int i = 0; i < count; ++i) {
    HDITEMW hdi{};
    hdi.mask = HDI_TEXT;
    hdi.cchTextMax = static_cast<int>(kTextChars);
    texts.push_back(SendRemote(header, HDM_GETITEMW, static_cast<WPARAM>(i),
                               hdi, &HDITEMW::pszText));
  }
  return texts;
}

int ListImage(HWND list, int item) {
  LVITEMW lvi{};
  lvi.mask = LVIF_IMAGE;
  lvi.iItem = item;
  SendRemote(list, LVM_GETITEMW, 0, lvi);
  return lvi.iImage;
}

int ColumnWidth(HWND list, int column) {
  return static_cast<int>(
      SendMessageW(list, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0));
}

namespace {

struct TipSearch {
  DWORD pid;
  std::vector<HWND> tips;
};

BOOL CALLBACK FindTipsProc(HWND hwnd, LPARAM param) {
  auto* f = reinterpret_cast<TipSearch*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(hwnd, &owner);
  if (owner == f->pid && ClassName(hwnd) == TOOLTIPS_CLASSW) {
    f->tips.push_back(hwnd);
  }
  return TRUE;
}

}  // namespace

std::vector<ToolText> TooltipTexts(DWORD pid) {
  TipSearch found{pid, {}};
  EnumWindows(FindTipsProc, reinterpret_cast<LPARAM>(&found));
  std::vector<ToolText> result;
  for (HWND tip : found.tips) {
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
        text = SendRemote(tip, TTM_GETTEXTW, kTextChars, info,
                          &TTTOOLINFOW::lpszText);
      }
      HWND tool = (info.uFlags & TTF_IDISHWND)
                      ? reinterpret_cast<HWND>(info.uId)
                      : info.hwnd;
      result.push_back(ToolText{tip, tool, text});
    }
  }
  return result;
}

}  // namespace e2e
