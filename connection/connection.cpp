#include "connection/connection.h"

namespace quorvel::connection {

Text ConnectionStringFor(const Text& server_name) {
  return u"Data Source=" + server_name + u";Integrated security=SSPI";
}

PendingError AsFailure(PendingError error) {
  if (!error.Failed()) error.number = -1;
  if (error.description.empty()) {
    error.description = u"No se pudo crear el objeto ADO.";
  }
  return error;
}

PendingError Open(AdoConnection& connection, const Text& server_name) {
  (void)connection.SetCommandTimeout(kCommandTimeoutSeconds);
  (void)connection.SetProvider(u"SQLOLEDB");
  (void)connection.SetConnectionString(ConnectionStringFor(server_name));
  return connection.Open();
}

void CloseAndRelease(std::unique_ptr<AdoConnection>& connection) {
  if (connection) (void)connection->Close();
  connection.reset();
}

}  // namespace quorvel::connection
