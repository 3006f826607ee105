// Servers found and connected to on the real program. Discovery: the
// registry of the prefix seeded in both views, then the server chooser, the
// version display and the connection choice at load read back from the
// window. Connecting and disconnecting: through the scripted ADO stand-in
// (and once through Wine's own ADO, which cannot connect).
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "app/frm_adjuntar.h"
#include "app/win32/control_ids.h"
#include "tests/e2e/session.h"
#include "tests/support/support.h"

namespace {

using e2e::View;
using Names = std::vector<std::wstring>;
using namespace quorvel::app::win32;
using quorvel::app::kSuffixConnected;
using quorvel::app::kSuffixDisconnected;
using quorvel::standin::RecordLine;

using e2e::kSqlServerKey;
constexpr wchar_t kDefaultVersionKey[] =
    L"SOFTWARE\\Microsoft\\MSSQLSERVER\\MSSQLServer\\CurrentVersion";

std::wstring VersionKey(const std::wstring& instance) {
  return std::wstring(kSqlServerKey) + L"\\" + instance +
         L"\\MSSQLServer\\CurrentVersion";
}

// A 32-bit process on 64-bit Windows (or a 64-bit Wine prefix) sees two
// registry views; on a 32-bit system both masks read the same one.
bool TwoRegistryViews() {
  BOOL wow64 = FALSE;
  return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

// The text as it comes back from a round trip through the ANSI code page.
std::wstring AsAnsiCarries(const std::wstring& text) {
  const int size = static_cast<int>(text.size());
  const int bytes = WideCharToMultiByte(CP_ACP, 0, text.data(), size, nullptr,
                                        0, nullptr, nullptr);
  std::string ansi(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.data(), size, ansi.data(), bytes, nullptr,
                      nullptr);
  const int chars =
      MultiByteToWideChar(CP_ACP, 0, ansi.data(), bytes, nullptr, 0);
  std::wstring back(static_cast<size_t>(chars), L'\0');
  MultiByteToWideChar(CP_ACP, 0, ansi.data(), bytes, back.data(), chars);
  return back;
}

class ServerDiscovery : public e2e::Session {
 protected:
  void Version(View view, const std::wstring& key, const std::wstring& text) {
    ASSERT_TRUE(registry().SetString(view, key, L"CurrentVersion", text));
  }
  HWND Combo() const { return Control(kIdCombo1); }
  Names Items() const { return e2e::ComboItems(Combo()); }
  std::wstring Version() const { return e2e::WindowText(Control(kIdLabel3)); }
  // The version shown once the entry is chosen.
  std::wstring VersionOf(int index) {
    e2e::ChooseComboItem(Combo(), index);
    EXPECT_TRUE(Sync());
    return Version();
  }
};

TEST_F(ServerDiscovery, EntriesOfBothViewsAndTheChosenVersion) {
  Instances({L"MSSQLSERVER", L"Ventas", L"Sin"}, View::k32);
  Instances({L"ventas", L"Solo64", L"mssqlserver"}, View::k64);
  Version(View::k32, kDefaultVersionKey, L"15.0.2000.5");
  Version(View::k64, kDefaultVersionKey, L"99.9");
  Version(View::k32, VersionKey(L"Ventas"), L"14.0.1000.169");
  Version(View::k64, VersionKey(L"Solo64"), L"16.0.1000.6");
  StartShown();

  if (!TwoRegistryViews()) {
    // One view: each list and version written above replaced the one
    // before it, and both reads find the last.
    EXPECT_EQ(Items(),
              (Names{L"(LOCAL)\\ventas", L"(LOCAL)\\Solo64", L"(LOCAL)"}));
    EXPECT_EQ(Version(), L"14.0.1000.169");
    EXPECT_EQ(VersionOf(2), L"99.9");
    return;
  }
  // Own view first, each instance once, in the case it was first seen with.
  EXPECT_EQ(Items(), (Names{L"(LOCAL)", L"(LOCAL)\\Ventas", L"(LOCAL)\\Sin",
                            L"(LOCAL)\\Solo64"}));
  EXPECT_EQ(e2e::ComboSelection(Combo()), 0);
  EXPECT_EQ(Version(), L"15.0.2000.5");
  EXPECT_EQ(ConnectionControls(), (std::vector<bool>{true, false, true}));
  EXPECT_TRUE(NoBox());
  EXPECT_EQ(Title(), e2e::Titled(kSuffixDisconnected));

  EXPECT_EQ(VersionOf(1), L"14.0.1000.169");
  // Only in the 64-bit view: found there after the own view had nothing.
  EXPECT_EQ(VersionOf(3), L"16.0.1000.6");
  // No version anywhere: the shown one is replaced by the empty text.
  EXPECT_EQ(VersionOf(2), L"");
  EXPECT_EQ(VersionOf(0), L"15.0.2000.5");
}

TEST_F(ServerDiscovery, VersionsOfInstancesSetUpSince2005InEitherView) {
  const std::wstring names =
      std::wstring(kSqlServerKey) + L"\\Instance Names\\SQL";
  const auto setup = [](const std::wstring& id) {
    return std::wstring(kSqlServerKey) + L"\\" + id + L"\\Setup";
  };
  Instances({L"MSSQLSERVER", L"Viejo", L"ALPHA"}, View::k32);
  // The default instance of a 32-bit server: its id in the own view.
  ASSERT_TRUE(registry().SetString(View::k32, names, L"MSSQLSERVER",
                                   L"MSSQL16.MSSQLSERVER"));
  ASSERT_TRUE(registry().SetString(View::k32, setup(L"MSSQL16.MSSQLSERVER"),
                                   L"PatchLevel", L"16.0.4135.4"));
  // A SQL Server 2000 instance beside it.
  Version(View::k32, VersionKey(L"Viejo"), L"8.00.2039");
  // A named instance of a 64-bit server, with no patch level.
  ASSERT_TRUE(
      registry().SetString(View::k64, names, L"alpha", L"MSSQL15.ALPHA"));
  ASSERT_TRUE(registry().SetString(View::k64, setup(L"MSSQL15.ALPHA"),
                                   L"Version", L"15.0.2000.5"));
  StartShown();

  ASSERT_EQ(Items(), (Names{L"(LOCAL)", L"(LOCAL)\\Viejo", L"(LOCAL)\\ALPHA"}));
  EXPECT_EQ(Version(), L"16.0.4135.4");
  EXPECT_EQ(VersionOf(1), L"8.00.2039");
  EXPECT_EQ(VersionOf(2), L"15.0.2000.5");
}

TEST_F(ServerDiscovery, NoInstanceLeavesTheChooserEmpty) {
  // An instance key with no list in it counts as none.
  ASSERT_TRUE(registry().CreateKey(View::k32, kSqlServerKey));
  StartShown();
  EXPECT_TRUE(Items().empty());
  EXPECT_EQ(e2e::ComboSelection(Combo()), -1);
  EXPECT_EQ(Version(), L"");
  EXPECT_EQ(ConnectionControls(), (std::vector<bool>{false, false, true}));
  EXPECT_TRUE(NoBox());
}

TEST_F(ServerDiscovery, OneInstanceInBothViewsConnectsAtLoad) {
  // Listed by both reads, it is still one entry, so the program connects at
  // once; there is no SQL Server here, so that fails with a message.
  Instances({L"MSSQLSERVER"}, View::k32);
  Instances({L"MSSQLSERVER"}, View::k64);
  Version(View::k32, kDefaultVersionKey, L"8.00.194");
  Start();
  const auto box = AnswerBox();
  ASSERT_TRUE(box.has_value()) << "no connection attempt at load";
  EXPECT_EQ(box->caption, e2e::Wide(quorvel::app::kApplicationTitle));
  EXPECT_FALSE(box->text.empty());
  Shown();

  EXPECT_EQ(Items(), Names{L"(LOCAL)"});
  EXPECT_EQ(e2e::ComboSelection(Combo()), 0);
  EXPECT_EQ(Version(), L"8.00.194");
  EXPECT_EQ(ConnectionControls(), (std::vector<bool>{true, false, true}));
  EXPECT_EQ(Title(), e2e::Titled(kSuffixDisconnected));
}

TEST_F(ServerDiscovery, TwoInstancesDoNotConnectAtLoad) {
  Instances({L"MSSQLSERVER", L"Compras"}, View::k64);
  Version(View::k32, VersionKey(L"Compras"), L"12.0.2000.8");
  StartShown();
  EXPECT_TRUE(NoBox());
  EXPECT_EQ(Items(), (Names{L"(LOCAL)", L"(LOCAL)\\Compras"}));
  EXPECT_EQ(ConnectionControls(), (std::vector<bool>{true, false, true}));
  // The default instance has no version in either view.
  EXPECT_EQ(Version(), L"");
  EXPECT_EQ(VersionOf(1), L"12.0.2000.8");
}

TEST_F(ServerDiscovery, SingleStringsKeepTheirLastCharacterAndRunOn) {
  // "ABC" stored as one string without its NUL (UTF-16 bytes, as the wide
  // functions keep it): nothing of it is lost, and the 64-bit view's list
  // runs on from it.
  ASSERT_TRUE(registry().SetRaw(View::k32, kSqlServerKey, L"InstalledInstances",
                                REG_SZ, {'A', 0, 'B', 0, 'C', 0}));
  if (TwoRegistryViews()) {
    Instances({L"MSSQLSERVER", L"Dos"}, View::k64);
    StartShown();
    EXPECT_EQ(Items(), (Names{L"(LOCAL)\\ABCMSSQLSERVER", L"(LOCAL)\\Dos"}));
  } else {
    // One view: both reads find the string, the second running on from the
    // first into one entry, which the program connects to at load.
    Start();
    ASSERT_TRUE(AnswerBox().has_value());
    Shown();
    EXPECT_EQ(Items(), Names{L"(LOCAL)\\ABCABC"});
  }
}

TEST_F(ServerDiscovery, NamesComeBackThroughTheAnsiCodePage) {
  // Code page 1252, Spanish Windows' and the one Wine takes from the C locale
  // the tests run in, carries every letter here; another may not, and the
  // program shows what it does carry.
  const std::wstring company = AsAnsiCarries(L"Compa\u00F1\u00EDa");
  if (GetACP() == 1252) {
    EXPECT_EQ(company, L"Compa\u00F1\u00EDa");
  }
  Instances({L"Compa\u00F1\u00EDa", L"COMPA\u00D1\u00CDA", L"Otra"}, View::k32);
  Version(View::k32, VersionKey(company), L"Versi\u00F3n 9");
  StartShown();
  // The first two differ only in case: one entry.
  EXPECT_EQ(Items(), (Names{L"(LOCAL)\\" + company, L"(LOCAL)\\Otra"}));
  EXPECT_EQ(Version(), AsAnsiCarries(L"Versi\u00F3n 9"));
}

class Connection : public e2e::Session {
 protected:
  // Every connection the stand-in made, in order of creation.
  std::vector<std::string> Connections() const {
    std::vector<std::string> names;
    for (const RecordLine& line : Record()) {
      if (line.event == "create" && line.object.starts_with("connection#")) {
        names.push_back(line.object);
      }
    }
    return names;
  }
};

TEST_F(Connection, ButtonsConnectAndDisconnectWithTheRecordedSettings) {
  UseStandin("open ok\n");
  Instances({L"MSSQLSERVER", L"Compras"});
  StartShown();
  EXPECT_TRUE(Connections().empty()) << "two servers: no connection at load";
  e2e::ChooseComboItem(Control(kIdCombo1), 1);
  ASSERT_TRUE(Sync());

  Click(kIdCommand1);
  ASSERT_TRUE(TitleBecomes(kSuffixConnected));
  EXPECT_TRUE(NoBox());
  EXPECT_EQ(ConnectionControls(), (std::vector<bool>{false, true, false}));
  EXPECT_TRUE(Enabled(kIdCommand3));
  EXPECT_TRUE(Enabled(kIdCommand4));

  ASSERT_EQ(Connections(), std::vector<std::string>{"connection#1"});
  std::vector<std::wstring> calls = {
      L"create ", L"CommandTimeout 3600", L"Provider SQLOLEDB",
      L"ConnectionString Data Source=(LOCAL)\\Compras;Integrated security=SSPI",
      L"Open ConnectionString=\"\" UserID=\"\" Password=\"\" Options=-1"};
  EXPECT_EQ(CallsOf("connection#1"), calls);

  Click(kIdCommand2);
  ASSERT_TRUE(TitleBecomes(kSuffixDisconnected));
  ASSERT_TRUE(Sync());
  EXPECT_EQ(ConnectionControls(), (std::vector<bool>{true, false, true}));
  EXPECT_FALSE(Enabled(kIdCommand4));
  calls.insert(calls.end(), {L"Close ", L"release "});
  EXPECT_EQ(CallsOf("connection#1"), calls) << "the connection is let go";
}

TEST_F(Connection, FailedOpenShowsTheProviderTextAndRetriesWithANewObject) {
  UseStandin(
      "open fail 80004005 [DBNETLIB][ConnectionOpen (Connect()).]SQL Server "
      "no existe o se ha denegado el acceso.\n");
  Instances({L"MSSQLSERVER", L"Compras"});
  StartShown();
  for (int attempt = 1; attempt <= 2; ++attempt) {
    SCOPED_TRACE(attempt);
    Click(kIdCommand1);
    const auto box = WaitBox(10000);
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->text,
              L"[DBNETLIB][ConnectionOpen (Connect()).]SQL Server no existe o "
              L"se ha denegado el acceso.");
    ExpectNotice(*box);
    ASSERT_NO_FATAL_FAILURE(Answer(*box, IDOK));
    EXPECT_TRUE(NoBox());
    EXPECT_EQ(Title(), e2e::Titled(kSuffixDisconnected));
    EXPECT_EQ(ConnectionControls(), (std::vector<bool>{true, false, true}));
  }
  EXPECT_EQ(Connections(),
            (std::vector<std::string>{"connection#1", "connection#2"}));
}

TEST_F(Connection, OneServerConnectsAtLoad) {
  ASSERT_NO_FATAL_FAILURE(Connected("open ok\n"));
  EXPECT_TRUE(NoBox());
  EXPECT_FALSE(Enabled(kIdCombo1));
  EXPECT_EQ(CallsOf("connection#1").at(3),
            L"ConnectionString Data Source=(LOCAL);Integrated security=SSPI");
}

TEST_F(Connection, OneServerThatRefusesShowsItsTextDuringStartUp) {
  UseStandin(
      "open fail 80040E4D Error de inicio de sesión del usuario "
      "'ACME\\ana'.\n");
  Instances({L"MSSQLSERVER"});
  Start();
  const auto box = AnswerBox();
  ASSERT_TRUE(box.has_value()) << "no message during start-up";
  EXPECT_EQ(box->text,
            L"Error de inicio de sesi\u00F3n del usuario 'ACME\\ana'.");
  ExpectNotice(*box);
  Shown();
  EXPECT_EQ(Title(), e2e::Titled(kSuffixDisconnected));
  EXPECT_TRUE(Enabled(kIdCommand1));
}

TEST_F(Connection, DisconnectPassesOverAFailedClose) {
  ASSERT_NO_FATAL_FAILURE(Connected("close fail 80004005 Conexión perdida\n"));
  Click(kIdCommand2);
  ASSERT_TRUE(TitleBecomes(kSuffixDisconnected));
  ASSERT_TRUE(Sync());
  EXPECT_TRUE(NoBox());
  EXPECT_TRUE(Enabled(kIdCombo1));
  const auto lines = LinesOf("connection#1");
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back().event, "release");
}

TEST_F(Connection, WithoutTheStandinTheFailureIsStillReadable) {
  Instances({L"MSSQLSERVER"});
  Start();
  const auto box = AnswerBox();
  ASSERT_TRUE(box.has_value());
  EXPECT_FALSE(box->text.empty());
  EXPECT_NE(box->text.find_first_not_of(L" \t\r\n"), std::wstring::npos);
  ExpectNotice(*box);
  std::printf("platform ADO says: %s\n", e2e::ToUtf8(box->text).c_str());
  Shown();
  EXPECT_EQ(Title(), e2e::Titled(kSuffixDisconnected));
}

}  // namespace
