// A scripted stand-in for ADO's Connection and Command, for end-to-end tests
// only: it answers as the scenario file says and records what it is asked.
#include "common/win32/windows_api.h"
// The headers below need windows.h before them.
#include <oleauto.h>
#include <olectl.h>

#include <cwctype>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "common/com_ptr.h"
#include "common/win32/com_handles.h"
#include "connection/win32/ado_interfaces.h"
#include "tests/ado_standin/record.h"
#include "tests/ado_standin/register.h"
#include "tests/ado_standin/scenario.h"

namespace quorvel::standin {
namespace {

namespace ado = connection::win32::ado;
using com::ComPtr;

// Lets the stand-in recognise its own connection objects behind an IDispatch.
// {5C0D6E2A-8B1F-4E7A-9D3C-1A2B3C4D5E6F}
constexpr IID kIidStandinObject = {
    0x5C0D6E2A,
    0x8B1F,
    0x4E7A,
    {0x9D, 0x3C, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E, 0x6F}};

constexpr HRESULT kItemNotFound = static_cast<HRESULT>(0x800A0CC1);
constexpr HRESULT kObjectClosed = static_cast<HRESULT>(0x800A0E78);
constexpr HRESULT kConnectionUnusable = static_cast<HRESULT>(0x800A0E7D);
constexpr HRESULT kMissingParameter = static_cast<HRESULT>(0x80040E10);
constexpr wchar_t kSource[] = L"Microsoft OLE DB Provider for SQL Server";

class StandinConnection;

struct StandinObject : IUnknown {
  virtual StandinConnection* AsConnection() = 0;
};

// ---- process-wide state ----------------------------------------------------

HMODULE g_module = nullptr;
LONG g_live_objects = 0;
LONG g_locks = 0;

struct State {
  Recorder recorder;
  Scenario scenario;
  FILETIME scenario_written{};
  uint64_t scenario_size = 0;
  std::wstring scenario_path;
  int connections = 0;
  int commands = 0;
  int recordsets = 0;
  int64_t executes = 0;
};

State& Shared() {
  static State* state = new State();  // lives as long as the process
  return *state;
}

std::u16string FromBstr(BSTR bstr) {
  if (bstr == nullptr) return {};
  return std::u16string(reinterpret_cast<const char16_t*>(bstr),
                        SysStringLen(bstr));
}

std::u16string Ascii(const std::string& text) {
  return std::u16string(text.begin(), text.end());
}

std::u16string Quoted(BSTR bstr) {
  if (bstr == nullptr) return u"null";
  std::u16string quoted(1, u'"');
  quoted.append(FromBstr(bstr));
  quoted.push_back(u'"');
  return quoted;
}

void Note(const std::string& text) {
  Shared().recorder.Write("standin", "note", Ascii(text), S_OK,
                          Recorder::Now());
}

// Rereads the scenario when its file has changed since the last look.
const Scenario& CurrentScenario() {
  State& state = Shared();
  wchar_t path[MAX_PATH * 2];
  const DWORD length =
      GetEnvironmentVariableW(L"QUORVEL_ADO_SCENARIO", path, MAX_PATH * 2);
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (length == 0 || length >= MAX_PATH * 2 ||
      !GetFileAttributesExW(path, GetFileExInfoStandard, &data)) {
    if (!state.scenario_path.empty()) {
      state.scenario = Scenario();
      state.scenario_path.clear();
    }
    return state.scenario;
  }
  const uint64_t size =
      (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  if (state.scenario_path == path && size == state.scenario_size &&
      CompareFileTime(&data.ftLastWriteTime, &state.scenario_written) == 0) {
    return state.scenario;
  }
  std::string content;
  HANDLE file =
      CreateFileW(path, GENERIC_READ,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, 0, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) {
      content.append(buffer, got);
    }
    CloseHandle(file);
  }
  state.scenario = ParseScenario(content);
  state.scenario_path = path;
  state.scenario_size = size;
  state.scenario_written = data.ftLastWriteTime;
  for (const std::string& line : state.scenario.rejected) {
    Note("scenario line not understood: " + line);
  }
  return state.scenario;
}

void SetErrorInformation(const IID& iid, const std::u16string& description) {
  ComPtr<ICreateErrorInfo> create;
  if (FAILED(CreateErrorInfo(&create)) || !create) return;
  create->SetGUID(iid);
  create->SetSource(const_cast<LPOLESTR>(kSource));
  // SetDescription reads up to the first NUL: scenarios hold none.
  const std::wstring text(description.begin(), description.end());
  create->SetDescription(const_cast<LPOLESTR>(text.c_str()));
  ComPtr<IErrorInfo> info;
  if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, &info))) {
    SetErrorInfo(0, info.Get());
  }
}

// A new object whose first reference the pointer takes over, as WRL's Make.
template <typename Made, typename... Arguments>
ComPtr<Made> Make(Arguments&&... arguments) {
  ComPtr<Made> made;
  made.Attach(new Made(std::forward<Arguments>(arguments)...));
  return made;
}

// ---- reference counting and IDispatch, shared by every object --------------

template <typename Interface>
class Object : public Interface {
 public:
  Object() { InterlockedIncrement(&g_live_objects); }
  Object(const Object&) = delete;
  Object& operator=(const Object&) = delete;
  virtual ~Object() { InterlockedDecrement(&g_live_objects); }

  ULONG STDMETHODCALLTYPE AddRef() override {
    return static_cast<ULONG>(InterlockedIncrement(&references_));
  }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) {
      Released();
      delete this;
    }
    return static_cast<ULONG>(left);
  }

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID,
                                          DISPID*) override {
    return DISP_E_UNKNOWNNAME;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*,
                                   VARIANT*, EXCEPINFO*, UINT*) override {
    return DISP_E_MEMBERNOTFOUND;
  }

 protected:
  virtual void Released() {}

  // Answers iid with this object when it is one of ids.
  HRESULT Answer(REFIID iid, std::initializer_list<IID> ids, void** out) {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) {
      *out = static_cast<Interface*>(this);
    }
    for (const IID& id : ids) {
      if (IsEqualIID(iid, id)) *out = static_cast<Interface*>(this);
    }
    if (*out == nullptr) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }

 private:
  LONG references_ = 1;
};

// Records a call nobody should make and refuses it.
#define STANDIN_UNUSED(owner, name)                                        \
  {                                                                        \
    Shared().recorder.Write(owner, name, u"", E_NOTIMPL, Recorder::Now()); \
    return E_NOTIMPL;                                                      \
  }

// ---- Errors
// ------------------------------------------------------------------

class StandinError final : public Object<ado::Error> {
 public:
  explicit StandinError(const Failure& failure) : failure_(failure) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    return Answer(iid, {ado::kIidError}, out);
  }
  HRESULT STDMETHODCALLTYPE get_Number(LONG* number) override {
    if (number == nullptr) return E_POINTER;
    *number = failure_.number;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_Source(BSTR* source) override {
    if (source == nullptr) return E_POINTER;
    *source = SysAllocString(kSource);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_Description(BSTR* description) override {
    if (description == nullptr) return E_POINTER;
    *description = SysAllocStringLen(
        reinterpret_cast<const OLECHAR*>(failure_.description.data()),
        static_cast<UINT>(failure_.description.size()));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_HelpFile(BSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_HelpContext(LONG*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE get_SQLState(BSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_NativeError(LONG*) override {
    return E_NOTIMPL;
  }

 private:
  Failure failure_;
};

class StandinErrors final : public Object<ado::Errors> {
 public:
  explicit StandinErrors(std::vector<Failure> items)
      : items_(std::move(items)) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    return Answer(iid, {ado::kIidErrors, ado::kIidCollection}, out);
  }
  HRESULT STDMETHODCALLTYPE get_Count(LONG* count) override {
    if (count == nullptr) return E_POINTER;
    *count = static_cast<LONG>(items_.size());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE NewEnum(IUnknown**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Refresh() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE get_Item(VARIANT index,
                                     ado::Error** item) override {
    if (item == nullptr) return E_POINTER;
    *item = nullptr;
    VARIANT number;
    VariantInit(&number);
    if (FAILED(VariantChangeType(&number, &index, 0, VT_I4)) ||
        V_I4(&number) < 0 ||
        static_cast<size_t>(V_I4(&number)) >= items_.size()) {
      return kItemNotFound;
    }
    *item = new StandinError(items_[static_cast<size_t>(V_I4(&number))]);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Clear() override {
    items_.clear();
    return S_OK;
  }

 private:
  std::vector<Failure> items_;
};

// ---- Connection
// --------------------------------------------------------------

class StandinConnection final : public Object<ado::Connection>,
                                public ISupportErrorInfo,
                                public StandinObject {
 public:
  StandinConnection()
      : name_("connection#" + std::to_string(++Shared().connections)) {}

  const std::string& name() const { return name_; }
  bool open() const { return open_; }

  // Hands a failure over through the channel the scenario chose.
  HRESULT Fail(const Failure& failure, const IID& iid) {
    if (failure.channel == Channel::kErrorInfo) {
      SetErrorInformation(iid, failure.description);
    } else if (failure.channel == Channel::kErrorsCollection) {
      errors_.push_back(failure);
    }
    return failure.number;
  }
  void ClearErrors() { errors_.clear(); }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out != nullptr && IsEqualIID(iid, IID_ISupportErrorInfo)) {
      *out = static_cast<ISupportErrorInfo*>(this);
      AddRef();
      return S_OK;
    }
    if (out != nullptr && IsEqualIID(iid, kIidStandinObject)) {
      *out = static_cast<StandinObject*>(this);
      AddRef();
      return S_OK;
    }
    return Answer(
        iid,
        {ado::kIidConnection, ado::kIidConnectionOld, ado::kIidConnection15,
         ado::kIidConnection15Old, ado::kIidAdoObject},
        out);
  }
  ULONG STDMETHODCALLTYPE AddRef() override {
    return Object<ado::Connection>::AddRef();
  }
  ULONG STDMETHODCALLTYPE Release() override {
    return Object<ado::Connection>::Release();
  }
  HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID) override {
    return S_OK;
  }
  StandinConnection* AsConnection() override { return this; }

  HRESULT STDMETHODCALLTYPE get_Properties(IDispatch**) override
      STANDIN_UNUSED(name_, "Properties") HRESULT STDMETHODCALLTYPE
      get_ConnectionString(BSTR* text) override {
    if (text == nullptr) return E_POINTER;
    *text = SysAllocStringLen(
        reinterpret_cast<const OLECHAR*>(connection_string_.data()),
        static_cast<UINT>(connection_string_.size()));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_ConnectionString(BSTR text) override {
    const LARGE_INTEGER started = Recorder::Now();
    connection_string_ = FromBstr(text);
    Shared().recorder.Write(name_, "ConnectionString", connection_string_, S_OK,
                            started);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_CommandTimeout(LONG* seconds) override {
    if (seconds == nullptr) return E_POINTER;
    *seconds = command_timeout_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_CommandTimeout(LONG seconds) override {
    const LARGE_INTEGER started = Recorder::Now();
    command_timeout_ = seconds;
    Shared().recorder.Write(name_, "CommandTimeout",
                            Ascii(std::to_string(seconds)), S_OK, started);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_ConnectionTimeout(LONG*) override
      STANDIN_UNUSED(name_, "get ConnectionTimeout") HRESULT STDMETHODCALLTYPE
      put_ConnectionTimeout(LONG) override
      STANDIN_UNUSED(name_, "ConnectionTimeout") HRESULT STDMETHODCALLTYPE
      get_Version(BSTR*) override
      STANDIN_UNUSED(name_, "Version") HRESULT STDMETHODCALLTYPE
      Close() override {
    const LARGE_INTEGER started = Recorder::Now();
    ClearErrors();
    HRESULT result = S_OK;
    const Scenario& scenario = CurrentScenario();
    if (!open_) {
      result = Fail({kObjectClosed,
                     u"Operation is not allowed when the object is closed.",
                     Channel::kErrorInfo},
                    ado::kIidConnection);
    } else if (scenario.close) {
      result = Fail(*scenario.close, ado::kIidConnection);
    }
    open_ = false;
    Shared().recorder.Write(name_, "Close", u"", result, started);
    return result;
  }
  HRESULT STDMETHODCALLTYPE Execute(BSTR, VARIANT*, LONG, IUnknown**) override
      STANDIN_UNUSED(name_, "Execute") HRESULT STDMETHODCALLTYPE
      BeginTrans(LONG*) override
      STANDIN_UNUSED(name_, "BeginTrans") HRESULT STDMETHODCALLTYPE
      CommitTrans() override
      STANDIN_UNUSED(name_, "CommitTrans") HRESULT STDMETHODCALLTYPE
      RollbackTrans() override
      STANDIN_UNUSED(name_, "RollbackTrans") HRESULT STDMETHODCALLTYPE
      Open(BSTR connection_string, BSTR user_id, BSTR password,
           LONG options) override {
    const LARGE_INTEGER started = Recorder::Now();
    ClearErrors();
    const std::u16string value =
        u"ConnectionString=" + Quoted(connection_string) + u" UserID=" +
        Quoted(user_id) + u" Password=" + Quoted(password) + u" Options=" +
        Ascii(std::to_string(options));
    HRESULT result = S_OK;
    const Scenario& scenario = CurrentScenario();
    if (scenario.open) {
      result = Fail(*scenario.open, ado::kIidConnection);
    } else {
      open_ = true;
    }
    Shared().recorder.Write(name_, "Open", value, result, started);
    return result;
  }
  HRESULT STDMETHODCALLTYPE get_Errors(ado::Errors** errors) override {
    const LARGE_INTEGER started = Recorder::Now();
    if (errors == nullptr) return E_POINTER;
    *errors = new StandinErrors(errors_);
    Shared().recorder.Write(
        name_, "Errors", Ascii(std::to_string(errors_.size())), S_OK, started);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_DefaultDatabase(BSTR*) override
      STANDIN_UNUSED(name_, "get DefaultDatabase") HRESULT STDMETHODCALLTYPE
      put_DefaultDatabase(BSTR) override
      STANDIN_UNUSED(name_, "DefaultDatabase") HRESULT STDMETHODCALLTYPE
      get_IsolationLevel(LONG*) override
      STANDIN_UNUSED(name_, "get IsolationLevel") HRESULT STDMETHODCALLTYPE
      put_IsolationLevel(LONG) override
      STANDIN_UNUSED(name_, "IsolationLevel") HRESULT STDMETHODCALLTYPE
      get_Attributes(LONG*) override
      STANDIN_UNUSED(name_, "get Attributes") HRESULT STDMETHODCALLTYPE
      put_Attributes(LONG) override
      STANDIN_UNUSED(name_, "Attributes") HRESULT STDMETHODCALLTYPE
      get_CursorLocation(LONG*) override
      STANDIN_UNUSED(name_, "get CursorLocation") HRESULT STDMETHODCALLTYPE
      put_CursorLocation(LONG) override
      STANDIN_UNUSED(name_, "CursorLocation") HRESULT STDMETHODCALLTYPE
      get_Mode(LONG*) override
      STANDIN_UNUSED(name_, "get Mode") HRESULT STDMETHODCALLTYPE
      put_Mode(LONG) override
      STANDIN_UNUSED(name_, "Mode") HRESULT STDMETHODCALLTYPE
      get_Provider(BSTR* provider) override {
    if (provider == nullptr) return E_POINTER;
    *provider =
        SysAllocStringLen(reinterpret_cast<const OLECHAR*>(provider_.data()),
                          static_cast<UINT>(provider_.size()));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_Provider(BSTR provider) override {
    const LARGE_INTEGER started = Recorder::Now();
    provider_ = FromBstr(provider);
    Shared().recorder.Write(name_, "Provider", provider_, S_OK, started);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_State(LONG* state) override {
    if (state == nullptr) return E_POINTER;
    *state = open_ ? 1 : 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OpenSchema(LONG, VARIANT, VARIANT,
                                       IUnknown**) override
      STANDIN_UNUSED(name_, "OpenSchema") HRESULT STDMETHODCALLTYPE
      Cancel() override STANDIN_UNUSED(name_, "Cancel")

          protected : void Released() override {
    Shared().recorder.Write(name_, "release", u"", S_OK, Recorder::Now());
  }

 private:
  std::string name_;
  std::u16string connection_string_;
  std::u16string provider_;
  LONG command_timeout_ = 30;
  bool open_ = false;
  std::vector<Failure> errors_;
};

// ---- Parameter and Parameters
// ------------------------------------------------

class StandinParameter final : public Object<ado::Parameter> {
 public:
  StandinParameter(std::string owner, std::u16string name)
      : owner_(std::move(owner)), name_(std::move(name)) {}

  const std::u16string& name() const { return name_; }
  const VARIANT& value() const { return value_.Get(); }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    return Answer(
        iid, {ado::kIidParameter, ado::kIidParameterOld, ado::kIidAdoObject},
        out);
  }
  HRESULT STDMETHODCALLTYPE get_Properties(IDispatch**) override
      STANDIN_UNUSED(owner_, "Parameter.Properties") HRESULT STDMETHODCALLTYPE
      get_Name(BSTR* name) override {
    if (name == nullptr) return E_POINTER;
    *name = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(name_.data()),
                              static_cast<UINT>(name_.size()));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_Name(BSTR) override
      STANDIN_UNUSED(owner_, "Parameter.Name") HRESULT STDMETHODCALLTYPE
      get_Value(VARIANT* value) override {
    if (value == nullptr) return E_POINTER;
    VariantInit(value);
    return VariantCopy(value, value_.Ptr());
  }
  HRESULT STDMETHODCALLTYPE put_Value(VARIANT value) override {
    const LARGE_INTEGER started = Recorder::Now();
    const HRESULT result = VariantCopy(value_.Ptr(), &value);
    std::u16string shown;
    if (V_VT(&value) == VT_BSTR) {
      shown = FromBstr(V_BSTR(&value));
    } else {
      shown = u"vt=" + Ascii(std::to_string(V_VT(&value)));
    }
    Shared().recorder.Write(owner_, "Value " + ToUtf8(name_), shown, result,
                            started);
    return result;
  }
  HRESULT STDMETHODCALLTYPE get_Type(LONG*) override
      STANDIN_UNUSED(owner_, "Parameter.get Type") HRESULT STDMETHODCALLTYPE
      put_Type(LONG) override
      STANDIN_UNUSED(owner_, "Parameter.Type") HRESULT STDMETHODCALLTYPE
      put_Direction(LONG) override
      STANDIN_UNUSED(owner_, "Parameter.Direction") HRESULT STDMETHODCALLTYPE
      get_Direction(LONG*) override
      STANDIN_UNUSED(owner_,
                     "Parameter.get Direction") HRESULT STDMETHODCALLTYPE
      put_Precision(BYTE) override
      STANDIN_UNUSED(owner_, "Parameter.Precision") HRESULT STDMETHODCALLTYPE
      get_Precision(BYTE*) override
      STANDIN_UNUSED(owner_,
                     "Parameter.get Precision") HRESULT STDMETHODCALLTYPE
      put_NumericScale(BYTE) override
      STANDIN_UNUSED(owner_, "Parameter.NumericScale") HRESULT STDMETHODCALLTYPE
      get_NumericScale(BYTE*) override
      STANDIN_UNUSED(owner_,
                     "Parameter.get NumericScale") HRESULT STDMETHODCALLTYPE
      put_Size(LONG) override
      STANDIN_UNUSED(owner_, "Parameter.Size") HRESULT STDMETHODCALLTYPE
      get_Size(LONG*) override
      STANDIN_UNUSED(owner_, "Parameter.get Size") HRESULT STDMETHODCALLTYPE
      AppendChunk(VARIANT) override
      STANDIN_UNUSED(owner_, "Parameter.AppendChunk") HRESULT STDMETHODCALLTYPE
      get_Attributes(LONG*) override
      STANDIN_UNUSED(owner_,
                     "Parameter.get Attributes") HRESULT STDMETHODCALLTYPE
      put_Attributes(LONG) override
      STANDIN_UNUSED(owner_, "Parameter.Attributes")

          private : std::string owner_;
  std::u16string name_;
  com::Variant value_;
};

bool SameName(const std::u16string& a, const std::u16string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::towlower(a[i]) != std::towlower(b[i])) return false;
  }
  return true;
}

class StandinParameters final : public Object<ado::Parameters> {
 public:
  explicit StandinParameters(std::string owner) : owner_(std::move(owner)) {}

  const std::vector<ComPtr<StandinParameter>>& items() const { return items_; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    return Answer(iid,
                  {ado::kIidParameters, ado::kIidParametersOld,
                   ado::kIidDynaCollection, ado::kIidCollection},
                  out);
  }
  HRESULT STDMETHODCALLTYPE get_Count(LONG* count) override {
    if (count == nullptr) return E_POINTER;
    *count = static_cast<LONG>(items_.size());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE NewEnum(IUnknown**) override
      STANDIN_UNUSED(owner_, "Parameters._NewEnum") HRESULT STDMETHODCALLTYPE
      Refresh() override {
    const LARGE_INTEGER started = Recorder::Now();
    const Scenario& scenario = CurrentScenario();
    HRESULT result = S_OK;
    if (scenario.refresh) {
      if (scenario.refresh->channel != Channel::kNone) {
        SetErrorInformation(ado::kIidParameters, scenario.refresh->description);
      }
      result = scenario.refresh->number;
    } else {
      items_.clear();
      for (const std::u16string& name : scenario.procedure_params) {
        items_.push_back(Make<StandinParameter>(owner_, name));
      }
    }
    Shared().recorder.Write(owner_, "Parameters.Refresh", u"", result, started);
    return result;
  }
  HRESULT STDMETHODCALLTYPE Append(IDispatch*) override
      STANDIN_UNUSED(owner_, "Parameters.Append") HRESULT STDMETHODCALLTYPE
      Delete(VARIANT) override
      STANDIN_UNUSED(owner_, "Parameters.Delete") HRESULT STDMETHODCALLTYPE
      get_Item(VARIANT index, ado::Parameter** item) override {
    const LARGE_INTEGER started = Recorder::Now();
    if (item == nullptr) return E_POINTER;
    *item = nullptr;
    std::u16string shown;
    ComPtr<StandinParameter> found;
    if (V_VT(&index) == VT_BSTR) {
      shown = FromBstr(V_BSTR(&index));
      for (const ComPtr<StandinParameter>& candidate : items_) {
        if (SameName(candidate->name(), shown)) found = candidate;
      }
    } else {
      shown = u"vt=" + Ascii(std::to_string(V_VT(&index)));
    }
    HRESULT result = S_OK;
    if (found) {
      *item = found.Detach();
    } else {
      SetErrorInformation(ado::kIidParameters,
                          u"Item cannot be found in the collection "
                          u"corresponding to the requested name or ordinal.");
      result = kItemNotFound;
    }
    Shared().recorder.Write(owner_, "Parameters.Item", shown, result, started);
    return result;
  }

 private:
  std::string owner_;
  std::vector<ComPtr<StandinParameter>> items_;
};

// ---- Recordset (what Execute hands back; only its release is watched) -------

class StandinRecordset final : public Object<IDispatch> {
 public:
  StandinRecordset()
      : name_("recordset#" + std::to_string(++Shared().recordsets)) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    return Answer(iid, {}, out);
  }

 protected:
  void Released() override {
    Shared().recorder.Write(name_, "release", u"", S_OK, Recorder::Now());
  }

 private:
  std::string name_;
};

// ---- Command
// -----------------------------------------------------------------

std::u16string DescribeArgument(const VARIANT* argument) {
  if (argument == nullptr) return u"null";
  switch (V_VT(argument)) {
    case VT_EMPTY:
      return u"empty";
    case VT_ERROR:
      return V_ERROR(argument) == DISP_E_PARAMNOTFOUND ? u"missing" : u"error";
    default:
      return u"vt=" + Ascii(std::to_string(V_VT(argument)));
  }
}

class StandinCommand final : public Object<ado::Command>,
                             public ISupportErrorInfo {
 public:
  StandinCommand() : name_("command#" + std::to_string(++Shared().commands)) {}
  const std::string& name() const { return name_; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out != nullptr && IsEqualIID(iid, IID_ISupportErrorInfo)) {
      *out = static_cast<ISupportErrorInfo*>(this);
      AddRef();
      return S_OK;
    }
    return Answer(iid,
                  {ado::kIidCommand, ado::kIidCommandOld, ado::kIidCommand25,
                   ado::kIidCommand25Old, ado::kIidCommand15,
                   ado::kIidCommand15Old, ado::kIidAdoObject},
                  out);
  }
  ULONG STDMETHODCALLTYPE AddRef() override {
    return Object<ado::Command>::AddRef();
  }
  ULONG STDMETHODCALLTYPE Release() override {
    return Object<ado::Command>::Release();
  }
  HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID) override {
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE get_Properties(IDispatch**) override
      STANDIN_UNUSED(name_, "Properties") HRESULT STDMETHODCALLTYPE
      get_ActiveConnection(ado::Connection**) override
      STANDIN_UNUSED(name_, "get ActiveConnection") HRESULT STDMETHODCALLTYPE
      putref_ActiveConnection(ado::Connection* connection) override {
    const LARGE_INTEGER started = Recorder::Now();
    const std::u16string shown = Identify(connection);
    Shared().recorder.Write(name_, "ActiveConnection (by reference)", shown,
                            S_OK, started);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_ActiveConnection(VARIANT value) override {
    const LARGE_INTEGER started = Recorder::Now();
    std::u16string shown;
    if (V_VT(&value) == VT_DISPATCH || V_VT(&value) == VT_UNKNOWN) {
      shown = Identify(V_UNKNOWN(&value));
    } else if (V_VT(&value) == VT_BSTR) {
      shown = u"text " + FromBstr(V_BSTR(&value));
      connection_ = nullptr;
    } else {
      shown = DescribeArgument(&value);
      connection_ = nullptr;
    }
    Shared().recorder.Write(name_, "ActiveConnection", shown, S_OK, started);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_CommandText(BSTR*) override
      STANDIN_UNUSED(name_, "get CommandText") HRESULT STDMETHODCALLTYPE
      put_CommandText(BSTR text) override {
    const LARGE_INTEGER started = Recorder::Now();
    command_text_ = FromBstr(text);
    Shared().recorder.Write(name_, "CommandText", command_text_, S_OK, started);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_CommandTimeout(LONG*) override
      STANDIN_UNUSED(name_, "get CommandTimeout") HRESULT STDMETHODCALLTYPE
      put_CommandTimeout(LONG) override
      STANDIN_UNUSED(name_, "CommandTimeout") HRESULT STDMETHODCALLTYPE
      get_Prepared(VARIANT_BOOL*) override
      STANDIN_UNUSED(name_, "get Prepared") HRESULT STDMETHODCALLTYPE
      put_Prepared(VARIANT_BOOL) override
      STANDIN_UNUSED(name_, "Prepared") HRESULT STDMETHODCALLTYPE
      Execute(VARIANT* records_affected, VARIANT* parameters, LONG options,
              IUnknown** recordset) override {
    const LARGE_INTEGER started = Recorder::Now();
    const std::u16string shown =
        u"RecordsAffected=" + DescribeArgument(records_affected) +
        u" Parameters=" + DescribeArgument(parameters) + u" Options=" +
        Ascii(std::to_string(options));
    const int64_t call = ++Shared().executes;
    if (recordset != nullptr) *recordset = nullptr;
    if (connection_) connection_->ClearErrors();
    const HRESULT result = Run(call, records_affected, recordset);
    Shared().recorder.Write(name_, "Execute", shown, result, started);
    return result;
  }
  HRESULT STDMETHODCALLTYPE CreateParameter(BSTR, LONG, LONG, LONG, VARIANT,
                                            ado::Parameter**) override
      STANDIN_UNUSED(name_, "CreateParameter") HRESULT STDMETHODCALLTYPE
      get_Parameters(ado::Parameters** parameters) override {
    const LARGE_INTEGER started = Recorder::Now();
    if (parameters == nullptr) return E_POINTER;
    if (!parameters_) parameters_ = Make<StandinParameters>(name_);
    *parameters = ComPtr<StandinParameters>(parameters_).Detach();
    Shared().recorder.Write(name_, "Parameters", u"", S_OK, started);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_CommandType(LONG type) override {
    const LARGE_INTEGER started = Recorder::Now();
    Shared().recorder.Write(name_, "CommandType", Ascii(std::to_string(type)),
                            S_OK, started);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_CommandType(LONG*) override
      STANDIN_UNUSED(name_, "get CommandType") HRESULT STDMETHODCALLTYPE
      get_Name(BSTR*) override
      STANDIN_UNUSED(name_, "get Name") HRESULT STDMETHODCALLTYPE
      put_Name(BSTR) override
      STANDIN_UNUSED(name_, "Name") HRESULT STDMETHODCALLTYPE
      get_State(LONG*) override
      STANDIN_UNUSED(name_, "State") HRESULT STDMETHODCALLTYPE Cancel() override
      STANDIN_UNUSED(name_, "Cancel") HRESULT STDMETHODCALLTYPE
      putref_CommandStream(IUnknown*) override
      STANDIN_UNUSED(name_, "CommandStream") HRESULT STDMETHODCALLTYPE
      get_CommandStream(VARIANT*) override
      STANDIN_UNUSED(name_, "get CommandStream") HRESULT STDMETHODCALLTYPE
      put_Dialect(BSTR) override
      STANDIN_UNUSED(name_, "Dialect") HRESULT STDMETHODCALLTYPE
      get_Dialect(BSTR*) override
      STANDIN_UNUSED(name_, "get Dialect") HRESULT STDMETHODCALLTYPE
      put_NamedParameters(VARIANT_BOOL) override
      STANDIN_UNUSED(name_, "NamedParameters") HRESULT STDMETHODCALLTYPE
      get_NamedParameters(VARIANT_BOOL*) override
      STANDIN_UNUSED(name_, "get NamedParameters")

          protected : void Released() override {
    Shared().recorder.Write(name_, "release", u"", S_OK, Recorder::Now());
  }

 private:
  std::u16string Identify(IUnknown* object) {
    if (object == nullptr) {
      connection_ = nullptr;
      return u"nothing";
    }
    ComPtr<StandinObject> ours;
    if (FAILED(object->QueryInterface(kIidStandinObject, &ours)) || !ours) {
      connection_ = nullptr;
      return u"foreign object";
    }
    connection_ = ours->AsConnection();
    return Ascii(connection_->name());
  }

  HRESULT Fail(const Failure& failure) {
    if (failure.channel == Channel::kErrorInfo) {
      SetErrorInformation(ado::kIidCommand, failure.description);
    } else if (connection_) {
      connection_->Fail(failure, ado::kIidCommand);
    }
    return failure.number;
  }

  std::u16string BoundText(const std::u16string& name) const {
    if (!parameters_) return {};
    for (const ComPtr<StandinParameter>& item : parameters_->items()) {
      if (SameName(item->name(), name) && V_VT(&item->value()) == VT_BSTR) {
        return FromBstr(V_BSTR(&item->value()));
      }
    }
    return {};
  }

  HRESULT Run(int64_t call, VARIANT* records_affected, IUnknown** recordset) {
    if (!connection_ || !connection_->open()) {
      return Fail({kConnectionUnusable,
                   u"The connection cannot be used to perform this "
                   u"operation. It is either closed or invalid in this "
                   u"context.",
                   Channel::kErrorInfo});
    }
    // As the server would: every declared input needs a value.
    const Scenario& scenario = CurrentScenario();
    for (const std::u16string& declared : scenario.procedure_params) {
      if (SameName(declared, u"@RETURN_VALUE")) continue;
      bool bound = false;
      if (parameters_) {
        for (const ComPtr<StandinParameter>& item : parameters_->items()) {
          bound = bound || (SameName(item->name(), declared) &&
                            V_VT(&item->value()) != VT_EMPTY);
        }
      }
      if (!bound) {
        return Fail({kMissingParameter,
                     u"Procedure or function '" + command_text_ +
                         u"' expects parameter '" + declared +
                         u"', which was not supplied.",
                     Channel::kErrorInfo});
      }
    }
    const std::u16string database = BoundText(u"@dbname");
    for (const ExecuteFailure& entry : scenario.execute) {
      const bool applies =
          entry.which == ExecuteFailure::Which::kEvery ||
          (entry.which == ExecuteFailure::Which::kCallNumber &&
           entry.call_number == call) ||
          (entry.which == ExecuteFailure::Which::kDatabaseName &&
           entry.database_name == database);
      if (applies) return Fail(entry.failure);
    }
    if (records_affected != nullptr) {
      VariantClear(records_affected);
      V_VT(records_affected) = VT_I4;
      V_I4(records_affected) = -1;
    }
    if (recordset != nullptr) *recordset = new StandinRecordset();
    return S_OK;
  }

  std::string name_;
  std::u16string command_text_;
  ComPtr<StandinParameters> parameters_;
  ComPtr<StandinConnection> connection_;
};

// ---- class objects
// -------------------------------------------------------------

template <typename Made>
class Factory final : public IClassFactory {
 public:
  explicit Factory(const char* kind) : kind_(kind) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
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
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid,
                                           void** out) override {
    const LARGE_INTEGER started = Recorder::Now();
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    const Scenario& scenario = CurrentScenario();
    const std::optional<HRESULT>& refusal = std::string(kind_) == "connection"
                                                ? scenario.create_connection
                                                : scenario.create_command;
    if (refusal) {
      Shared().recorder.Write(kind_, "create", u"", *refusal, started);
      return *refusal;
    }
    const ComPtr<Made> made = Make<Made>();
    const std::string name = made->name();
    const HRESULT result = made->QueryInterface(iid, out);
    Shared().recorder.Write(name, "create", u"", result, started);
    return result;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    if (lock) {
      InterlockedIncrement(&g_locks);
    } else {
      InterlockedDecrement(&g_locks);
    }
    return S_OK;
  }

 private:
  const char* kind_;
};

Factory<StandinConnection> g_connection_factory("connection");
Factory<StandinCommand> g_command_factory("command");

std::wstring ModulePath() {
  wchar_t path[MAX_PATH * 2];
  const DWORD length = GetModuleFileNameW(g_module, path, MAX_PATH * 2);
  return std::wstring(path, length);
}

}  // namespace
}  // namespace quorvel::standin

using quorvel::standin::g_command_factory;
using quorvel::standin::g_connection_factory;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    quorvel::standin::g_module = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (IsEqualCLSID(clsid, quorvel::connection::win32::ado::kClsidConnection)) {
    return g_connection_factory.QueryInterface(iid, out);
  }
  if (IsEqualCLSID(clsid, quorvel::connection::win32::ado::kClsidCommand)) {
    return g_command_factory.QueryInterface(iid, out);
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllCanUnloadNow() {
  return quorvel::standin::g_live_objects == 0 && quorvel::standin::g_locks == 0
             ? S_OK
             : S_FALSE;
}

STDAPI DllRegisterServer() {
  return quorvel::standin::RegisterStandin(quorvel::standin::ModulePath())
             ? S_OK
             : SELFREG_E_CLASS;
}

STDAPI DllUnregisterServer() {
  return quorvel::standin::UnregisterStandin() ? S_OK : SELFREG_E_CLASS;
}
