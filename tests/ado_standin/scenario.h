// What the stand-in answers, read from the file named by QUORVEL_ADO_SCENARIO.
//
// One instruction per line, UTF-8; blank lines and lines starting with '#'
// are skipped. Numbers are hexadecimal HRESULTs (with or without 0x). A
// description is the rest of the line after the number, exactly.
//
//   open ok                                 (the default)
//   open fail <number> [<description>]
//   close fail <number> [<description>]
//   refresh fail <number> [<description>]
//   execute fail <which> <number> [<description>]
//       <which>: * (every call), #<n> (the n-th Execute of the process,
//       from 1) or a database name (the value bound to @dbname; no spaces)
//   create connection fail <number>
//   create command fail <number>
//   procedure_params <name> ...   what Refresh yields
//                                 (default: @RETURN_VALUE @dbname @physname)
//   delay <call> <n> <ms>         the n-th such call of the process (from 1;
//                                 * for every one) waits ms milliseconds
//                                 before it answers. <call> is the record's
//                                 event name: Open, Close, Execute,
//                                 Parameters.Refresh, ...
//
// "fail" hands the description over as COM error information; "fail-errors"
// puts it in the connection's Errors collection instead; a failure without
// description leaves neither, like a provider that says nothing.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/win32/windows_api.h"

namespace quorvel::standin {

enum class Channel { kErrorInfo, kErrorsCollection, kNone };

struct Failure {
  HRESULT number = E_FAIL;
  std::u16string description;
  Channel channel = Channel::kNone;
};

struct ExecuteFailure {
  enum class Which { kEvery, kCallNumber, kDatabaseName } which = Which::kEvery;
  int64_t call_number = 0;
  std::u16string database_name;
  Failure failure;
};

struct Delay {
  std::string call;
  int64_t call_number = 0;  // 0: every call
  DWORD milliseconds = 0;
};

struct Scenario {
  std::optional<Failure> open;
  std::optional<Failure> close;
  std::optional<Failure> refresh;
  std::optional<HRESULT> create_connection;
  std::optional<HRESULT> create_command;
  std::vector<std::u16string> procedure_params = {u"@RETURN_VALUE", u"@dbname",
                                                  u"@physname"};
  std::vector<ExecuteFailure> execute;
  std::vector<Delay> delays;
  // Lines that meant nothing, for the record.
  std::vector<std::string> rejected;

  // How long the call-th call of that name waits (0: not at all).
  DWORD DelayOf(const std::string& call, int64_t call_number) const;
};

Scenario ParseScenario(const std::string& utf8);

}  // namespace quorvel::standin
