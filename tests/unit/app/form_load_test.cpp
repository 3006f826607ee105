// The load sequence, the title, the two window states, and "Conectar" and
// "Desconectar" over the scripted server.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fakes/fake_form.h"
#include "fakes/simulated_registry.h"

namespace quorvel::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr char16_t kServerKey[] = u"SOFTWARE\\Microsoft\\Microsoft SQL Server";
constexpr char kNoConnection[] =
    "Title=Adjuntar Base de datos Sql server. No conectado.";
constexpr char kConnected[] =
    "Title=Adjuntar Base de datos Sql server. Conectado.";

class FormLoad : public ::testing::Test, protected FormFixture {
 protected:
  void Install(const std::vector<std::string>& instances) {
    registry.SetValue(View::k32Bit, kServerKey, u"InstalledInstances",
                      MultiSz(instances));
    registry.SetValue(View::k32Bit,
                      u"SOFTWARE\\Microsoft\\MSSQLSERVER\\MSSQLServer\\"
                      u"CurrentVersion",
                      u"CurrentVersion", Sz("15.0.2000.5"));
  }
};

TEST_F(FormLoad, NoServerLeavesBothConnectionButtonsOff) {
  form().Form_Load();

  EXPECT_THAT(
      TakeEvents(),
      ElementsAre(kNoConnection, "Command1.Enabled=0", "Command2.Enabled=0",
                  "Grid.RowCount=1", "Grid.FixedRowCount=1",
                  "Grid.ColumnCount=2", "Grid.FixedColumnCount=0",
                  "Grid.Header(0)=Ruta", "Grid.Header(1)=Base Datos",
                  "Grid.ColumnWidth(1)=100", "Grid.LastColumnFillsWidth=1",
                  "Grid.ColumnWidth(0)=4914"));
  EXPECT_THAT(combo.items, IsEmpty());
  EXPECT_TRUE(combo.enabled);
  EXPECT_EQ(label3.caption, u"");
  EXPECT_EQ(ado.connections_created, 0);
  // Nothing was selected, so no version was looked up: only the two reads
  // of the instance list.
  EXPECT_EQ(registry.opens().size(), 2u);
}

TEST_F(FormLoad, OneServerConnectsBeforeTheGridIsSetUp) {
  Install({"MSSQLSERVER"});
  form().Form_Load();

  const EventLog events = TakeEvents();
  ASSERT_GE(events.size(), 18u);
  EXPECT_THAT(
      std::vector<std::string>(events.begin(), events.begin() + 14),
      ElementsAre(kNoConnection, "Combo1.ListIndex=0", "Command1.Enabled=1",
                  "Command2.Enabled=0", "Window.Busy=1",
                  "Connection#1.CommandTimeout=3600",
                  "Connection#1.Provider=SQLOLEDB",
                  "Connection#1.ConnectionString=Data "
                  "Source=(LOCAL);Integrated security=SSPI",
                  "Connection#1.Open", "Window.Busy=0", "Command1.Enabled=0",
                  "Command2.Enabled=1", "Combo1.Enabled=0", "Grid.Enabled=1"));
  EXPECT_EQ(events[16], kConnected);
  EXPECT_EQ(events[17], "Grid.RowCount=1");
  EXPECT_EQ(label3.caption, u"15.0.2000.5");
  EXPECT_EQ(window.title, u"Adjuntar Base de datos Sql server. Conectado.");
}

TEST_F(FormLoad, OneServerThatRefusesShowsItsErrorDuringLoad) {
  Install({"MSSQLSERVER"});
  ado.open_result = {-2147467259, u"[DBNETLIB]SQL Server does not exist"};
  form().Form_Load();

  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].text, u"[DBNETLIB]SQL Server does not exist");
  EXPECT_EQ(messages.shown[0].style, MessageStyle::kOkOnly);
  EXPECT_EQ(window.title, u"Adjuntar Base de datos Sql server. No conectado.");
  EXPECT_TRUE(command1.enabled);
  EXPECT_FALSE(command2.enabled);
  EXPECT_EQ(grid.CellText(0, 1), u"Base Datos");
}

TEST_F(FormLoad, TwoServersSelectTheFirstAndWait) {
  Install({"MSSQLSERVER", "Ventas"});
  form().Form_Load();

  EXPECT_THAT(combo.items, ElementsAre(u"(LOCAL)", u"(LOCAL)\\Ventas"));
  EXPECT_EQ(combo.selected, 0);
  EXPECT_EQ(label3.caption, u"15.0.2000.5");
  EXPECT_TRUE(command1.enabled);
  EXPECT_FALSE(command2.enabled);
  EXPECT_EQ(ado.connections_created, 0);
  EXPECT_EQ(window.title, u"Adjuntar Base de datos Sql server. No conectado.");
}

TEST_F(FormLoad, ASingleViewSystemWithOneInstanceConnectsAtLoad) {
  SimulatedRegistry single(/*single_view=*/true);
  FormFixture one_view{&single};
  single.SetValue(View::k32Bit, kServerKey, u"InstalledInstances",
                  MultiSz({"MSSQLSERVER"}));
  one_view.form().Form_Load();
  EXPECT_THAT(one_view.combo.items, ElementsAre(u"(LOCAL)"));
  EXPECT_EQ(one_view.ado.connections_created, 1);
  EXPECT_FALSE(one_view.command1.enabled);  // connected
}

class WindowStates : public ::testing::Test, protected FormFixture {};

TEST_F(WindowStates, ApplyTheirFlagsInOrder) {
  form().SetUpFileGrid();
  grid.AppendFile(u"C:\\a.mdf", u"a");
  TakeEvents();

  form().EnterConnectedState();
  EXPECT_THAT(
      TakeEvents(),
      ElementsAre("Command1.Enabled=0", "Command2.Enabled=1",
                  "Combo1.Enabled=0", "Grid.Enabled=1", "Command3.Enabled=1",
                  "Command4.Enabled=1", kConnected));
  EXPECT_EQ(grid.RowCount(), 2);

  form().EnterDisconnectedState();
  EXPECT_THAT(
      TakeEvents(),
      ElementsAre("Command1.Enabled=1", "Command2.Enabled=0",
                  "Combo1.Enabled=1", "Grid.Enabled=0", "Command3.Enabled=0",
                  "Command4.Enabled=0", "Grid.RowCount=1", kNoConnection));
  EXPECT_EQ(grid.RowCount(), 1);
  EXPECT_EQ(grid.CellText(0, 0), u"Ruta");
}

class Connection : public ::testing::Test, protected FormFixture {
 protected:
  Connection() {
    Servers({u"(LOCAL)", u"(LOCAL)\\N\u00D3MINA"});
    form().SetUpFileGrid();
    TakeEvents();
  }
};

TEST_F(Connection, SuccessEntersTheConnectedState) {
  form().Command1_Click();

  EXPECT_THAT(
      TakeEvents(),
      ElementsAre("Window.Busy=1", "Connection#1.CommandTimeout=3600",
                  "Connection#1.Provider=SQLOLEDB",
                  "Connection#1.ConnectionString=Data "
                  "Source=(LOCAL);Integrated security=SSPI",
                  "Connection#1.Open", "Window.Busy=0", "Command1.Enabled=0",
                  "Command2.Enabled=1", "Combo1.Enabled=0", "Grid.Enabled=1",
                  "Command3.Enabled=1", "Command4.Enabled=1", kConnected));
  EXPECT_TRUE(messages.shown.empty());
  EXPECT_EQ(ado.connections_alive, 1);
}

TEST_F(Connection, FailureShowsTheDescriptionAndChangesNoFlag) {
  ado.open_result = {-2147467259, u"Login failed for user 'X'."};
  form().Command1_Click();

  EXPECT_THAT(
      TakeEvents(),
      ElementsAre("Window.Busy=1", ::testing::_, ::testing::_, ::testing::_,
                  "Connection#1.Open", "Window.Busy=0", kNoConnection,
                  "Message(0)=Login failed for user 'X'."));
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].text, u"Login failed for user 'X'.");
}

TEST_F(Connection, EveryAttemptUsesANewConnectionObject) {
  ado.open_result = {-1, u"down"};
  form().Command1_Click();
  ado.open_result = {};
  form().Command1_Click();

  EXPECT_EQ(ado.connections_created, 2);
  EXPECT_EQ(ado.connections_alive, 1);
  const EventLog events = TakeEvents();
  EXPECT_THAT(events, ::testing::Contains("Connection#1.Released"));
  EXPECT_THAT(events, ::testing::Contains("Connection#2.Open"));
}

TEST_F(Connection, AnObjectThatCannotBeCreatedIsReportedNotConnected) {
  ado.fail_creation = true;
  form().Command1_Click();
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].text, u"Class not registered");
  EXPECT_FALSE(command3.enabled);
  EXPECT_EQ(window.title, u"Adjuntar Base de datos Sql server. No conectado.");
}

TEST_F(Connection, DisconnectClosesReleasesAndEmptiesTheGridEvenIfCloseFails) {
  form().Command1_Click();
  grid.AppendFile(u"C:\\a.mdf", u"a");
  TakeEvents();
  ado.close_result = {-2147467259, u"Connection failure"};

  form().Command2_Click();

  EXPECT_THAT(
      TakeEvents(),
      ElementsAre("Connection#1.Close", "Connection#1.Released",
                  "Command1.Enabled=1", "Command2.Enabled=0",
                  "Combo1.Enabled=1", "Grid.Enabled=0", "Command3.Enabled=0",
                  "Command4.Enabled=0", "Grid.RowCount=1", kNoConnection));
  EXPECT_TRUE(messages.shown.empty());
  EXPECT_EQ(ado.connections_alive, 0);
  EXPECT_EQ(grid.CellText(0, 1), u"Base Datos");
}

}  // namespace
}  // namespace quorvel::testing
