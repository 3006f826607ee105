// ADO over COM: ADODB.Connection and ADODB.Command.
#pragma once

#include "connection/ado_client.h"

namespace quorvel {

// COM must be initialised on the calling thread for the client's lifetime.
class AdoComClient final : public AdoClient {
 public:
  Created<AdoConnection> CreateConnection() override;
  Created<AdoCommand> CreateCommand() override;
};

}  // namespace quorvel
