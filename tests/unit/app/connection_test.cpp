// "Conectar" and "Desconectar" through the form, over the scripted server.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fakes/fake_form.h"

namespace quorvel::testing {
namespace {

using ::testing::ElementsAre;

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
                  "Command3.Enabled=1", "Command4.Enabled=1",
                  "Title=Adjuntar Base de datos Sql server. "
                  "Conectado."));
  EXPECT_TRUE(messages.shown.empty());
  EXPECT_EQ(ado.connections_alive, 1);
}

TEST_F(Connection, FailureShowsTheDescriptionAndChangesNoFlag) {
  ado.open_result = {-2147467259, u"Login failed for user 'X'."};
  form().Command1_Click();

  EXPECT_THAT(TakeEvents(),
              ElementsAre("Window.Busy=1", ::testing::_, ::testing::_,
                          ::testing::_, "Connection#1.Open", "Window.Busy=0",
                          "Title=Adjuntar Base de datos Sql server. No "
                          "conectado.",
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
                  "Command4.Enabled=0", "Grid.RowCount=1",
                  "Title=Adjuntar Base de datos Sql server. No "
                  "conectado."));
  EXPECT_TRUE(messages.shown.empty());
  EXPECT_EQ(ado.connections_alive, 0);
  EXPECT_EQ(grid.CellText(0, 1), u"Base Datos");
}

}  // namespace
}  // namespace quorvel::testing
