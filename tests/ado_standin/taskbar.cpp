// A stand-in for the shell's taskbar list (ITaskbarList3), for end-to-end
// tests only: it records every call with the window it is about, under
// "taskbar#1", "taskbar#2", ... A window's progress shows as
//   SetProgressState  <window> <TBPF flags, hex>
//   SetProgressValue  <window> <done>/<total>
// with the window's handle in hex.
#include "tests/ado_standin/taskbar.h"

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

class Taskbar final : public ITaskbarList3 {
 public:
  explicit Taskbar(int serial) : name_("taskbar#" + std::to_string(serial)) {
    InterlockedIncrement(&g_live_objects);
  }
  ~Taskbar() { InterlockedDecrement(&g_live_objects); }
  const std::string& name() const { return name_; }

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_ITaskbarList) &&
        !IsEqualIID(iid, IID_ITaskbarList2) &&
        !IsEqualIID(iid, IID_ITaskbarList3)) {
      return E_NOINTERFACE;
    }
    *out = static_cast<ITaskbarList3*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override {
    return static_cast<ULONG>(InterlockedIncrement(&references_));
  }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  STDMETHODIMP HrInit() override { return Log("HrInit", u""); }
  STDMETHODIMP SetProgressValue(HWND window, ULONGLONG done,
                                ULONGLONG total) override {
    return Log("SetProgressValue",
               WindowOf(window) + u" " + Number(static_cast<long long>(done)) +
                   u"/" + Number(static_cast<long long>(total)));
  }
  STDMETHODIMP SetProgressState(HWND window, TBPFLAG flags) override {
    return Log("SetProgressState",
               WindowOf(window) + u" " + Hex(static_cast<uintptr_t>(flags)));
  }

  // What the program never calls: recorded and refused.
  STDMETHODIMP AddTab(HWND) override { return Unused(__func__); }
  STDMETHODIMP DeleteTab(HWND) override { return Unused(__func__); }
  STDMETHODIMP ActivateTab(HWND) override { return Unused(__func__); }
  STDMETHODIMP SetActiveAlt(HWND) override { return Unused(__func__); }
  STDMETHODIMP MarkFullscreenWindow(HWND, BOOL) override {
    return Unused(__func__);
  }
  STDMETHODIMP RegisterTab(HWND, HWND) override { return Unused(__func__); }
  STDMETHODIMP UnregisterTab(HWND) override { return Unused(__func__); }
  STDMETHODIMP SetTabOrder(HWND, HWND) override { return Unused(__func__); }
  STDMETHODIMP SetTabActive(HWND, HWND, DWORD) override {
    return Unused(__func__);
  }
  STDMETHODIMP ThumbBarAddButtons(HWND, UINT, LPTHUMBBUTTON) override {
    return Unused(__func__);
  }
  STDMETHODIMP ThumbBarUpdateButtons(HWND, UINT, LPTHUMBBUTTON) override {
    return Unused(__func__);
  }
  STDMETHODIMP ThumbBarSetImageList(HWND, HIMAGELIST) override {
    return Unused(__func__);
  }
  STDMETHODIMP SetOverlayIcon(HWND, HICON, LPCWSTR) override {
    return Unused(__func__);
  }
  STDMETHODIMP SetThumbnailTooltip(HWND, LPCWSTR) override {
    return Unused(__func__);
  }
  STDMETHODIMP SetThumbnailClip(HWND, RECT*) override {
    return Unused(__func__);
  }

 private:
  HRESULT Log(const std::string& event, const std::u16string& value) const {
    TheRecord().Write(name_, event, value, S_OK, Recorder::Now());
    return S_OK;
  }
  HRESULT Unused(const char* method) const {
    TheRecord().Write(name_, method, u"", E_NOTIMPL, Recorder::Now());
    return E_NOTIMPL;
  }

  std::string name_;
  LONG references_ = 1;
};

class TaskbarFactory final : public IClassFactory {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IClassFactory)) {
      return E_NOINTERFACE;
    }
    *out = static_cast<IClassFactory*>(this);
    return S_OK;
  }
  // A static object: its lifetime is the module's.
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid,
                              void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    ComPtr<Taskbar> made;
    made.Attach(new Taskbar(++made_));
    const HRESULT result = made->QueryInterface(iid, out);
    TheRecord().Write(made->name(), "create", u"", result, Recorder::Now());
    return result;
  }
  STDMETHODIMP LockServer(BOOL) override { return S_OK; }

 private:
  int made_ = 0;
};

TaskbarFactory g_taskbar_factory;

}  // namespace

HRESULT TaskbarClassObject(REFCLSID clsid, REFIID iid, void** out) {
  if (!IsEqualCLSID(clsid, CLSID_TaskbarList)) return CLASS_E_CLASSNOTAVAILABLE;
  return g_taskbar_factory.QueryInterface(iid, out);
}

}  // namespace quorvel::standin
