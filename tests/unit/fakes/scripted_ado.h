// A scripted ADO client: it answers as a test tells it and logs every call.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "connection/ado_client.h"
#include "fakes/event_log.h"

namespace quorvel::testing {

// The fakes stand in for these interfaces, under their own names.
using namespace ::quorvel::connection;

// A server that answers as a test scripts it and records every call.
class ScriptedAdo final : public AdoClient {
 public:
  explicit ScriptedAdo(EventLog& log) : log_(log) {}
  Created<AdoConnection> CreateConnection() override;

  PendingError open_result;  // answer of the next Open calls
  PendingError close_result;
  // Execute failures by database name bound to @dbname.
  std::map<Text, PendingError> execute_failures;
  bool fail_creation = false;
  // Runs while an Open, Close or Execute is under way, as the window's events
  // would while it waits for the server.
  std::function<void()> during_call;

  int connections_created = 0;
  int connections_alive = 0;
  int commands_created = 0;
  int commands_alive = 0;
  std::vector<std::pair<Text, Text>> executed;  // (@dbname, @physname)

  EventLog& log() { return log_; }
  void WhileCalling() {
    if (during_call) during_call();
  }
  // What COM answers for a class that is not registered.
  static PendingError ClassNotRegistered() {
    return {-2147221164, u"Class not registered"};
  }

 private:
  EventLog& log_;
};

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

class ScriptedCommand final : public AdoCommand, public ScriptedObject {
 public:
  ScriptedCommand(ScriptedAdo& server, std::string connection)
      : ScriptedObject(server, "Command", ++server.commands_created,
                       server.commands_alive),
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
    if (!refreshed_) return {3265, u"Item cannot be found in the collection."};
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

class ScriptedConnection final : public AdoConnection, public ScriptedObject {
 public:
  explicit ScriptedConnection(ScriptedAdo& server)
      : ScriptedObject(server, "Connection", ++server.connections_created,
                       server.connections_alive) {}
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
  Created<AdoCommand> CreateCommand() override {
    if (server_.fail_creation) {
      return {nullptr, ScriptedAdo::ClassNotRegistered()};
    }
    return {std::make_unique<ScriptedCommand>(server_, name()), {}};
  }
};

inline Created<AdoConnection> ScriptedAdo::CreateConnection() {
  if (fail_creation) return {nullptr, ClassNotRegistered()};
  return {std::make_unique<ScriptedConnection>(*this), {}};
}

}  // namespace quorvel::testing
