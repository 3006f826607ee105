#include "tests/ado_standin/scenario.h"

#include <sstream>

namespace quorvel::standin {
namespace {

// Splits off the first space-separated word of rest.
std::string NextWord(std::string& rest) {
  const auto space = rest.find(' ');
  std::string word = rest.substr(0, space);
  rest = space == std::string::npos ? std::string() : rest.substr(space + 1);
  return word;
}

bool ParseNumber(const std::string& word, HRESULT& number) {
  std::string digits = word;
  if (digits.rfind("0x", 0) == 0 || digits.rfind("0X", 0) == 0) {
    digits = digits.substr(2);
  }
  if (digits.empty() || digits.size() > 8) return false;
  uint32_t value = 0;
  for (char c : digits) {
    uint32_t digit = 0;
    if (c >= '0' && c <= '9') {
      digit = static_cast<uint32_t>(c - '0');
    } else if (c >= 'a' && c <= 'f') {
      digit = static_cast<uint32_t>(c - 'a' + 10);
    } else if (c >= 'A' && c <= 'F') {
      digit = static_cast<uint32_t>(c - 'A' + 10);
    } else {
      return false;
    }
    value = value * 16 + digit;
  }
  number = static_cast<HRESULT>(value);
  return true;
}

// "<fail|fail-errors> <number> [description]" with the verb already taken.
bool ParseFailure(const std::string& mode, std::string rest, Failure& out) {
  if (mode != "fail" && mode != "fail-errors") return false;
  if (!ParseNumber(NextWord(rest), out.number)) return false;
  out.description = FromUtf8(rest);
  if (out.description.empty()) {
    out.channel = Channel::kNone;
  } else {
    out.channel =
        mode == "fail" ? Channel::kErrorInfo : Channel::kErrorsCollection;
  }
  return true;
}

bool ParseLine(std::string rest, Scenario& scenario) {
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
    if (which == "*") {
      entry.which = ExecuteFailure::Which::kEvery;
    } else if (which[0] == '#') {
      entry.which = ExecuteFailure::Which::kCallNumber;
      try {
        entry.call_number = std::stoll(which.substr(1));
      } catch (...) {
        return false;
      }
    } else {
      entry.which = ExecuteFailure::Which::kDatabaseName;
      entry.database_name = FromUtf8(which);
    }
    if (!ParseFailure(mode, rest, entry.failure)) return false;
    scenario.execute.push_back(entry);
    return true;
  }
  if (verb == "create") {
    const std::string kind = NextWord(rest);
    if (NextWord(rest) != "fail") return false;
    HRESULT number = E_FAIL;
    if (!ParseNumber(NextWord(rest), number)) return false;
    if (kind == "connection") {
      scenario.create_connection = number;
    } else if (kind == "command") {
      scenario.create_command = number;
    } else {
      return false;
    }
    return true;
  }
  if (verb == "procedure_params") {
    scenario.procedure_params.clear();
    while (!rest.empty()) {
      const std::string name = NextWord(rest);
      if (!name.empty()) scenario.procedure_params.push_back(FromUtf8(name));
    }
    return true;
  }
  return false;
}

}  // namespace

Scenario ParseScenario(const std::string& utf8) {
  Scenario scenario;
  std::istringstream lines(utf8);
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    if (!ParseLine(line, scenario)) scenario.rejected.push_back(line);
  }
  return scenario;
}

std::u16string FromUtf8(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int length = MultiByteToWideChar(
      CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::u16string text(static_cast<size_t>(length), u'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                      reinterpret_cast<wchar_t*>(text.data()), length);
  return text;
}

std::string ToUtf8(const std::u16string& text) {
  if (text.empty()) return {};
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  const int length =
      WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(text.size()),
                          nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(text.size()),
                      utf8.data(), length, nullptr, nullptr);
  return utf8;
}

}  // namespace quorvel::standin
