// Opening and closing the window's one connection.
#include "app/frm_adjuntar.h"
#include "connection/ado_outcome.h"

namespace quorvel {

void FrmAdjuntar::Command1_Click() { ConnectToServer(); }

void FrmAdjuntar::ConnectToServer() {
  Created<AdoConnection> created = services_.ado.CreateConnection();
  // Every attempt starts from a new object; the previous one goes here.
  ServerConnection = std::move(created.object);

  PendingError opened;
  if (ServerConnection) {
    // Only the outcome of Open decides; the settings' own failures would
    // surface there anyway.
    (void)ServerConnection->SetCommandTimeout(kConnectionCommandTimeout);
    (void)ServerConnection->SetProvider(u"SQLOLEDB");
    (void)ServerConnection->SetConnectionString(
        ConnectionStringFor(controls_.Combo1.CurrentText()));
    opened = ServerConnection->Open();
  } else {
    opened = AsFailure(created.error);
  }

  if (!opened.Failed()) {
    EnterConnectedState();
    return;
  }
  SetTitle(kSuffixDisconnected);
  controls_.messages.Show(opened.description, MessageStyle::kOkOnly);
}

void FrmAdjuntar::Command2_Click() {
  if (ServerConnection) {
    // A connection that cannot close (the server went away) is let go all
    // the same.
    (void)ServerConnection->Close();
  }
  ServerConnection.reset();
  EnterDisconnectedState();
}

}  // namespace quorvel
