// The server chooser: one entry per local SQL Server instance, and the
// version of the chosen one.
#include "servers/server_list.h"

#include <algorithm>
#include <cstddef>
#include <variant>

#include "registry/win_reg.h"

namespace quorvel::servers {
namespace {

namespace WinReg = registry::WinReg;
using registry::kKeyQueryValue;
using registry::kKeyWow64_64Key;

constexpr int32_t kLocalMachine = 1;
constexpr uint32_t kOwnView = kKeyQueryValue;
constexpr uint32_t k64BitView = kKeyQueryValue | kKeyWow64_64Key;

constexpr char16_t kServerKey[] = u"SOFTWARE\\Microsoft\\Microsoft SQL Server";
constexpr char16_t kSql2000DefaultVersionKey[] =
    u"SOFTWARE\\Microsoft\\MSSQLSERVER\\MSSQLServer\\CurrentVersion";
constexpr char16_t kDefaultInstance[] = u"MSSQLSERVER";
constexpr char16_t kLocal[] = u"(LOCAL)";

// Upper case without locales, so every build folds the same way: ASCII,
// Latin-1, Latin Extended-A, basic Greek and Cyrillic, the letters the ANSI
// code pages can bring in.
char16_t ToUpper(char16_t c) {
  if ((c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7) ||
      (c >= 0x3B1 && c <= 0x3CB && c != 0x3C2) || (c >= 0x430 && c <= 0x44F)) {
    return static_cast<char16_t>(c - 0x20);
  }
  if (c == 0xFF) return 0x178;
  if (c == 0x131) return u'I';   // dotless i
  if (c == 0x3C2) return 0x3A3;  // final sigma
  if (c >= 0x450 && c <= 0x45F) return static_cast<char16_t>(c - 0x50);
  // Latin Extended-A pairs its letters upper then lower, with two runs
  // shifted by one.
  const bool odd = (c & 1u) != 0;
  if (((c >= 0x100 && c <= 0x12F) || (c >= 0x132 && c <= 0x137) ||
       (c >= 0x14A && c <= 0x177)) &&
      odd) {
    return static_cast<char16_t>(c - 1);
  }
  if (((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) && !odd) {
    return static_cast<char16_t>(c - 1);
  }
  return c;
}

Text ToUpper(Text text) {
  for (char16_t& c : text) c = ToUpper(c);
  return text;
}

Text EntryFor(const Text& instance) {
  if (ToUpper(instance) == kDefaultInstance) return kLocal;
  return Text(kLocal) + u'\\' + instance;
}

Text Read(RegistryApi& registry, const Text& key, const Text& name,
          uint32_t view) {
  return WinReg::ReadRegistryString(registry, key, name, kLocalMachine, view);
}

// What the entry names: "MSSQLSERVER" for "(LOCAL)", else the text after the
// entry's first backslash.
Text InstanceNameOf(const Text& entry) {
  const std::size_t backslash = entry.find(u'\\');
  if (backslash == Text::npos) return kDefaultInstance;
  return entry.substr(backslash + 1);
}

// SQL Server 2000 keeps a version under the instance's name; its default
// instance has a key of its own.
Text VersionOfSql2000Instance(RegistryApi& registry, const Text& entry) {
  const bool named = entry.find(u'\\') != Text::npos;
  const Text key = named ? Text(kServerKey) + u'\\' + InstanceNameOf(entry) +
                               u"\\MSSQLServer\\CurrentVersion"
                         : Text(kSql2000DefaultVersionKey);
  Text version = Read(registry, key, u"CurrentVersion", kOwnView);
  // An instance registered only in the 64-bit view keeps its version there.
  if (version.empty()) {
    version = Read(registry, key, u"CurrentVersion", k64BitView);
  }
  return version;
}

// The id a string value maps the instance's name to. Any other type leads
// nowhere: a DWORD would read as digits, a multi-string holds NULs, which no
// key name can.
Text InstanceId(RegistryApi& registry, const Text& instance, uint32_t view) {
  const WinReg::RegistryValue value = registry::WinReg::ReadRegistryValue(
      registry, Text(kServerKey) + u"\\Instance Names\\SQL", instance,
      kLocalMachine, view);
  if (!std::holds_alternative<Text>(value)) return Text();
  const Text id = WinReg::TextOf(value);
  return id.find(u'\0') == Text::npos ? id : Text();
}

// Since SQL Server 2005 an instance keeps its keys under an instance id that
// setup chose ("MSSQL16.MSSQLSERVER", "MSSQL.1", anything): the id is looked
// up by the instance's name, never built. The id and the version are read in
// the same view, the process's own first.
Text VersionByInstanceId(RegistryApi& registry, const Text& instance) {
  for (const uint32_t view : {kOwnView, k64BitView}) {
    const Text id = InstanceId(registry, instance, view);
    if (id.empty()) continue;
    const Text instance_key = Text(kServerKey) + u'\\' + id;
    Text version =
        Read(registry, instance_key + u"\\Setup", u"PatchLevel", view);
    if (version.empty()) {
      version = Read(registry, instance_key + u"\\Setup", u"Version", view);
    }
    if (version.empty()) {
      version = Read(registry, instance_key + u"\\MSSQLServer\\CurrentVersion",
                     u"CurrentVersion", view);
    }
    if (!version.empty()) return version;
  }
  return Text();
}

}  // namespace

std::vector<Text> ServerEntries(RegistryApi& registry) {
  // The process's own view first (the 32-bit one on 64-bit Windows), then the
  // 64-bit view. Each item arrives followed by a NUL, so the join keeps them
  // apart.
  Text list = Read(registry, kServerKey, u"InstalledInstances", kOwnView);
  list += Read(registry, kServerKey, u"InstalledInstances", k64BitView);
  std::vector<Text> entries;
  if (list.empty()) return entries;

  // An instance both views return (or a single-view system returning the
  // list twice) is listed once, where it first appears.
  std::vector<Text> folded_entries;
  std::size_t start = 0;
  while (start <= list.size()) {
    std::size_t end = list.find(u'\0', start);
    if (end == Text::npos) end = list.size();
    const Text piece = list.substr(start, end - start);
    start = end + 1;
    if (piece.empty()) continue;

    const Text entry = EntryFor(piece);
    const Text folded = ToUpper(entry);
    if (std::find(folded_entries.begin(), folded_entries.end(), folded) !=
        folded_entries.end()) {
      continue;
    }
    folded_entries.push_back(folded);
    entries.push_back(entry);
  }
  return entries;
}

Text ServerVersion(RegistryApi& registry, const Text& entry) {
  Text version = VersionOfSql2000Instance(registry, entry);
  if (version.empty()) {
    version = VersionByInstanceId(registry, InstanceNameOf(entry));
  }
  return version;
}

}  // namespace quorvel::servers
