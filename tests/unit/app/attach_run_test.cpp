// "Adjuntar" through the form: its messages and the order of its steps.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fakes/fake_form.h"

namespace quorvel::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::Pair;

class AttachRun : public ::testing::Test {
 protected:
  AttachRun() {
    fixture.combo.AddItem(u"(LOCAL)");
    fixture.combo.selected = 0;
    fixture.form().SetUpFileGrid();
    fixture.form().Command1_Click();
  }

  void AddFiles(std::initializer_list<const char16_t*> names) {
    for (const char16_t* name : names) {
      fixture.grid.AppendFile(Text(u"C:\\Data\\") + name + u".mdf", name);
    }
  }

  std::vector<Text> Messages() {
    std::vector<Text> texts;
    for (const auto& shown : fixture.messages.shown) {
      EXPECT_EQ(shown.style, MessageStyle::kOkOnly);
      texts.push_back(shown.text);
    }
    return texts;
  }

  EmptyRegistry registry;
  FormFixture fixture{registry};
};

TEST_F(AttachRun, HeaderOnlyEndsAtOnce) {
  fixture.form().Command4_Click();
  EXPECT_EQ(fixture.ado.commands_created, 0);
  EXPECT_THAT(Messages(), ElementsAre(u"Fin del proceso"));
}

TEST_F(AttachRun, EachRowGetsItsOwnCommandInOrder) {
  AddFiles({u"ventas"});
  fixture.TakeEvents();
  fixture.form().Command4_Click();

  // The row is in sight and drawn before its call blocks the window.
  EXPECT_THAT(fixture.TakeEvents(),
              ElementsAre("Window.Busy=1", "Grid.ShowRow(1)",
                          "Command#1.ActiveConnection=Connection#1",
                          "Command#1.CommandType=4",
                          "Command#1.CommandText=sp_attach_single_file_db",
                          "Command#1.Refresh", "Command#1.@dbname=ventas",
                          "Command#1.@physname=C:\\Data\\ventas.mdf",
                          "Command#1.Execute", "Window.Busy=0",
                          "Message(0)=Fin del proceso", "Command#1.Released"));
}

TEST_F(AttachRun, AFailedRowIsReportedAndTheRunGoesOn) {
  AddFiles({u"uno", u"dos", u"tres"});
  fixture.ado.execute_failures[u"dos"] = {-2147217900,
                                          u"Device activation error"};
  fixture.form().Command4_Click();

  EXPECT_THAT(fixture.ado.executed,
              ElementsAre(Pair(u"uno", u"C:\\Data\\uno.mdf"),
                          Pair(u"dos", u"C:\\Data\\dos.mdf"),
                          Pair(u"tres", u"C:\\Data\\tres.mdf")));
  EXPECT_THAT(Messages(), ElementsAre(u"Device activation error. En dos"));
  EXPECT_EQ(fixture.ado.commands_created, 3);
  EXPECT_EQ(fixture.ado.commands_alive, 0);
  EXPECT_EQ(fixture.grid.RowCount(), 4) << "the run never changes the grid";
}

TEST_F(AttachRun, EveryRowFailingIsReportedInRowOrderWithoutTheClosingMessage) {
  AddFiles({u"a", u"b"});
  fixture.grid.AppendFile(u"C:\\Data\\abcd", u"");
  for (const char16_t* name : {u"a", u"b", u""}) {
    fixture.ado.execute_failures[name] = {-1, u"Connection failure"};
  }
  fixture.form().Command4_Click();
  EXPECT_THAT(Messages(), ElementsAre(u"Connection failure. En a",
                                      u"Connection failure. En b",
                                      u"Connection failure. En "));
}

TEST_F(AttachRun, ASecondRunCallsEveryRowAgain) {
  AddFiles({u"a", u"b"});
  fixture.form().Command4_Click();
  fixture.ado.execute_failures[u"a"] = {-1, u"Database 'a' already exists."};
  fixture.form().Command4_Click();
  EXPECT_EQ(fixture.ado.executed.size(), 4u);
  EXPECT_THAT(Messages(), ElementsAre(u"Fin del proceso",
                                      u"Database 'a' already exists.. En a"));
}

TEST_F(AttachRun, ClosingTheWindowAtAFailureBoxEndsTheRunThere) {
  AddFiles({u"a", u"b", u"c"});
  for (const char16_t* name : {u"a", u"b", u"c"}) {
    fixture.ado.execute_failures[name] = {-1, u"refused"};
  }
  fixture.messages.while_shown = [this] { fixture.form().Form_Unload(); };
  fixture.form().Command4_Click();

  EXPECT_EQ(fixture.ado.executed.size(), 1u);
  EXPECT_THAT(Messages(), ElementsAre(u"refused. En a"));
}

}  // namespace
}  // namespace quorvel::testing
