#include "connection/attach_run.h"

#include "connection/connection.h"

namespace quorvel::connection {
namespace {

constexpr char16_t kAttachProcedure[] = u"sp_attach_single_file_db";

}  // namespace

AttachOutcome AttachRun::AttachEveryRow(int32_t last_row, AttachRows& rows) {
  AttachOutcome outcome = AttachOutcome::kEveryCallSucceeded;
  // Rows are counted in 32 bits so that every row is attached or reported.
  for (int32_t row = 1; row <= last_row; ++row) {
    if (!rows.BeforeCall(row)) return AttachOutcome::kStopped;
    const PendingError result = AttachOne(rows.Read(row));
    if (result.Failed()) {
      outcome = AttachOutcome::kSomeCallFailed;
      rows.CallFailed(row, result);
    } else {
      rows.CallSucceeded(row);
    }
  }
  return outcome;
}

// Only Execute's outcome counts: the earlier steps' failures show up there.
PendingError AttachRun::AttachOne(const AttachCall& call) {
  if (connection_ == nullptr) return AsFailure({});
  Created<AdoCommand> created = connection_->CreateCommand();
  command_ = std::move(created.object);  // releases the previous row's command
  if (!command_) return AsFailure(created.error);
  (void)command_->SetActiveConnection();
  (void)command_->SetCommandType(kCommandTypeStoredProcedure);
  (void)command_->SetCommandText(kAttachProcedure);
  (void)command_->RefreshParameters();
  (void)command_->SetParameterValue(u"@dbname", call.database_name);
  (void)command_->SetParameterValue(u"@physname", call.physical_name);
  return command_->Execute();
}

}  // namespace quorvel::connection
