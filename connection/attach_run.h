// The attach run: one sp_attach_single_file_db call per file row.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "common/text.h"
#include "connection/ado_client.h"

namespace quorvel::connection {

// The two values one call binds by name.
struct AttachCall {
  Text database_name;  // @dbname
  Text physical_name;  // @physname
};

// One press of "Adjuntar". Each row gets a command of its own; the last one
// is released with the run.
class AttachRun {
 public:
  AttachRun(AdoClient& ado, AdoConnection* connection)
      : ado_(ado), connection_(connection) {}

  // Calls the procedure for rows 1 to last_row in order. read_row is asked
  // for a row's values just before its call; report_failure is told of every
  // failed call, and the run goes on with the next row. True when every call
  // succeeded.
  bool AttachEveryRow(
      int32_t last_row, const std::function<AttachCall(int32_t row)>& read_row,
      const std::function<void(int32_t row, const PendingError& error)>&
          report_failure);

 private:
  PendingError AttachOne(const AttachCall& call);

  AdoClient& ado_;
  AdoConnection* connection_;
  std::unique_ptr<AdoCommand> command_;
};

}  // namespace quorvel::connection
