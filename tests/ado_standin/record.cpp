#include "tests/ado_standin/record.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <sstream>
#include <utility>

#include "tests/support/handles.h"
#include "tests/support/scratch.h"
#include "tests/support/utf8.h"

namespace quorvel::standin {

using e2e::FromUtf8;
using e2e::ToUtf8;

namespace {

// Each character the record escapes, and the letter after the backslash.
constexpr std::pair<char16_t, char16_t> kEscapes[] = {
    {u'\\', u'\\'}, {u'\t', u't'}, {u'\r', u'r'}, {u'\n', u'n'}, {u'\0', u'0'}};

}  // namespace

std::string EscapeValue(const std::u16string& value) {
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
  return ToUtf8(escaped);
}

std::u16string UnescapeValue(const std::string& escaped) {
  const std::u16string text = FromUtf8(escaped);
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

std::vector<RecordLine> ReadRecord(const std::wstring& path) {
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

Recorder::Recorder() {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  ticks_per_us_ = static_cast<double>(frequency.QuadPart) / 1e6;
}

LARGE_INTEGER Recorder::Now() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now;
}

bool Recorder::EnsureOpen() {
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

void Recorder::Write(const std::string& object, const std::string& event,
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
    const std::string line = object + '\t' + event + '\t' + EscapeValue(value) +
                             '\t' + outcome + numbers;
    DWORD written = 0;
    WriteFile(file_.get(), line.data(), static_cast<DWORD>(line.size()),
              &written, nullptr);
  }
  total_us_ += since_start();
}

}  // namespace quorvel::standin
