// Failed COM calls as the pending errors the window reports.
#pragma once

#include "common/text.h"
#include "common/win32/error_text.h"
#include "common/win32/windows_api.h"
#include "connection/win32/ado_interfaces.h"

namespace quorvel::connection::win32 {

// Drops the thread's error information, so that what a failing call leaves
// there afterwards is known to be its own.
void ClearErrorInfo();

// The number is the HRESULT. The description is the one the failing object
// left as COM error information, else the first item of the connection's
// Errors collection, else the system's text for the HRESULT, else
// "Error 0x…": never empty, because the window shows it to the user.
PendingError DescribeFailure(HRESULT result, ado::Connection* connection);

// Runs one COM call (a callable returning HRESULT) with fresh error
// information and describes its failure.
template <typename Call>
PendingError Invoke(ado::Connection* connection, Call call) {
  ClearErrorInfo();
  const HRESULT result = call();
  if (SUCCEEDED(result)) return PendingError{};
  return DescribeFailure(result, connection);
}

}  // namespace quorvel::connection::win32
