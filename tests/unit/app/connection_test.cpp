// "Conectar" and "Desconectar" through the form, over the scripted server.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fakes/fake_form.h"

namespace quorvel::testing {
namespace {

using ::testing::ElementsAre;

class Connection : public ::testing::Test {
 protected:
  Connection() {
    fixture.combo.AddItem(u"(LOCAL)");
    fixture.combo.AddItem(u"(LOCAL)\\N\u00D3MINA");
    fixture.combo.selected = 0;
    fixture.form().SetUpFileGrid();
    fixture.TakeEvents();
  }

  EmptyRegistry registry;
  FormFixture fixture{registry};
};

TEST_F(Connection, SuccessEntersTheConnectedState) {
  fixture.form().Command1_Click();

  EXPECT_THAT(
      fixture.TakeEvents(),
      ElementsAre("Window.Busy=1", "Connection#1.CommandTimeout=3600",
                  "Connection#1.Provider=SQLOLEDB",
                  "Connection#1.ConnectionString=Data "
                  "Source=(LOCAL);Integrated security=SSPI",
                  "Connection#1.Open", "Window.Busy=0", "Command1.Enabled=0",
                  "Command2.Enabled=1", "Combo1.Enabled=0", "Grid.Enabled=1",
                  "Command3.Enabled=1", "Command4.Enabled=1",
                  "Title=Adjuntar Base de datos Sql server. "
                  "Conectado."));
  EXPECT_TRUE(fixture.messages.shown.empty());
  EXPECT_EQ(fixture.ado.connections_alive, 1);
}

TEST_F(Connection, FailureShowsTheDescriptionAndChangesNoFlag) {
  fixture.ado.open_result = {-2147467259, u"Login failed for user 'X'."};
  fixture.form().Command1_Click();

  EXPECT_THAT(fixture.TakeEvents(),
              ElementsAre("Window.Busy=1", ::testing::_, ::testing::_,
                          ::testing::_, "Connection#1.Open", "Window.Busy=0",
                          "Title=Adjuntar Base de datos Sql server. No "
                          "conectado.",
                          "Message(0)=Login failed for user 'X'."));
  ASSERT_EQ(fixture.messages.shown.size(), 1u);
  EXPECT_EQ(fixture.messages.shown[0].text, u"Login failed for user 'X'.");
}

TEST_F(Connection, EveryAttemptUsesANewConnectionObject) {
  fixture.ado.open_result = {-1, u"down"};
  fixture.form().Command1_Click();
  fixture.ado.open_result = {};
  fixture.form().Command1_Click();

  EXPECT_EQ(fixture.ado.connections_created, 2);
  EXPECT_EQ(fixture.ado.connections_alive, 1);
  const EventLog events = fixture.TakeEvents();
  EXPECT_THAT(events, ::testing::Contains("Connection#1.Released"));
  EXPECT_THAT(events, ::testing::Contains("Connection#2.Open"));
}

TEST_F(Connection, AnObjectThatCannotBeCreatedIsReportedNotConnected) {
  fixture.ado.fail_creation = true;
  fixture.form().Command1_Click();
  ASSERT_EQ(fixture.messages.shown.size(), 1u);
  EXPECT_EQ(fixture.messages.shown[0].text, u"Class not registered");
  EXPECT_FALSE(fixture.command3.enabled);
  EXPECT_EQ(fixture.window.title,
            u"Adjuntar Base de datos Sql server. No conectado.");
}

TEST_F(Connection, DisconnectClosesReleasesAndEmptiesTheGridEvenIfCloseFails) {
  fixture.form().Command1_Click();
  fixture.grid.AppendFile(u"C:\\a.mdf", u"a");
  fixture.TakeEvents();
  fixture.ado.close_result = {-2147467259, u"Connection failure"};

  fixture.form().Command2_Click();

  EXPECT_THAT(
      fixture.TakeEvents(),
      ElementsAre("Connection#1.Close", "Connection#1.Released",
                  "Command1.Enabled=1", "Command2.Enabled=0",
                  "Combo1.Enabled=1", "Grid.Enabled=0", "Command3.Enabled=0",
                  "Command4.Enabled=0", "Grid.RowCount=1",
                  "Title=Adjuntar Base de datos Sql server. No "
                  "conectado."));
  EXPECT_TRUE(fixture.messages.shown.empty());
  EXPECT_EQ(fixture.ado.connections_alive, 0);
  EXPECT_EQ(fixture.grid.CellText(0, 1), u"Base Datos");
}

}  // namespace
}  // namespace quorvel::testing
