// A stand-in for the shell's taskbar list (ITaskbarList3), for end-to-end
// tests only: it records every call with the window it is about, under
// "taskbar#1", "taskbar#2", ... A window's progress shows as
//   SetProgressState  <window> <TBPF flags, hex>
//   SetProgressValue  <window> <done>/<total>
// with the window's handle in hex.
#include "common/win32/windows_api.h"
// The shell's header needs windows.h before it.
#include <shobjidl.h>

#include <cstdio>
#include <string>

#include "tests/ado_standin/objects.h"

namespace quorvel::standin {
namespace {

std::u16string Hex(uintptr_t value) {
  char text[20];
  std::snprintf(text, sizeof text, "%08lX", static_cast<unsigned long>(value));
  return Ascii(text);
}

std::u16string WindowOf(HWND window) {
  return Hex(reinterpret_cast<uintptr_t>(window));
}

class Taskbar final : public Counted<ITaskbarList3> {
 public:
  Taskbar()
      : Counted(Serial("taskbar#", count),
                {IID_ITaskbarList, IID_ITaskbarList2, IID_ITaskbarList3}) {}

  STDMETHODIMP HrInit() override { return Took("HrInit", u""); }
  STDMETHODIMP SetProgressValue(HWND window, ULONGLONG done,
                                ULONGLONG total) override {
    return Took("SetProgressValue",
                WindowOf(window) + u" " + Number(static_cast<long long>(done)) +
                    u"/" + Number(static_cast<long long>(total)));
  }
  STDMETHODIMP SetProgressState(HWND window, TBPFLAG flags) override {
    return Took("SetProgressState",
                WindowOf(window) + u" " + Hex(static_cast<uintptr_t>(flags)));
  }

  QUORVEL_UNUSED(AddTab, HWND)
  QUORVEL_UNUSED(DeleteTab, HWND)
  QUORVEL_UNUSED(ActivateTab, HWND)
  QUORVEL_UNUSED(SetActiveAlt, HWND)
  QUORVEL_UNUSED(MarkFullscreenWindow, HWND, BOOL)
  QUORVEL_UNUSED(RegisterTab, HWND, HWND)
  QUORVEL_UNUSED(UnregisterTab, HWND)
  QUORVEL_UNUSED(SetTabOrder, HWND, HWND)
  QUORVEL_UNUSED(SetTabActive, HWND, HWND, DWORD)
  QUORVEL_UNUSED(ThumbBarAddButtons, HWND, UINT, LPTHUMBBUTTON)
  QUORVEL_UNUSED(ThumbBarUpdateButtons, HWND, UINT, LPTHUMBBUTTON)
  QUORVEL_UNUSED(ThumbBarSetImageList, HWND, HIMAGELIST)
  QUORVEL_UNUSED(SetOverlayIcon, HWND, HICON, LPCWSTR)
  QUORVEL_UNUSED(SetThumbnailTooltip, HWND, LPCWSTR)
  QUORVEL_UNUSED(SetThumbnailClip, HWND, RECT*)

 private:
  static inline LONG count = 0;
};

}  // namespace

Made NewTaskbar() {
  const ComPtr<Taskbar> taskbar = Make<Taskbar>();
  return {taskbar->name(), taskbar.Get()};
}

}  // namespace quorvel::standin
