#include "fakes/scripted_ado.h"

#include <memory>
#include <string>
#include <utility>

namespace quorvel::testing {

namespace {

// What COM answers for a class that is not registered.
PendingError ClassNotRegistered() {
  return {-2147221164, u"Class not registered"};
}

// Names an object of the scripted server, counts it while it lives and logs
// what is asked of it.
class ScriptedObject {
 public:
  ScriptedObject(ScriptedAdo& server, const std::string& kind, int serial,
                 int& alive)
      : server_(server),
        name_(kind + "#" + std::to_string(serial)),
        alive_(alive) {
    ++alive_;
  }
  ~ScriptedObject() {
    --alive_;
    Log("Released");
  }
  ScriptedObject(const ScriptedObject&) = delete;
  ScriptedObject& operator=(const ScriptedObject&) = delete;
  const std::string& name() const { return name_; }

 protected:
  PendingError Log(const std::string& what) {
    server_.log().push_back(name_ + "." + what);
    return {};
  }
  ScriptedAdo& server_;

 private:
  std::string name_;
  int& alive_;
};

class ScriptedConnection final : public AdoConnection, public ScriptedObject {
 public:
  ScriptedConnection(ScriptedAdo& server, int serial)
      : ScriptedObject(server, "Connection", serial, server.connections_alive) {
  }
  PendingError SetCommandTimeout(int32_t seconds) override {
    return Log("CommandTimeout=" + std::to_string(seconds));
  }
  PendingError SetProvider(const Text& provider) override {
    return Log("Provider=" + Narrow(provider));
  }
  PendingError SetConnectionString(const Text& text) override {
    return Log("ConnectionString=" + Narrow(text));
  }
  PendingError Open() override {
    Log("Open");
    server_.WhileCalling();
    return server_.open_result;
  }
  PendingError Close() override {
    Log("Close");
    server_.WhileCalling();
    return server_.close_result;
  }
  Created<AdoCommand> CreateCommand() override;
};

class ScriptedCommand final : public AdoCommand, public ScriptedObject {
 public:
  ScriptedCommand(ScriptedAdo& server, int serial, std::string connection)
      : ScriptedObject(server, "Command", serial, server.commands_alive),
        connection_(std::move(connection)) {}
  PendingError SetActiveConnection() override {
    return Log("ActiveConnection=" + connection_);
  }
  PendingError SetCommandType(int32_t type) override {
    return Log("CommandType=" + std::to_string(type));
  }
  PendingError SetCommandText(const Text& text) override {
    return Log("CommandText=" + Narrow(text));
  }
  PendingError RefreshParameters() override {
    refreshed_ = true;
    return Log("Refresh");
  }
  PendingError SetParameterValue(const Text& name, const Text& value) override {
    if (!refreshed_) {
      return {3265, u"Item cannot be found in the collection."};
    }
    values_[name] = value;
    return Log(Narrow(name) + "=" + Narrow(value));
  }
  PendingError Execute() override {
    Log("Execute");
    server_.WhileCalling();
    const Text dbname = values_[u"@dbname"];
    server_.executed.emplace_back(dbname, values_[u"@physname"]);
    const auto failure = server_.execute_failures.find(dbname);
    return failure == server_.execute_failures.end() ? PendingError{}
                                                     : failure->second;
  }

 private:
  std::string connection_;  // the name of the one it came from
  bool refreshed_ = false;
  std::map<Text, Text> values_;
};

Created<AdoCommand> ScriptedConnection::CreateCommand() {
  if (server_.fail_creation) return {nullptr, ClassNotRegistered()};
  return {std::make_unique<ScriptedCommand>(server_, ++server_.commands_created,
                                            name()),
          {}};
}

}  // namespace

Created<AdoConnection> ScriptedAdo::CreateConnection() {
  if (fail_creation) return {nullptr, ClassNotRegistered()};
  return {std::make_unique<ScriptedConnection>(*this, ++connections_created),
          {}};
}

}  // namespace quorvel::testing
