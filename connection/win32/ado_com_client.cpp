#include "connection/win32/ado_com_client.h"

#include <initializer_list>
#include <memory>
#include <utility>

#include "common/com_ptr.h"
#include "common/win32/com_handles.h"
#include "common/win32/windows_api.h"
#include "connection/win32/ado_interfaces.h"
#include "connection/win32/com_error.h"
#include "connection/win32/com_worker.h"

namespace quorvel::connection::win32 {
namespace {

using com::Bstr;
using com::ComPtr;
using com::Variant;

// Asks for the first of the interface ids the object answers.
template <typename Interface>
HRESULT QueryFirst(IUnknown* object, std::initializer_list<IID> ids,
                   ComPtr<Interface>& out) {
  HRESULT result = E_NOINTERFACE;
  for (const IID& id : ids) {
    result = object->QueryInterface(id, &out);
    if (SUCCEEDED(result) && out) return S_OK;
  }
  return FAILED(result) ? result : E_NOINTERFACE;
}

template <typename Interface>
HRESULT CreateAdoObject(const CLSID& class_id, ComPtr<IClassFactory>& factory,
                        std::initializer_list<IID> ids,
                        ComPtr<Interface>& out) {
  if (!factory) {
    const HRESULT result = CoGetClassObject(
        class_id, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, &factory);
    if (FAILED(result)) {
      factory.Reset();
      return result;
    }
    if (!factory) return E_POINTER;
  }
  ComPtr<IUnknown> unknown;
  const HRESULT result =
      factory->CreateInstance(nullptr, IID_IUnknown, &unknown);
  if (FAILED(result)) return result;
  if (!unknown) return E_POINTER;
  return QueryFirst(unknown.Get(), ids, out);
}

// Creates an ADO object on the worker and wraps it there, or describes why
// it could not be created.
template <typename Made, typename Interface, typename Wrap>
Created<Made> CreateOnWorker(ComWorker& worker, const CLSID& class_id,
                             ComPtr<IClassFactory>& factory,
                             std::initializer_list<IID> ids, Wrap wrap) {
  Created<Made> created;
  worker.Run([&] {
    ClearErrorInfo();
    ComPtr<Interface> object;
    const HRESULT result = CreateAdoObject(class_id, factory, ids, object);
    if (FAILED(result)) {
      created.error = DescribeFailure(result, nullptr);
    } else {
      created.object = wrap(std::move(object));
    }
  });
  return created;
}

// Made on the worker; every use and the release of its ADO object go there.
class ComConnection final : public AdoConnection {
 public:
  ComConnection(ComWorker& worker, ComPtr<ado::Connection> connection,
                ComPtr<IClassFactory>& command_factory)
      : worker_(worker),
        connection_(std::move(connection)),
        command_factory_(command_factory) {}
  ComConnection(const ComConnection&) = delete;
  ComConnection& operator=(const ComConnection&) = delete;
  ~ComConnection() override {
    worker_.Run([this] { connection_.Reset(); });
  }

  PendingError SetCommandTimeout(int32_t seconds) override {
    return Call([&] { return connection_->put_CommandTimeout(seconds); });
  }

  PendingError SetProvider(const Text& provider) override {
    return Call([&] {
      Bstr value(provider);
      if (!value) return E_OUTOFMEMORY;
      return connection_->put_Provider(value.Get());
    });
  }

  PendingError SetConnectionString(const Text& connection_string) override {
    return Call([&] {
      Bstr value(connection_string);
      if (!value) return E_OUTOFMEMORY;
      return connection_->put_ConnectionString(value.Get());
    });
  }

  PendingError Open() override {
    // Empty strings stand for the arguments left out: the connection string
    // set before applies, and no credentials go with it.
    return Call([&] {
      Bstr connection_string(Text{});
      Bstr user_id(Text{});
      Bstr password(Text{});
      if (!connection_string || !user_id || !password) return E_OUTOFMEMORY;
      return connection_->Open(connection_string.Get(), user_id.Get(),
                               password.Get(), ado::kOptionUnspecified);
    });
  }

  PendingError Close() override {
    return Call([&] { return connection_->Close(); });
  }

  Created<AdoCommand> CreateCommand() override;

 private:
  // The call and the reading of its failure, both on the worker.
  template <typename Step>
  PendingError Call(Step step) {
    PendingError result;
    worker_.Run([&] { result = Invoke(connection_.Get(), step); });
    return result;
  }

  ComWorker& worker_;
  ComPtr<ado::Connection> connection_;
  // The client's: asked for once for all its connections' commands.
  ComPtr<IClassFactory>& command_factory_;
};

// Made on the worker, like its connection, and used and released there.
class ComCommand final : public AdoCommand {
 public:
  ComCommand(ComWorker& worker, ComPtr<ado::Command> command,
             ComPtr<ado::Connection> connection)
      : worker_(worker),
        command_(std::move(command)),
        connection_(std::move(connection)) {}
  ComCommand(const ComCommand&) = delete;
  ComCommand& operator=(const ComCommand&) = delete;
  ~ComCommand() override {
    worker_.Run([this] {
      command_.Reset();
      connection_.Reset();
    });
  }

  PendingError SetActiveConnection() override {
    bound_ = true;
    return Call([&] {
      Variant value;
      value.SetDispatch(connection_.Get());
      return command_->put_ActiveConnection(value.Get());
    });
  }

  PendingError SetCommandType(int32_t command_type) override {
    return Call([&] { return command_->put_CommandType(command_type); });
  }

  PendingError SetCommandText(const Text& command_text) override {
    return Call([&] {
      Bstr value(command_text);
      if (!value) return E_OUTOFMEMORY;
      return command_->put_CommandText(value.Get());
    });
  }

  PendingError RefreshParameters() override {
    return Call([&] {
      ComPtr<ado::Parameters> parameters;
      const HRESULT result = command_->get_Parameters(&parameters);
      if (FAILED(result)) return result;
      if (!parameters) return E_POINTER;
      return parameters->Refresh();
    });
  }

  PendingError SetParameterValue(const Text& name, const Text& value) override {
    return Call([&] {
      ComPtr<ado::Parameters> parameters;
      HRESULT result = command_->get_Parameters(&parameters);
      if (FAILED(result)) return result;
      if (!parameters) return E_POINTER;
      Variant index;
      if (!index.SetText(name)) return E_OUTOFMEMORY;
      ComPtr<ado::Parameter> parameter;
      result = parameters->get_Item(index.Get(), &parameter);
      if (FAILED(result)) return result;
      if (!parameter) return E_POINTER;
      Variant bound;
      if (!bound.SetText(value)) return E_OUTOFMEMORY;
      return parameter->put_Value(bound.Get());
    });
  }

  PendingError Execute() override {
    return Call([&] {
      Variant records_affected;
      Variant parameters;
      parameters.SetMissing();
      ComPtr<IUnknown> recordset;
      const HRESULT result =
          command_->Execute(records_affected.Ptr(), parameters.Ptr(),
                            ado::kOptionUnspecified, &recordset);
      recordset.Reset();  // nothing the procedure returns is read
      return result;
    });
  }

 private:
  // An unbound command's failures are in no connection's Errors collection.
  template <typename Step>
  PendingError Call(Step step) {
    PendingError result;
    worker_.Run(
        [&] { result = Invoke(bound_ ? connection_.Get() : nullptr, step); });
    return result;
  }

  ComWorker& worker_;
  ComPtr<ado::Command> command_;
  ComPtr<ado::Connection> connection_;  // the one it was created from
  bool bound_ = false;
};

Created<AdoCommand> ComConnection::CreateCommand() {
  return CreateOnWorker<AdoCommand, ado::Command>(
      worker_, ado::kClsidCommand, command_factory_,
      {ado::kIidCommand, ado::kIidCommandOld, ado::kIidCommand25,
       ado::kIidCommand25Old, ado::kIidCommand15, ado::kIidCommand15Old},
      [&](ComPtr<ado::Command> command) {
        return std::make_unique<ComCommand>(worker_, std::move(command),
                                            connection_);
      });
}

}  // namespace

AdoComClient::~AdoComClient() {
  // Nothing of ours may outlive the worker's apartment.
  if (worker_.Running()) {
    worker_.Run([this] {
      connection_factory_.Reset();
      command_factory_.Reset();
    });
  }
}

Created<AdoConnection> AdoComClient::CreateConnection() {
  const HRESULT started = worker_.Start();
  if (FAILED(started)) return {nullptr, DescribeFailure(started, nullptr)};
  return CreateOnWorker<AdoConnection, ado::Connection>(
      worker_, ado::kClsidConnection, connection_factory_,
      {ado::kIidConnection, ado::kIidConnectionOld},
      [&](ComPtr<ado::Connection> connection) {
        return std::make_unique<ComConnection>(worker_, std::move(connection),
                                               command_factory_);
      });
}

}  // namespace quorvel::connection::win32
