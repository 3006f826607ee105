// A scripted ADO client: it answers as a test tells it and logs every call.
#pragma once

#include <functional>
#include <map>
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

 private:
  EventLog& log_;
};

}  // namespace quorvel::testing
