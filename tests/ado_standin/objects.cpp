// The stand-in's objects: the Connection with the Errors it hands out, the
// Command with its Parameters, the recordset Execute gives, and the shell's
// taskbar list. Each defines what the program calls, then answers the rest
// of its interface with Unused.
#include "tests/ado_standin/objects.h"

// The shell's header needs windows.h, which objects.h brings, before it.
#include <shobjidl.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/support.h"

namespace quorvel::standin {
namespace {

constexpr HRESULT kObjectClosed = static_cast<HRESULT>(0x800A0E78);
constexpr HRESULT kConnectionUnusable = static_cast<HRESULT>(0x800A0E7D);
constexpr HRESULT kMissingParameter = static_cast<HRESULT>(0x80040E10);

std::u16string Describe(const VARIANT* argument) {
  if (argument == nullptr) return u"null";
  if (V_VT(argument) == VT_EMPTY) return u"empty";
  if (V_VT(argument) == VT_BSTR) return com::Bstr::FromBstr(V_BSTR(argument));
  if (V_VT(argument) != VT_ERROR) return u"vt=" + Number(V_VT(argument));
  return V_ERROR(argument) == DISP_E_PARAMNOTFOUND ? u"missing" : u"error";
}

std::u16string Quoted(BSTR bstr) {
  if (bstr == nullptr) return u"null";
  return u'"' + com::Bstr::FromBstr(bstr) + u'"';
}

class StandinError final : public Object<ado::Error> {
 public:
  StandinError(const std::string& owner, Failure failure)
      : Object(owner, {ado::kIidError}), failure_(std::move(failure)) {}
  STDMETHODIMP get_Description(BSTR* description) override {
    if (description == nullptr) return E_POINTER;
    // The caller owns what it is given.
    *description = SysAllocStringLen(
        reinterpret_cast<const OLECHAR*>(failure_.description.data()),
        static_cast<UINT>(failure_.description.size()));
    return S_OK;
  }

  QUORVEL_UNUSED(get_Number, LONG*)
  QUORVEL_UNUSED(get_Source, BSTR*)
  QUORVEL_UNUSED(get_HelpFile, BSTR*)
  QUORVEL_UNUSED(get_HelpContext, LONG*)
  QUORVEL_UNUSED(get_SQLState, BSTR*)
  QUORVEL_UNUSED(get_NativeError, LONG*)

 private:
  Failure failure_;
};

class StandinErrors final : public Object<ado::Errors> {
 public:
  StandinErrors(const std::string& owner, std::vector<Failure> items)
      : Object(owner, {ado::kIidErrors, ado::kIidCollection}),
        items_(std::move(items)) {}
  STDMETHODIMP get_Count(LONG* count) override {
    if (count == nullptr) return E_POINTER;
    *count = static_cast<LONG>(items_.size());
    return S_OK;
  }
  STDMETHODIMP get_Item(VARIANT index, ado::Error** item) override {
    if (item == nullptr) return E_POINTER;
    *item = nullptr;
    com::Variant number;
    if (FAILED(VariantChangeType(number.Ptr(), &index, 0, VT_I4)) ||
        V_I4(number.Ptr()) < 0 ||
        static_cast<size_t>(V_I4(number.Ptr())) >= items_.size()) {
      return kItemNotFound;
    }
    const Failure& failure = items_[static_cast<size_t>(V_I4(number.Ptr()))];
    *item = Make<StandinError>(name(), failure).Detach();
    return S_OK;
  }

  QUORVEL_UNUSED(NewEnum, IUnknown**)
  QUORVEL_UNUSED(Refresh)
  QUORVEL_UNUSED(Clear)

 private:
  std::vector<Failure> items_;
};

// Lets the stand-in recognise its own connections behind an IDispatch.
constexpr IID kIidStandinConnection = {
    0x5C0D6E2A,
    0x8B1F,
    0x4E7A,
    {0x9D, 0x3C, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E, 0x6F}};

class StandinConnection final : public Object<ado::Connection> {
 public:
  StandinConnection()
      : Object(Serial("connection#", count),
               {ado::kIidConnection, ado::kIidConnectionOld,
                ado::kIidConnection15, ado::kIidConnection15Old,
                ado::kIidAdoObject, kIidStandinConnection},
               /*record_release=*/true) {}

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

  STDMETHODIMP put_ConnectionString(BSTR text) override {
    return Took("ConnectionString", com::Bstr::FromBstr(text));
  }
  STDMETHODIMP put_CommandTimeout(LONG seconds) override {
    return Took("CommandTimeout", Number(seconds));
  }
  STDMETHODIMP put_Provider(BSTR provider) override {
    return Took("Provider", com::Bstr::FromBstr(provider));
  }
  STDMETHODIMP Open(BSTR connection_string, BSTR user_id, BSTR password,
                    LONG options) override {
    const Call call = BeginCall("Open");
    ClearErrors();
    const std::u16string value =
        u"ConnectionString=" + Quoted(connection_string) + u" UserID=" +
        Quoted(user_id) + u" Password=" + Quoted(password) + u" Options=" +
        Number(options);
    const Scenario& scenario = CurrentScenario();
    open_ = !scenario.open;
    return Log("Open", value,
               scenario.open ? Fail(*scenario.open, ado::kIidConnection) : S_OK,
               call);
  }
  STDMETHODIMP Close() override {
    const Call call = BeginCall("Close");
    ClearErrors();
    HRESULT result = S_OK;
    if (!open_) {
      result = Fail({kObjectClosed,
                     u"Operation is not allowed when the object is closed.",
                     Channel::kErrorInfo},
                    ado::kIidConnection);
    } else if (const std::optional<Failure>& close = CurrentScenario().close) {
      result = Fail(*close, ado::kIidConnection);
    }
    open_ = false;
    return Log("Close", u"", result, call);
  }
  STDMETHODIMP get_Errors(ado::Errors** errors) override {
    const Call call = BeginCall("Errors");
    if (errors == nullptr) return E_POINTER;
    *errors = Make<StandinErrors>(name(), errors_).Detach();
    return Log("Errors", Number(static_cast<long long>(errors_.size())), S_OK,
               call);
  }

  QUORVEL_UNUSED(get_Properties, IDispatch**)
  QUORVEL_UNUSED(get_ConnectionString, BSTR*)
  QUORVEL_UNUSED(get_CommandTimeout, LONG*)
  QUORVEL_UNUSED_PROPERTY(ConnectionTimeout, LONG)
  QUORVEL_UNUSED(get_Version, BSTR*)
  QUORVEL_UNUSED(Execute, BSTR, VARIANT*, LONG, IUnknown**)
  QUORVEL_UNUSED(BeginTrans, LONG*)
  QUORVEL_UNUSED(CommitTrans)
  QUORVEL_UNUSED(RollbackTrans)
  QUORVEL_UNUSED_PROPERTY(DefaultDatabase, BSTR)
  QUORVEL_UNUSED_PROPERTY(IsolationLevel, LONG)
  QUORVEL_UNUSED_PROPERTY(Attributes, LONG)
  QUORVEL_UNUSED_PROPERTY(CursorLocation, LONG)
  QUORVEL_UNUSED_PROPERTY(Mode, LONG)
  QUORVEL_UNUSED(get_Provider, BSTR*)
  QUORVEL_UNUSED(get_State, LONG*)
  QUORVEL_UNUSED(OpenSchema, LONG, VARIANT, VARIANT, IUnknown**)
  QUORVEL_UNUSED(Cancel)

 private:
  static inline LONG count = 0;
  bool open_ = false;
  std::vector<Failure> errors_;
};

// A parameter records under its command's name.
class StandinParameter final : public Object<ado::Parameter> {
 public:
  StandinParameter(const std::string& command, std::u16string name)
      : Object(command,
               {ado::kIidParameter, ado::kIidParameterOld, ado::kIidAdoObject}),
        name_(std::move(name)) {}

  const std::u16string& parameter() const { return name_; }
  const VARIANT& value() const { return value_.Get(); }

  STDMETHODIMP put_Value(VARIANT value) override {
    const std::string event = "Value " + e2e::ToUtf8(name_);
    const Call call = BeginCall(event);
    const HRESULT result = VariantCopy(value_.Ptr(), &value);
    return Log(event,
               V_VT(&value) == VT_BSTR ? Describe(&value)
                                       : u"vt=" + Number(V_VT(&value)),
               result, call);
  }

  QUORVEL_UNUSED(get_Properties, IDispatch**)
  QUORVEL_UNUSED_PROPERTY(Name, BSTR)
  QUORVEL_UNUSED(get_Value, VARIANT*)
  QUORVEL_UNUSED_PROPERTY(Type, LONG)
  QUORVEL_UNUSED_PROPERTY(Direction, LONG)
  QUORVEL_UNUSED_PROPERTY(Precision, BYTE)
  QUORVEL_UNUSED_PROPERTY(NumericScale, BYTE)
  QUORVEL_UNUSED_PROPERTY(Size, LONG)
  QUORVEL_UNUSED(AppendChunk, VARIANT)
  QUORVEL_UNUSED_PROPERTY(Attributes, LONG)

 private:
  std::u16string name_;
  com::Variant value_;
};

class StandinParameters final : public Object<ado::Parameters> {
 public:
  explicit StandinParameters(const std::string& command)
      : Object(command, {ado::kIidParameters, ado::kIidParametersOld,
                         ado::kIidDynaCollection, ado::kIidCollection}) {}

  StandinParameter* Find(const std::u16string& name) const {
    for (const ComPtr<StandinParameter>& item : items_) {
      if (SameName(item->parameter(), name)) return item.Get();
    }
    return nullptr;
  }

  STDMETHODIMP Refresh() override {
    const Call call = BeginCall("Parameters.Refresh");
    const Scenario& scenario = CurrentScenario();
    HRESULT result = S_OK;
    if (scenario.refresh) {
      if (scenario.refresh->channel != Channel::kNone) {
        SetErrorInformation(ado::kIidParameters, scenario.refresh->description);
      }
      result = scenario.refresh->number;
    } else {
      items_.clear();
      for (const std::u16string& parameter : scenario.procedure_params) {
        items_.push_back(Make<StandinParameter>(name(), parameter));
      }
    }
    return Log("Parameters.Refresh", u"", result, call);
  }
  STDMETHODIMP get_Item(VARIANT index, ado::Parameter** item) override {
    const Call call = BeginCall("Parameters.Item");
    if (item == nullptr) return E_POINTER;
    StandinParameter* found =
        V_VT(&index) == VT_BSTR ? Find(Describe(&index)) : nullptr;
    *item = ComPtr<ado::Parameter>(found).Detach();
    if (found == nullptr) {
      SetErrorInformation(ado::kIidParameters,
                          u"Item cannot be found in the collection "
                          u"corresponding to the requested name or ordinal.");
    }
    return Log("Parameters.Item", Describe(&index),
               found != nullptr ? S_OK : kItemNotFound, call);
  }

  QUORVEL_UNUSED(get_Count, LONG*)
  QUORVEL_UNUSED(NewEnum, IUnknown**)
  QUORVEL_UNUSED(Append, IDispatch*)
  QUORVEL_UNUSED(Delete, VARIANT)

 private:
  std::vector<ComPtr<StandinParameter>> items_;
};

// What Execute hands back; only its release is watched.
class StandinRecordset final : public Object<IDispatch> {
 public:
  StandinRecordset()
      : Object(Serial("recordset#", count), {}, /*record_release=*/true) {}

 private:
  static inline LONG count = 0;
};

class StandinCommand final : public Object<ado::Command> {
 public:
  StandinCommand()
      : Object(Serial("command#", count),
               {ado::kIidCommand, ado::kIidCommandOld, ado::kIidCommand25,
                ado::kIidCommand25Old, ado::kIidCommand15,
                ado::kIidCommand15Old, ado::kIidAdoObject},
               /*record_release=*/true) {}

  STDMETHODIMP put_ActiveConnection(VARIANT value) override {
    const Call call = BeginCall("ActiveConnection");
    connection_ = nullptr;
    std::u16string shown = u"text " + Describe(&value);
    if (V_VT(&value) == VT_DISPATCH || V_VT(&value) == VT_UNKNOWN) {
      shown = Identify(V_UNKNOWN(&value));
    } else if (V_VT(&value) != VT_BSTR) {
      shown = Describe(&value);
    }
    return Log("ActiveConnection", shown, S_OK, call);
  }
  STDMETHODIMP put_CommandText(BSTR text) override {
    command_text_ = com::Bstr::FromBstr(text);
    return Took("CommandText", command_text_);
  }
  STDMETHODIMP put_CommandType(LONG type) override {
    return Took("CommandType", Number(type));
  }
  STDMETHODIMP get_Parameters(ado::Parameters** parameters) override {
    const Call call = BeginCall("Parameters");
    if (parameters == nullptr) return E_POINTER;
    if (!parameters_) parameters_ = Make<StandinParameters>(name());
    *parameters = ComPtr<ado::Parameters>(parameters_.Get()).Detach();
    return Log("Parameters", u"", S_OK, call);
  }
  STDMETHODIMP Execute(VARIANT* records_affected, VARIANT* parameters,
                       LONG options, IUnknown** recordset) override {
    const Call call = BeginCall("Execute");
    const std::u16string shown =
        u"RecordsAffected=" + Describe(records_affected) + u" Parameters=" +
        Describe(parameters) + u" Options=" + Number(options);
    if (recordset != nullptr) *recordset = nullptr;
    if (connection_) connection_->ClearErrors();
    return Log("Execute", shown, Run(records_affected, recordset), call);
  }

  QUORVEL_UNUSED(get_Properties, IDispatch**)
  QUORVEL_UNUSED(get_ActiveConnection, ado::Connection**)
  QUORVEL_UNUSED(putref_ActiveConnection, ado::Connection*)
  QUORVEL_UNUSED(get_CommandText, BSTR*)
  QUORVEL_UNUSED_PROPERTY(CommandTimeout, LONG)
  QUORVEL_UNUSED_PROPERTY(Prepared, VARIANT_BOOL)
  QUORVEL_UNUSED(CreateParameter, BSTR, LONG, LONG, LONG, VARIANT,
                 ado::Parameter**)
  QUORVEL_UNUSED(get_CommandType, LONG*)
  QUORVEL_UNUSED_PROPERTY(Name, BSTR)
  QUORVEL_UNUSED(get_State, LONG*)
  QUORVEL_UNUSED(Cancel)
  QUORVEL_UNUSED(putref_CommandStream, IUnknown*)
  QUORVEL_UNUSED(get_CommandStream, VARIANT*)
  QUORVEL_UNUSED_PROPERTY(Dialect, BSTR)
  QUORVEL_UNUSED_PROPERTY(NamedParameters, VARIANT_BOOL)

 private:
  std::u16string Identify(IUnknown* object) {
    if (object == nullptr) return u"nothing";
    ComPtr<ado::Connection> ours;
    if (FAILED(object->QueryInterface(kIidStandinConnection, &ours))) {
      return u"foreign object";
    }
    connection_ = static_cast<StandinConnection*>(ours.Get());
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

  // The value bound to a parameter, as the server would see it.
  const VARIANT* Bound(const std::u16string& name) const {
    const StandinParameter* found =
        parameters_ ? parameters_->Find(name) : nullptr;
    return found != nullptr && V_VT(&found->value()) != VT_EMPTY
               ? &found->value()
               : nullptr;
  }

  HRESULT Run(VARIANT* records_affected, IUnknown** recordset) {
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
      if (!SameName(declared, u"@RETURN_VALUE") && Bound(declared) == nullptr) {
        return Fail({kMissingParameter,
                     u"Procedure or function '" + command_text_ +
                         u"' expects parameter '" + declared +
                         u"', which was not supplied.",
                     Channel::kErrorInfo});
      }
    }
    const VARIANT* database = Bound(u"@dbname");
    const std::u16string database_name =
        database != nullptr && V_VT(database) == VT_BSTR ? Describe(database)
                                                         : u"";
    for (const ExecuteFailure& entry : scenario.execute) {
      if (!entry.database_name || entry.database_name == database_name) {
        return Fail(entry.failure);
      }
    }
    if (records_affected != nullptr) {
      VariantClear(records_affected);
      V_VT(records_affected) = VT_I4;
      V_I4(records_affected) = -1;
    }
    if (recordset != nullptr) *recordset = new StandinRecordset();
    return S_OK;
  }

  static inline LONG count = 0;
  std::u16string command_text_;
  ComPtr<StandinParameters> parameters_;
  ComPtr<StandinConnection> connection_;
};

std::u16string Hex(uintptr_t value) {
  char text[20];
  std::snprintf(text, sizeof text, "%08lX", static_cast<unsigned long>(value));
  return Ascii(text);
}

// Records every call with the window it is about, under "taskbar#1", ...
// A window's progress shows as
//   SetProgressState  <window> <TBPF flags, hex>
//   SetProgressValue  <window> <done>/<total>
// with the window's handle in hex.
class Taskbar final : public Counted<ITaskbarList3> {
 public:
  Taskbar()
      : Counted(Serial("taskbar#", count),
                {IID_ITaskbarList, IID_ITaskbarList2, IID_ITaskbarList3}) {}

  STDMETHODIMP HrInit() override { return Took("HrInit", u""); }
  STDMETHODIMP SetProgressValue(HWND window, ULONGLONG done,
                                ULONGLONG total) override {
    return Took("SetProgressValue",
                Hex(reinterpret_cast<uintptr_t>(window)) + u" " +
                    Number(static_cast<long long>(done)) + u"/" +
                    Number(static_cast<long long>(total)));
  }
  STDMETHODIMP SetProgressState(HWND window, TBPFLAG flags) override {
    return Took("SetProgressState", Hex(reinterpret_cast<uintptr_t>(window)) +
                                        u" " +
                                        Hex(static_cast<uintptr_t>(flags)));
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

Made NewConnection() {
  const ComPtr<StandinConnection> connection = Make<StandinConnection>();
  return {connection->name(), connection.Get()};
}

Made NewCommand() {
  const ComPtr<StandinCommand> command = Make<StandinCommand>();
  return {command->name(), command.Get()};
}

Made NewTaskbar() {
  const ComPtr<Taskbar> taskbar = Make<Taskbar>();
  return {taskbar->name(), taskbar.Get()};
}

}  // namespace quorvel::standin
