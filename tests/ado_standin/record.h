// The stand-in's record: one line per property set or call it received, in
// the file named by QUORVEL_ADO_RECORD, UTF-8, written through at once.
//
//   <object> TAB <event> TAB <value> TAB <result> TAB <own µs> TAB <total µs>
//   TAB <thread>
//
// object   "connection#1", "command#3", "recordset#2" (serials from 1 per
//          kind and process), or "standin" for notes about the scenario
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
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <mutex>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "common/win32/windows_api.h"
#include "tests/support/handles.h"
#include "tests/support/scratch.h"
#include "tests/support/utf8.h"

namespace quorvel::standin {

struct RecordLine {
  std::string object;
  std::string event;
  std::u16string value;
  std::string result;
  double own_us = 0;
  double total_us = 0;
  DWORD thread = 0;

  bool ok() const { return result == "ok"; }
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
    if (escape == std::end(kEscapes)) {
      escaped.push_back(c);
    } else {
      escaped += {u'\\', escape->second};
    }
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
