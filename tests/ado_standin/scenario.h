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
//       <which>: * (every call) or a database name (the value bound to
//       @dbname; no spaces)
//   create connection fail <number>
//   create command fail <number>
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

#include <charconv>
#include <cstdint>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "common/win32/windows_api.h"
#include "tests/support/utf8.h"

namespace quorvel::standin {

enum class Channel { kErrorInfo, kErrorsCollection, kNone };

struct Failure {
  HRESULT number = E_FAIL;
  std::u16string description;
  Channel channel = Channel::kNone;
};

struct ExecuteFailure {
  std::optional<std::u16string> database_name;  // none: every call
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
  // What Refresh yields.
  std::vector<std::u16string> procedure_params = {u"@RETURN_VALUE", u"@dbname",
                                                  u"@physname"};
  std::vector<ExecuteFailure> execute;
  std::vector<Delay> delays;
  // Lines that meant nothing, for the record.
  std::vector<std::string> rejected;

  // How long the call-th call of that name waits (0: not at all).
  DWORD DelayOf(const std::string& call, int64_t call_number) const {
    DWORD total = 0;
    for (const Delay& delay : delays) {
      if (delay.call == call &&
          (delay.call_number == 0 || delay.call_number == call_number)) {
        total += delay.milliseconds;
      }
    }
    return total;
  }
};

// How each line is read.
namespace parse {

// Splits off the first space-separated word of rest.
inline std::string NextWord(std::string& rest) {
  const auto space = rest.find(' ');
  std::string word = rest.substr(0, space);
  rest = space == std::string::npos ? std::string() : rest.substr(space + 1);
  return word;
}

inline bool ParseNumber(std::string word, HRESULT& number) {
  if (word.rfind("0x", 0) == 0 || word.rfind("0X", 0) == 0) word.erase(0, 2);
  if (word.empty() || word.size() > 8 ||
      word.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
    return false;
  }
  number = static_cast<HRESULT>(std::stoul(word, nullptr, 16));
  return true;
}

// "<n>" from 1, or false.
inline bool ParseCount(std::string_view word, int64_t& count) {
  const char* end = word.data() + word.size();
  return std::from_chars(word.data(), end, count).ptr == end && count > 0;
}

// "<fail|fail-errors> <number> [description]" with the verb already taken.
inline bool ParseFailure(const std::string& mode, std::string rest,
                         Failure& out) {
  if (mode != "fail" && mode != "fail-errors") return false;
  if (!ParseNumber(NextWord(rest), out.number)) return false;
  out.description = e2e::FromUtf8(rest);
  out.channel = out.description.empty() ? Channel::kNone
                : mode == "fail"        ? Channel::kErrorInfo
                                        : Channel::kErrorsCollection;
  return true;
}

inline bool ParseLine(std::string rest, Scenario& scenario) {
  const std::string verb = NextWord(rest);
  if (verb == "open" || verb == "close" || verb == "refresh") {
    std::optional<Failure>& slot = verb == "open"    ? scenario.open
                                   : verb == "close" ? scenario.close
                                                     : scenario.refresh;
    if (rest == "ok") {
      slot.reset();
      return true;
    }
    Failure failure;
    const std::string mode = NextWord(rest);
    if (!ParseFailure(mode, rest, failure)) return false;
    slot = failure;
    return true;
  }
  if (verb == "execute") {
    const std::string mode = NextWord(rest);
    ExecuteFailure entry;
    const std::string which = NextWord(rest);
    if (which.empty()) return false;
    if (which != "*") entry.database_name = e2e::FromUtf8(which);
    if (!ParseFailure(mode, rest, entry.failure)) return false;
    scenario.execute.push_back(entry);
    return true;
  }
  if (verb == "create") {
    const std::string kind = NextWord(rest);
    HRESULT number = E_FAIL;
    if ((kind != "connection" && kind != "command") ||
        NextWord(rest) != "fail" || !ParseNumber(NextWord(rest), number)) {
      return false;
    }
    (kind == "connection" ? scenario.create_connection
                          : scenario.create_command) = number;
    return true;
  }
  if (verb == "delay") {
    Delay delay;
    delay.call = NextWord(rest);
    const std::string which = NextWord(rest);
    int64_t milliseconds = 0;
    if (delay.call.empty() || !ParseCount(rest, milliseconds)) return false;
    if (which != "*" && !ParseCount(which, delay.call_number)) return false;
    delay.milliseconds = static_cast<DWORD>(milliseconds);
    scenario.delays.push_back(delay);
    return true;
  }
  return false;
}

}  // namespace parse

inline Scenario ParseScenario(const std::string& utf8) {
  Scenario scenario;
  std::istringstream lines(utf8);
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    if (!parse::ParseLine(line, scenario)) scenario.rejected.push_back(line);
  }
  return scenario;
}

}  // namespace quorvel::standin
