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

#include <mutex>
#include <string>
#include <vector>

#include "common/win32/windows_api.h"
#include "tests/support/handles.h"

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

// Reads a whole record; a missing file reads as no lines.
std::vector<RecordLine> ReadRecord(const std::wstring& path);

std::string EscapeValue(const std::u16string& value);
std::u16string UnescapeValue(const std::string& escaped);

// Writes the record of this process. Reopens when QUORVEL_ADO_RECORD changes.
class Recorder {
 public:
  Recorder();
  Recorder(const Recorder&) = delete;
  Recorder& operator=(const Recorder&) = delete;

  // started: QueryPerformanceCounter at the call's entry.
  void Write(const std::string& object, const std::string& event,
             const std::u16string& value, HRESULT result,
             LARGE_INTEGER started);

  static LARGE_INTEGER Now();

 private:
  bool EnsureOpen();

  std::mutex lock_;
  e2e::UniqueHandle file_;
  std::wstring path_;
  double ticks_per_us_ = 1;
  double total_us_ = 0;
};

}  // namespace quorvel::standin
