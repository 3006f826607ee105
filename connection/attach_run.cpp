// The attach run: one sp_attach_single_file_db call per file row.
#include "app/frm_adjuntar.h"
#include "connection/ado_outcome.h"

namespace quorvel {

namespace {

constexpr char16_t kAttachProcedure[] = u"sp_attach_single_file_db";

// Runs one call for a row; only Execute's outcome matters, as the earlier
// steps' failures show up there.
PendingError AttachRow(AdoClient& ado, AdoConnection* connection,
                       const Grid& grid, int32_t row,
                       std::unique_ptr<AdoCommand>& command) {
  Created<AdoCommand> created = ado.CreateCommand();
  command = std::move(created.object);  // releases the previous row's command
  if (!command) {
    return AsFailure(created.error);
  }
  if (connection != nullptr) {
    (void)command->SetActiveConnection(*connection);
  }
  (void)command->SetCommandType(kCommandTypeStoredProcedure);
  (void)command->SetCommandText(kAttachProcedure);
  (void)command->RefreshParameters();
  (void)command->SetParameterValue(u"@dbname", grid.CellText(row, 1));
  (void)command->SetParameterValue(u"@physname", grid.CellText(row, 0));
  return command->Execute();
}

}  // namespace

void FrmAdjuntar::Command4_Click() {
  bool any_failed = false;
  Grid& grid = controls_.vsFlexGrid1;
  // Rows are counted in 32 bits so that every row is attached or reported.
  const int32_t last_row = grid.RowCount() - 1;
  std::unique_ptr<AdoCommand> command;

  for (int32_t row = 1; row <= last_row; ++row) {
    const PendingError result =
        AttachRow(services_.ado, ServerConnection.get(), grid, row, command);
    if (result.Failed()) {
      any_failed = true;
      controls_.messages.Show(
          result.description + u". En " + grid.CellText(row, 1),
          MessageStyle::kOkOnly);
    }
  }

  if (!any_failed) {
    controls_.messages.Show(u"Fin del proceso", MessageStyle::kOkOnly);
  }
}

}  // namespace quorvel
