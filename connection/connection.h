// Opening and closing the window's one connection.
#pragma once

#include <cstdint>
#include <memory>

#include "common/text.h"
#include "connection/ado_client.h"

namespace quorvel::connection {

inline constexpr int32_t kCommandTimeoutSeconds = 3600;

// "Data Source=" + the server name unchanged + ";Integrated security=SSPI".
Text ConnectionStringFor(const Text& server_name);

// An object that could not be created must still end as a reported failure,
// even if its creation left no error number or text behind.
PendingError AsFailure(PendingError error);

// Gives a new connection the program's settings for server_name (command
// time-out, SQLOLEDB, integrated security) and opens it. Only the outcome of
// Open counts: the settings' own failures would surface there anyway.
PendingError Open(AdoConnection& connection, const Text& server_name);

// Closes the connection and lets it go. A connection that cannot close (the
// server went away) is let go all the same.
void CloseAndRelease(std::unique_ptr<AdoConnection>& connection);

}  // namespace quorvel::connection
