// A scripted stand-in for ADO's Connection and Command, and for the shell's
// taskbar list, for end-to-end tests only: it answers as the scenario file
// says and records what it is asked. Here: what the process shares, the
// class factories and the DLL's entry points; the objects are in objects.cpp. A
// test points ADO's class ids at this DLL (e2e::ServeClassesFrom) and tells it,
// through the environment Quorvel.exe inherits, the scenario
// (QUORVEL_ADO_SCENARIO) and where to write the record (QUORVEL_ADO_RECORD).
#include "common/win32/windows_api.h"
// The shell's header needs windows.h before it.
#include <shobjidl.h>

#include <algorithm>
#include <cwctype>
#include <map>
#include <mutex>
#include <optional>
#include <tuple>

#include "tests/ado_standin/objects.h"
#include "tests/support/support.h"

namespace quorvel::standin {
namespace {

// The scenario file as it was when last read: path, size and write time.
using Seen = std::tuple<std::wstring, DWORD, DWORD, DWORD, DWORD>;

struct State {
  Recorder recorder;
  std::mutex lock;  // what follows
  Scenario scenario;
  Seen seen;
  std::map<std::string, int64_t> calls;
};

State& Shared() {
  static State* state = new State();  // lives as long as the process
  return *state;
}

// Rereads the scenario when its file has changed since the last look.
const Scenario& Reread(State& state) {
  wchar_t path[MAX_PATH * 2];
  const DWORD length =
      GetEnvironmentVariableW(L"QUORVEL_ADO_SCENARIO", path, MAX_PATH * 2);
  WIN32_FILE_ATTRIBUTE_DATA data{};
  const bool found = length != 0 && length < MAX_PATH * 2 &&
                     GetFileAttributesExW(path, GetFileExInfoStandard, &data);
  const Seen now = found ? Seen{path, data.nFileSizeHigh, data.nFileSizeLow,
                                data.ftLastWriteTime.dwHighDateTime,
                                data.ftLastWriteTime.dwLowDateTime}
                         : Seen();
  if (now == state.seen) return state.scenario;
  // No file: the default scenario.
  state.scenario = found ? ParseScenario(e2e::ReadAll(path)) : Scenario();
  state.seen = now;
  for (const std::string& line : state.scenario.rejected) {
    state.recorder.Write("standin", "note",
                         Ascii("scenario line not understood: " + line), S_OK,
                         Recorder::Now());
  }
  return state.scenario;
}

// Makes the objects of one class, unless the scenario's `refusal` for them
// says no.
class Factory final : public IClassFactory {
 public:
  Factory(const CLSID& served, const char* kind, Made (*make)(),
          std::optional<HRESULT> Scenario::*refusal = nullptr)
      : clsid(served), kind_(kind), make_(make), refusal_(refusal) {}
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
      *out = static_cast<IClassFactory*>(this);
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  // Static objects: their lifetime is the module's.
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid,
                              void** out) override {
    const LARGE_INTEGER started = Recorder::Now();
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    if (refusal_ != nullptr) {
      if (const std::optional<HRESULT> refused = CurrentScenario().*refusal_) {
        TheRecord().Write(kind_, "create", u"", *refused, started);
        return *refused;
      }
    }
    const Made made = make_();
    const HRESULT result = made.object->QueryInterface(iid, out);
    TheRecord().Write(made.name, "create", u"", result, started);
    return result;
  }
  STDMETHODIMP LockServer(BOOL) override { return S_OK; }

  const CLSID clsid;

 private:
  const char* kind_;
  Made (*make_)();
  std::optional<HRESULT> Scenario::*refusal_;
};

Factory g_factories[] = {
    {ado::kClsidConnection, "connection", NewConnection,
     &Scenario::create_connection},
    {ado::kClsidCommand, "command", NewCommand, &Scenario::create_command},
    {CLSID_TaskbarList, "taskbar", NewTaskbar}};

}  // namespace

Recorder& TheRecord() { return Shared().recorder; }

const Scenario& CurrentScenario() {
  State& state = Shared();
  const std::lock_guard<std::mutex> hold(state.lock);
  return Reread(state);
}

Call BeginCall(const std::string& event) {
  Call call{Recorder::Now(), 0};
  DWORD delay = 0;
  {
    State& state = Shared();
    const std::lock_guard<std::mutex> hold(state.lock);
    call.number = ++state.calls[event];
    delay = Reread(state).DelayOf(event, call.number);
  }
  if (delay != 0) Sleep(delay);
  return call;
}

void SetErrorInformation(const IID& iid, const std::u16string& description) {
  ComPtr<ICreateErrorInfo> create;
  if (FAILED(CreateErrorInfo(&create)) || !create) return;
  create->SetGUID(iid);
  create->SetSource(const_cast<LPOLESTR>(kSource));
  // SetDescription reads up to the first NUL: scenarios hold none.
  const com::Bstr text(description);
  create->SetDescription(text.Get());
  ComPtr<IErrorInfo> info;
  if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, &info))) {
    SetErrorInfo(0, info.Get());
  }
}

bool SameName(const std::u16string& a, const std::u16string& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](char16_t x, char16_t y) {
                      return std::towlower(x) == std::towlower(y);
                    });
}

}  // namespace quorvel::standin

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  for (quorvel::standin::Factory& factory : quorvel::standin::g_factories) {
    if (IsEqualCLSID(clsid, factory.clsid)) {
      return factory.QueryInterface(iid, out);
    }
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

// Never unloaded: the record and the scenario live as long as the process.
STDAPI DllCanUnloadNow() { return S_FALSE; }
