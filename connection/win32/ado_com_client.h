// ADO over COM: ADODB.Connection and ADODB.Command.
#pragma once

#include "connection/ado_client.h"

struct IClassFactory;

namespace quorvel {

// COM must be initialised on the calling thread for the client's lifetime.
// The class objects are asked for once and kept, so that a run of many
// commands does not look the class up in the registry for every row.
class AdoComClient final : public AdoClient {
 public:
  AdoComClient() = default;
  AdoComClient(const AdoComClient&) = delete;
  AdoComClient& operator=(const AdoComClient&) = delete;
  ~AdoComClient() override;

  Created<AdoConnection> CreateConnection() override;
  Created<AdoCommand> CreateCommand() override;

 private:
  IClassFactory* connection_factory_ = nullptr;
  IClassFactory* command_factory_ = nullptr;
};

}  // namespace quorvel
