#include "tests/ado_standin/record.h"

#include <cstdio>
#include <fstream>
#include <sstream>

#include "tests/ado_standin/scenario.h"

namespace quorvel::standin {

std::string EscapeValue(const std::u16string& value) {
  std::u16string escaped;
  escaped.reserve(value.size());
  for (char16_t c : value) {
    switch (c) {
      case u'\\':
        escaped += u"\\\\";
        break;
      case u'\t':
        escaped += u"\\t";
        break;
      case u'\r':
        escaped += u"\\r";
        break;
      case u'\n':
        escaped += u"\\n";
        break;
      case u'\0':
        escaped += u"\\0";
        break;
      default:
        escaped.push_back(c);
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
    switch (text[++i]) {
      case u't':
        value.push_back(u'\t');
        break;
      case u'r':
        value.push_back(u'\r');
        break;
      case u'n':
        value.push_back(u'\n');
        break;
      case u'0':
        value.push_back(u'\0');
        break;
      default:
        value.push_back(text[i]);
    }
  }
  return value;
}

std::vector<RecordLine> ReadRecord(const std::wstring& path) {
  std::vector<RecordLine> lines;
  HANDLE file =
      CreateFileW(path.c_str(), GENERIC_READ,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return lines;
  std::string content;
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) {
    content.append(buffer, got);
  }
  CloseHandle(file);
  std::istringstream stream(content);
  std::string line;
  while (std::getline(stream, line)) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
      const size_t tab = line.find('\t', start);
      fields.push_back(line.substr(start, tab - start));
      if (tab == std::string::npos) break;
      start = tab + 1;
    }
    if (fields.size() != 6) continue;
    RecordLine record;
    record.object = fields[0];
    record.event = fields[1];
    record.value = UnescapeValue(fields[2]);
    record.result = fields[3];
    record.own_us = std::atof(fields[4].c_str());
    record.total_us = std::atof(fields[5].c_str());
    lines.push_back(record);
  }
  return lines;
}

Recorder::Recorder() {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  ticks_per_us_ = static_cast<double>(frequency.QuadPart) / 1e6;
}

Recorder::~Recorder() {
  if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
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
  if (file_ != INVALID_HANDLE_VALUE && path_ == path) return true;
  if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
  path_ = path;
  file_ = CreateFileW(path, FILE_APPEND_DATA,
                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  return file_ != INVALID_HANDLE_VALUE;
}

void Recorder::Write(const std::string& object, const std::string& event,
                     const std::u16string& value, HRESULT result,
                     LARGE_INTEGER started) {
  const double own_us =
      static_cast<double>(Now().QuadPart - started.QuadPart) / ticks_per_us_;
  if (EnsureOpen()) {
    char numbers[96];
    std::snprintf(numbers, sizeof numbers, "\t%.3f\t%.3f\n", own_us,
                  total_us_ + own_us);
    char outcome[32] = "ok";
    if (FAILED(result)) {
      std::snprintf(outcome, sizeof outcome, "fail %08lX",
                    static_cast<unsigned long>(result));
    }
    const std::string line = object + '\t' + event + '\t' + EscapeValue(value) +
                             '\t' + outcome + numbers;
    DWORD written = 0;
    WriteFile(file_, line.data(), static_cast<DWORD>(line.size()), &written,
              nullptr);
  }
  total_us_ +=
      static_cast<double>(Now().QuadPart - started.QuadPart) / ticks_per_us_;
}

}  // namespace quorvel::standin
