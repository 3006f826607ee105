// Connecting and disconnecting on the real program, through the scripted
// ADO stand-in (and once through Wine's own ADO, which cannot connect).
#include <cstdio>
#include <string>
#include <vector>

#include "app/frm_adjuntar.h"
#include "app/win32/control_ids.h"
#include "tests/e2e/session.h"
#include "tests/support/utf8.h"

namespace {

using quorvel::standin::RecordLine;
using namespace quorvel::app::win32;
using quorvel::app::kSuffixConnected;
using quorvel::app::kSuffixDisconnected;

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
  EXPECT_FALSE(Enabled(kIdCommand1));
  EXPECT_TRUE(Enabled(kIdCommand2));
  EXPECT_FALSE(Enabled(kIdCombo1));
  EXPECT_TRUE(Enabled(kIdCommand3));
  EXPECT_TRUE(Enabled(kIdCommand4));

  ASSERT_EQ(Connections(), std::vector<std::string>{"connection#1"});
  const auto lines = LinesOf("connection#1");
  std::vector<std::string> events;
  for (const RecordLine& line : lines) events.push_back(line.event);
  const std::vector<std::string> expected = {
      "create", "CommandTimeout", "Provider", "ConnectionString", "Open"};
  EXPECT_EQ(events, expected);
  EXPECT_EQ(ValueOf(lines, "CommandTimeout"), u"3600");
  EXPECT_EQ(ValueOf(lines, "Provider"), u"SQLOLEDB");
  EXPECT_EQ(ValueOf(lines, "ConnectionString"),
            u"Data Source=(LOCAL)\\Compras;Integrated security=SSPI");
  EXPECT_EQ(ValueOf(lines, "Open"),
            u"ConnectionString=\"\" UserID=\"\" Password=\"\" Options=-1");

  Click(kIdCommand2);
  ASSERT_TRUE(TitleBecomes(kSuffixDisconnected));
  ASSERT_TRUE(Sync());
  EXPECT_TRUE(Enabled(kIdCommand1));
  EXPECT_FALSE(Enabled(kIdCommand2));
  EXPECT_TRUE(Enabled(kIdCombo1));
  EXPECT_FALSE(Enabled(kIdCommand4));
  const auto after = LinesOf("connection#1");
  ASSERT_GE(after.size(), 7u);
  EXPECT_EQ(after[5].event, "Close");
  EXPECT_EQ(after[6].event, "release") << "the connection object is let go";
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
    EXPECT_TRUE(Enabled(kIdCommand1));
    EXPECT_FALSE(Enabled(kIdCommand2));
    EXPECT_TRUE(Enabled(kIdCombo1));
  }
  EXPECT_EQ(Connections(),
            (std::vector<std::string>{"connection#1", "connection#2"}));
}

TEST_F(Connection, OneServerConnectsAtLoad) {
  UseStandin("open ok\n");
  Instances({L"MSSQLSERVER"});
  StartShown();
  EXPECT_TRUE(NoBox());
  EXPECT_EQ(Title(), e2e::Titled(kSuffixConnected));
  EXPECT_FALSE(Enabled(kIdCombo1));
  EXPECT_EQ(ValueOf(LinesOf("connection#1"), "ConnectionString"),
            u"Data Source=(LOCAL);Integrated security=SSPI");
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
  UseStandin("close fail 80004005 Conexión perdida\n");
  Instances({L"MSSQLSERVER"});
  StartShown();
  ASSERT_EQ(Title(), e2e::Titled(kSuffixConnected));
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
