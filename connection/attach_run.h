// The attach run: one sp_attach_single_file_db call per file row.
#pragma once

#include <cstdint>
#include <memory>

#include "common/text.h"
#include "connection/ado_client.h"

namespace quorvel::connection {

// The two values one call binds by name.
struct AttachCall {
  Text database_name;  // @dbname
  Text physical_name;  // @physname
};

// What the run asks of the one who started it, row by row.
class AttachRows {
 public:
  virtual ~AttachRows() = default;
  // Just before the row's call: false ends the run here, with no call made
  // for this row or any later one.
  virtual bool BeforeCall(int32_t row) = 0;
  // The row's values, read at the moment of its call.
  virtual AttachCall Read(int32_t row) = 0;
  // Told of each call as it returns; after a failure the run goes on with
  // the next row.
  virtual void CallSucceeded(int32_t row) = 0;
  virtual void CallFailed(int32_t row, const PendingError& error) = 0;
};

enum class AttachOutcome {
  kEveryCallSucceeded,
  kSomeCallFailed,
  kStopped,  // BeforeCall ended the run
};

// One press of "Adjuntar". Each row gets a command of its own, created from
// the connection; the last one is released with the run. Without a
// connection every row fails.
class AttachRun {
 public:
  explicit AttachRun(AdoConnection* connection) : connection_(connection) {}

  // Calls the procedure for rows 1 to last_row, in order.
  AttachOutcome AttachEveryRow(int32_t last_row, AttachRows& rows);

 private:
  PendingError AttachOne(const AttachCall& call);

  AdoConnection* connection_;
  std::unique_ptr<AdoCommand> command_;
};

}  // namespace quorvel::connection
