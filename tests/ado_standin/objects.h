// What every object of the stand-in shares: the process-wide record and
// scenario, reference counting, the answer to QueryInterface, and the one
// answer of every method the program never calls.
#pragma once

#include "common/win32/windows_api.h"
// The header below needs windows.h before it.
#include <oleauto.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "common/com_ptr.h"
#include "common/win32/com_handles.h"
#include "connection/win32/ado_interfaces.h"
#include "tests/ado_standin/protocol.h"

namespace quorvel::standin {

namespace ado = connection::win32::ado;
using com::ComPtr;

inline constexpr wchar_t kSource[] =
    L"Microsoft OLE DB Provider for SQL Server";
inline constexpr HRESULT kItemNotFound = static_cast<HRESULT>(0x800A0CC1);

Recorder& TheRecord();
// The scenario as its file says now: reread when the file has changed.
const Scenario& CurrentScenario();
// Hands the description over as the thread's COM error information.
void SetErrorInformation(const IID& iid, const std::u16string& description);
bool SameName(const std::u16string& a, const std::u16string& b);

inline std::u16string Ascii(const std::string& text) {
  return std::u16string(text.begin(), text.end());
}
inline std::u16string Number(long long value) {
  return Ascii(std::to_string(value));
}
// "kind#n": the n-th object of its kind in the process.
inline std::string Serial(const char* kind_and_hash, LONG& counter) {
  return kind_and_hash + std::to_string(InterlockedIncrement(&counter));
}

// One scripted call: when it began, and which of its name in the process it
// is (from 1). Beginning one waits as long as the scenario's delay says.
struct Call {
  LARGE_INTEGER started;
  int64_t number;
};
Call BeginCall(const std::string& event);

// A new object whose first reference the pointer takes over, as WRL's Make.
template <typename Made, typename... Arguments>
ComPtr<Made> Make(Arguments&&... arguments) {
  ComPtr<Made> made;
  made.Attach(new Made(std::forward<Arguments>(arguments)...));
  return made;
}

// A method the program never calls: recorded under its name and refused.
#define QUORVEL_UNUSED(method, ...) \
  STDMETHODIMP method(__VA_ARGS__) override { return this->Unused(#method); }
// A property the program neither reads nor sets.
#define QUORVEL_UNUSED_PROPERTY(name, type) \
  QUORVEL_UNUSED(get_##name, type*)         \
  QUORVEL_UNUSED(put_##name, type)

// Reference counting, QueryInterface for IUnknown, `base` and the interface
// ids given, and the record under the object's name.
template <typename Interface>
class Counted : public Interface {
 public:
  // A released object says so in the record when record_release is set.
  Counted(std::string name, std::vector<IID> ids, bool record_release = false,
          const IID& base = IID_IUnknown)
      : name_(std::move(name)),
        ids_(std::move(ids)),
        record_release_(record_release) {
    ids_.insert(ids_.end(), {IID_IUnknown, base});
  }
  Counted(const Counted&) = delete;
  Counted& operator=(const Counted&) = delete;
  virtual ~Counted() = default;

  const std::string& name() const { return name_; }

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (std::none_of(ids_.begin(), ids_.end(),
                     [&](const IID& id) { return IsEqualIID(iid, id); })) {
      return E_NOINTERFACE;
    }
    *out = static_cast<Interface*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override {
    return static_cast<ULONG>(InterlockedIncrement(&references_));
  }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) {
      if (record_release_) {
        TheRecord().Write(name_, "release", u"", S_OK, Recorder::Now());
      }
      delete this;
    }
    return static_cast<ULONG>(left);
  }

 protected:
  // Writes the call's line and passes its result on.
  HRESULT Log(const std::string& event, const std::u16string& value,
              HRESULT result, const Call& call) const {
    TheRecord().Write(name_, event, value, result, call.started);
    return result;
  }
  // A call that only takes its value: begun, then written as done.
  HRESULT Took(const std::string& event, const std::u16string& value) const {
    return Log(event, value, S_OK, BeginCall(event));
  }
  HRESULT Unused(const char* method) const {
    TheRecord().Write(name_, method, u"", E_NOTIMPL, Recorder::Now());
    return E_NOTIMPL;
  }

 private:
  std::string name_;
  std::vector<IID> ids_;
  bool record_release_;
  LONG references_ = 1;
};

// An ADO object: counted, and an IDispatch without type information, since
// nothing here is called by name.
template <typename Interface>
class Object : public Counted<Interface> {
 public:
  Object(std::string name, std::vector<IID> ids, bool record_release = false)
      : Counted<Interface>(std::move(name), std::move(ids), record_release,
                           IID_IDispatch) {}

  QUORVEL_UNUSED(GetTypeInfoCount, UINT*)
  QUORVEL_UNUSED(GetTypeInfo, UINT, LCID, ITypeInfo**)
  QUORVEL_UNUSED(GetIDsOfNames, REFIID, LPOLESTR*, UINT, LCID, DISPID*)
  QUORVEL_UNUSED(Invoke, DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*,
                 EXCEPINFO*, UINT*)
};

// The objects the class factories make, as they are made: the name they
// record under and the object.
struct Made {
  std::string name;
  ComPtr<IUnknown> object;
};
Made NewConnection();
Made NewCommand();
Made NewTaskbar();

}  // namespace quorvel::standin
