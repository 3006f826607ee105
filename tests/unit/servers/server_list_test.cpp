// The server chooser's entries and the version of an entry, over the
// simulated registry.
#include "servers/server_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/event_log.h"
#include "fakes/simulated_registry.h"

namespace quorvel::testing {
namespace {

constexpr char16_t kServerKey[] = u"SOFTWARE\\Microsoft\\Microsoft SQL Server";
constexpr char16_t kDefaultVersionKey[] =
    u"SOFTWARE\\Microsoft\\MSSQLSERVER\\MSSQLServer\\CurrentVersion";

Text VersionKey(const Text& instance) {
  return Text(kServerKey) + u"\\" + instance + u"\\MSSQLServer\\CurrentVersion";
}

class ServerListTest : public ::testing::Test {
 protected:
  void Instances(View view, const std::vector<std::string>& names) {
    registry.SetValue(view, kServerKey, u"InstalledInstances", MultiSz(names));
  }
  void Version(View view, const Text& key, const std::string& version) {
    registry.SetValue(view, key, u"CurrentVersion", Sz(version));
  }
  std::vector<Text> Entries() {
    std::vector<Text> entries = servers::ServerEntries(registry);
    EXPECT_EQ(registry.open_handles(), 0u);
    EXPECT_EQ(registry.bad_closes(), 0u);
    return entries;
  }
  Text VersionOf(const Text& entry) {
    const Text version = servers::ServerVersion(registry, entry);
    EXPECT_EQ(registry.open_handles(), 0u);
    return version;
  }
  // Access masks of the opens of one key, in call order.
  std::vector<uint32_t> OpensOf(const Text& key) const {
    std::vector<uint32_t> masks;
    for (const auto& open : registry.opens()) {
      if (open.path == key) {
        EXPECT_EQ(open.root, RootKey::kLocalMachine);
        masks.push_back(open.access);
      }
    }
    return masks;
  }

  // Instances listed in each view, and the entries they must give.
  struct Case {
    const char* what;
    std::vector<std::string> view32, view64;
    std::vector<Text> expected;
  };
  void ExpectEntries(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
      SCOPED_TRACE(c.what);
      registry = SimulatedRegistry();
      if (!c.view32.empty()) Instances(View::k32Bit, c.view32);
      if (!c.view64.empty()) Instances(View::k64Bit, c.view64);
      EXPECT_EQ(Entries(), c.expected);
      EXPECT_EQ(OpensOf(kServerKey), (std::vector<uint32_t>{1, 257}));
    }
  }

  SimulatedRegistry registry;
};

TEST_F(ServerListTest, EntriesFromEitherViewOwnViewFirst) {
  ExpectEntries({
      {"32-bit view only",
       {"MSSQLSERVER", "SqlExpress"},
       {},
       {u"(LOCAL)", u"(LOCAL)\\SqlExpress"}},
      {"64-bit view only",
       {},
       {"mssqlserver", "Ventas"},
       {u"(LOCAL)", u"(LOCAL)\\Ventas"}},
      {"both views",
       {"SQL2005"},
       {"MSSQLSERVER", "Reporting"},
       {u"(LOCAL)\\SQL2005", u"(LOCAL)", u"(LOCAL)\\Reporting"}},
      {"neither view", {}, {}, {}},
  });
}

TEST_F(ServerListTest, EachInstanceListedOnceCaseInsensitively) {
  ExpectEntries({
      {"same instance in both views",
       {"MSSQLSERVER", "Ventas"},
       {"Ventas", "Compras"},
       {u"(LOCAL)", u"(LOCAL)\\Ventas", u"(LOCAL)\\Compras"}},
      {"first spelling wins",
       {"ventas"},
       {"VENTAS", "MSSQLServer"},
       {u"(LOCAL)\\ventas", u"(LOCAL)"}},
      {"two spellings of the default",
       {"mssqlserver", "MSSQLSERVER"},
       {},
       {u"(LOCAL)"}},
      {"Latin-1 letters fold",
       {"A\xF1o\xF1", "A\xD1O\xD1"},
       {"a\xF1o\xD1"},
       {u"(LOCAL)\\A\u00F1o\u00F1"}},
      {"accents still tell apart",
       {"A\xD1O", "ANO"},
       {},
       {u"(LOCAL)\\A\u00D1O", u"(LOCAL)\\ANO"}},
      {"empty items skipped",
       {"", "A", "", "B"},
       {""},
       {u"(LOCAL)\\A", u"(LOCAL)\\B"}},
  });
}

TEST_F(ServerListTest, ASingleViewSystemListsItsInstancesOnce) {
  SimulatedRegistry single(/*single_view=*/true);
  single.SetValue(View::k32Bit, kServerKey, u"InstalledInstances",
                  MultiSz({"MSSQLSERVER", "Ventas"}));
  EXPECT_EQ(servers::ServerEntries(single),
            (std::vector<Text>{u"(LOCAL)", u"(LOCAL)\\Ventas"}));
}

TEST_F(ServerListTest, SingleStringsOfBothViewsRunTogether) {
  registry.SetValue(View::k32Bit, kServerKey, u"InstalledInstances",
                    Raw(kRegSz, "SQLA"));
  registry.SetValue(View::k64Bit, kServerKey, u"InstalledInstances",
                    Raw(kRegSz, "SQLB"));
  EXPECT_EQ(Entries(), std::vector<Text>{u"(LOCAL)\\SQLASQLB"});
}

TEST_F(ServerListTest, VersionOfTheSelectedEntry) {
  Instances(View::k32Bit, {"MSSQLSERVER", "Ventas"});
  Instances(View::k64Bit, {"Solo64", "Sin"});
  Version(View::k32Bit, kDefaultVersionKey, "15.0.2000.5");
  Version(View::k64Bit, kDefaultVersionKey, "99.0");  // never wins over 32-bit
  Version(View::k32Bit, VersionKey(u"Ventas"), "");
  Version(View::k64Bit, VersionKey(u"Ventas"), "14.0.1000.169");
  Version(View::k64Bit, VersionKey(u"Solo64"), "16.0.1000.6");
  const std::vector<Text> entries = Entries();
  ASSERT_EQ(entries.size(), 4u);
  // Found in the process's own view: read there only.
  EXPECT_EQ(VersionOf(entries[0]), u"15.0.2000.5");
  EXPECT_EQ(OpensOf(kDefaultVersionKey), std::vector<uint32_t>{1});
  // Empty in the own view: the 64-bit view is asked as well.
  EXPECT_EQ(VersionOf(entries[1]), u"14.0.1000.169");
  EXPECT_EQ(OpensOf(VersionKey(u"Ventas")), (std::vector<uint32_t>{1, 257}));

  EXPECT_EQ(VersionOf(entries[2]), u"16.0.1000.6");

  EXPECT_EQ(VersionOf(entries[3]), u"");
  EXPECT_EQ(OpensOf(VersionKey(u"Sin")), (std::vector<uint32_t>{1, 257}));
}

TEST_F(ServerListTest, VersionKeyTakesTheTextAfterTheFirstBackslash) {
  // An entry never holds a second backslash from the list, but the key is
  // built from everything after the first one.
  Version(View::k32Bit, VersionKey(u"Uno\\Dos"), "9.0");
  Version(View::k32Bit, kDefaultVersionKey, "8.0");
  EXPECT_EQ(VersionOf(u"(LOCAL)\\Uno\\Dos"), u"9.0");
  EXPECT_EQ(VersionOf(u"sin barra"), u"8.0");
}

// Since SQL Server 2005: the instance id is found by the instance's name,
// and the version under that id, in the same view.
class InstanceIdVersion : public ServerListTest {
 protected:
  static constexpr char16_t kNames[] =
      u"SOFTWARE\\Microsoft\\Microsoft SQL Server\\Instance Names\\SQL";

  void Map(View view, const Text& instance, SimulatedValue id) {
    registry.SetValue(view, kNames, instance, std::move(id));
  }
  void Setup(View view, const Text& id, const Text& name,
             const std::string& text) {
    registry.SetValue(view, Text(kServerKey) + u"\\" + id + u"\\Setup", name,
                      Sz(text));
  }
};

TEST_F(InstanceIdVersion, PatchLevelThenVersionThenCurrentVersionInOneView) {
  struct IdCase {
    const char* what;
    View view;
    bool patch_level, version, current_version;
    Text expected;
  };
  const std::vector<IdCase> cases = {
      {"patch level, own view", View::k32Bit, true, true, true, u"15.0.4153.1"},
      {"patch level, 64-bit view only", View::k64Bit, true, true, true,
       u"15.0.4153.1"},
      {"no patch level: Version", View::k32Bit, false, true, true,
       u"15.0.2000.5"},
      {"neither: CurrentVersion", View::k64Bit, false, false, true,
       u"15.0.2000"},
      {"id whose keys are missing", View::k32Bit, false, false, false, u""},
  };
  for (const IdCase& c : cases) {
    SCOPED_TRACE(c.what);
    for (const Text& entry : {Text(u"(LOCAL)"), Text(u"(LOCAL)\\alpha")}) {
      registry = SimulatedRegistry();
      const Text instance = entry == u"(LOCAL)" ? u"MSSQLSERVER" : u"ALPHA";
      const Text id = u"MSSQL15." + instance;
      Map(c.view, instance, Sz("MSSQL15." + Narrow(instance)));
      if (c.patch_level) Setup(c.view, id, u"PatchLevel", "15.0.4153.1");
      if (c.version) Setup(c.view, id, u"Version", "15.0.2000.5");
      if (c.current_version) {
        registry.SetValue(c.view, VersionKey(id), u"CurrentVersion",
                          Sz("15.0.2000"));
      }
      EXPECT_EQ(VersionOf(entry), c.expected) << Narrow(entry);
    }
  }
}

TEST_F(InstanceIdVersion, IdAndVersionAreNeverTakenFromDifferentViews) {
  Map(View::k32Bit, u"MSSQLSERVER", Sz("MSSQL16.MSSQLSERVER"));
  Setup(View::k64Bit, u"MSSQL16.MSSQLSERVER", u"PatchLevel", "16.0.1000.6");
  EXPECT_EQ(VersionOf(u"(LOCAL)"), u"");
  // The 64-bit view's own mapping finds it there.
  Map(View::k64Bit, u"MSSQLSERVER", Sz("MSSQL16.MSSQLSERVER"));
  EXPECT_EQ(VersionOf(u"(LOCAL)"), u"16.0.1000.6");
}

TEST_F(InstanceIdVersion, ASql2000VersionComesFirstAndOddMappingsGiveNothing) {
  // 2000-style key and a mapping both present: the old key wins.
  Version(View::k32Bit, VersionKey(u"Viejo"), "8.00.2039");
  Map(View::k32Bit, u"Viejo", Sz("MSSQL.1"));
  Setup(View::k32Bit, u"MSSQL.1", u"PatchLevel", "9.00.5000.00");
  EXPECT_EQ(VersionOf(u"(LOCAL)\\Viejo"), u"8.00.2039");
  // The 2005 id "MSSQL.1" is only found through the mapping.
  EXPECT_EQ(VersionOf(u"(LOCAL)\\viejo2"), u"");
  Map(View::k32Bit, u"viejo2", Sz("MSSQL.1"));
  EXPECT_EQ(VersionOf(u"(LOCAL)\\viejo2"), u"9.00.5000.00");
  // Mappings of the wrong type lead nowhere.
  Setup(View::k32Bit, u"1", u"PatchLevel", "wrong");
  Map(View::k32Bit, u"Dword", Dword(1));
  Map(View::k32Bit, u"Binary", Raw(kRegBinary, "MSSQL.1"));
  Map(View::k32Bit, u"Multi", MultiSz({"MSSQL.1"}));
  Map(View::k32Bit, u"Expand", Raw(kRegExpandSz, std::string("MSSQL.1\0", 8)));
  for (const char16_t* name : {u"Dword", u"Binary", u"Multi", u"Expand"}) {
    EXPECT_EQ(VersionOf(Text(u"(LOCAL)\\") + name), u"") << Narrow(name);
  }
}

}  // namespace
}  // namespace quorvel::testing
