// The ADO operations the window performs, one failure record per call.
#pragma once

#include <cstdint>
#include <memory>

#include "common/text.h"

namespace quorvel::connection {

// A new object, or the failure that kept it from being created.
template <typename Object>
struct Created {
  std::unique_ptr<Object> object;
  PendingError error;
};

inline constexpr int32_t kCommandTypeStoredProcedure = 4;

class AdoCommand {
 public:
  virtual ~AdoCommand() = default;
  // Runs on the connection the command was created from.
  virtual PendingError SetActiveConnection() = 0;
  virtual PendingError SetCommandType(int32_t command_type) = 0;
  virtual PendingError SetCommandText(const Text& command_text) = 0;
  // Asks the server for the procedure's parameters.
  virtual PendingError RefreshParameters() = 0;
  // Sets the value of the parameter with this name.
  virtual PendingError SetParameterValue(const Text& name,
                                         const Text& value) = 0;
  // Runs the command synchronously; any result set is released unread.
  virtual PendingError Execute() = 0;
};

class AdoConnection {
 public:
  virtual ~AdoConnection() = default;
  virtual PendingError SetCommandTimeout(int32_t seconds) = 0;
  virtual PendingError SetProvider(const Text& provider) = 0;
  virtual PendingError SetConnectionString(const Text& connection_string) = 0;
  // Opens synchronously with the settings above; no arguments are passed.
  virtual PendingError Open() = 0;
  virtual PendingError Close() = 0;
  // A new command, which SetActiveConnection binds to this connection.
  virtual Created<AdoCommand> CreateCommand() = 0;
};

class AdoClient {
 public:
  virtual ~AdoClient() = default;
  virtual Created<AdoConnection> CreateConnection() = 0;
};

}  // namespace quorvel::connection
