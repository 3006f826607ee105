// The stand-in's two files: the scenario it reads and the record it writes.
//
// The scenario: what the stand-in answers, read from the file named by
// QUORVEL_ADO_SCENARIO.
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
//
// The record: one line per property set or call it received, in
// the file named by QUORVEL_ADO_RECORD, UTF-8, written through at once.
//
//   <object> TAB <event> TAB <value> TAB <result> TAB <own µs> TAB <total µs>
//   TAB <thread>
//
// object   "connection#1", "command#3", "recordset#2", "taskbar#1" (serials
//          from 1 per kind and process), or "standin" for notes about the
//          scenario
// event    create, release, CommandTimeout, Provider, ConnectionString, Open,
//          Close, Errors, ActiveConnection, CommandType, CommandText,
//          Parameters, Parameters.Refresh, Parameters.Item,
//          "Value <parameter name>", Execute, or the name of any other method
//          that was called
// value    what was passed; backslash, tab, CR, LF and NUL are escaped as
//          \\ \t \r \n \0
// result   "ok" or "fail 80004005"
// own µs   the stand-in's time inside this call, up to writing the line
// total µs the stand-in's time in every recorded call so far, this one's
//          own time included, earlier lines' writing included
// thread   the id of the thread the call came on; on a create line, the
//          thread that made the object
//
// A record written before the thread column reads with thread 0.
#pragma once

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/win32/windows_api.h"
#include "tests/support/support.h"

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

struct RecordLine {
  std::string object;
  std::string event;
  std::u16string value;
  std::string result;
  double own_us = 0;
  double total_us = 0;
  DWORD thread = 0;
};

// Each character the record escapes, and the letter after the backslash.
inline constexpr std::pair<char16_t, char16_t> kEscapes[] = {
    {u'\\', u'\\'}, {u'\t', u't'}, {u'\r', u'r'}, {u'\n', u'n'}, {u'\0', u'0'}};

inline std::string EscapeValue(const std::u16string& value) {
  std::u16string escaped;
  for (char16_t c : value) {
    const auto* escape =
        std::find_if(std::begin(kEscapes), std::end(kEscapes),
                     [&](auto pair) { return pair.first == c; });
    escaped += escape == std::end(kEscapes)
                   ? std::u16string(1, c)
                   : std::u16string{u'\\', escape->second};
  }
  return e2e::ToUtf8(escaped);
}

inline std::u16string UnescapeValue(const std::string& escaped) {
  const std::u16string text = e2e::FromUtf8(escaped);
  std::u16string value;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != u'\\' || i + 1 == text.size()) {
      value.push_back(text[i]);
      continue;
    }
    const char16_t letter = text[++i];
    const auto* escape =
        std::find_if(std::begin(kEscapes), std::end(kEscapes),
                     [&](auto pair) { return pair.second == letter; });
    value.push_back(escape == std::end(kEscapes) ? letter : escape->first);
  }
  return value;
}

// Reads a whole record; a missing file reads as no lines.
inline std::vector<RecordLine> ReadRecord(const std::wstring& path) {
  std::vector<RecordLine> lines;
  std::istringstream stream(e2e::ReadAll(path));
  for (std::string line; std::getline(stream, line);) {
    // No field but the value is ever empty, and it is never the last.
    std::vector<std::string> fields;
    std::istringstream columns(line);
    for (std::string field; std::getline(columns, field, '\t');) {
      fields.push_back(field);
    }
    if (fields.size() != 6 && fields.size() != 7) continue;
    lines.push_back({fields[0], fields[1], UnescapeValue(fields[2]), fields[3],
                     std::atof(fields[4].c_str()), std::atof(fields[5].c_str()),
                     fields.size() == 7 ? static_cast<DWORD>(std::strtoul(
                                              fields[6].c_str(), nullptr, 10))
                                        : 0});
  }
  return lines;
}

// Writes the record of this process. Reopens when QUORVEL_ADO_RECORD changes.
class Recorder {
 public:
  Recorder() {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    ticks_per_us_ = static_cast<double>(frequency.QuadPart) / 1e6;
  }
  Recorder(const Recorder&) = delete;
  Recorder& operator=(const Recorder&) = delete;

  // started: QueryPerformanceCounter at the call's entry.
  void Write(const std::string& object, const std::string& event,
             const std::u16string& value, HRESULT result,
             LARGE_INTEGER started) {
    const std::lock_guard<std::mutex> hold(lock_);
    const auto since_start = [&] {
      return static_cast<double>(Now().QuadPart - started.QuadPart) /
             ticks_per_us_;
    };
    const double own_us = since_start();
    if (EnsureOpen()) {
      char numbers[96];
      std::snprintf(numbers, sizeof numbers, "\t%.3f\t%.3f\t%lu\n", own_us,
                    total_us_ + own_us,
                    static_cast<unsigned long>(GetCurrentThreadId()));
      char outcome[32] = "ok";
      if (FAILED(result)) {
        std::snprintf(outcome, sizeof outcome, "fail %08lX",
                      static_cast<unsigned long>(result));
      }
      const std::string line = object + '\t' + event + '\t' +
                               EscapeValue(value) + '\t' + outcome + numbers;
      DWORD written = 0;
      WriteFile(file_.get(), line.data(), static_cast<DWORD>(line.size()),
                &written, nullptr);
    }
    total_us_ += since_start();
  }

  static LARGE_INTEGER Now() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now;
  }

 private:
  bool EnsureOpen() {
    wchar_t path[MAX_PATH * 2];
    const DWORD length =
        GetEnvironmentVariableW(L"QUORVEL_ADO_RECORD", path, MAX_PATH * 2);
    if (length == 0 || length >= MAX_PATH * 2) return false;
    if (file_ && path_ == path) return true;
    path_ = path;
    file_.Reset(
        CreateFileW(path, FILE_APPEND_DATA,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    return static_cast<bool>(file_);
  }

  std::mutex lock_;
  e2e::UniqueHandle file_;
  std::wstring path_;
  double ticks_per_us_ = 1;
  double total_us_ = 0;
};

}  // namespace quorvel::standin
