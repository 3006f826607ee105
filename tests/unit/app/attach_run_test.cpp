// "Adjuntar" through the form: its messages and the order of its steps.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fakes/fake_form.h"

namespace quorvel::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::Pair;

class AttachRun : public ::testing::Test, protected FormFixture {
 protected:
  AttachRun() {
    Servers({u"(LOCAL)"});
    form().SetUpFileGrid();
    form().Command1_Click();
  }

  std::vector<Text> Messages() {
    std::vector<Text> texts;
    for (const auto& shown : messages.shown) {
      EXPECT_EQ(shown.style, MessageStyle::kOkOnly);
      texts.push_back(shown.text);
    }
    return texts;
  }
};

TEST_F(AttachRun, HeaderOnlyEndsAtOnce) {
  form().Command4_Click();
  EXPECT_EQ(ado.commands_created, 0);
  EXPECT_THAT(Messages(), ElementsAre(u"Fin del proceso"));
}

TEST_F(AttachRun, EachRowGetsItsOwnCommandInOrder) {
  AddFiles({u"ventas"});
  TakeEvents();
  form().Command4_Click();

  // The row is in sight before its call, marked as soon as it returns.
  EXPECT_THAT(TakeEvents(),
              ElementsAre("Grid.ClearMarks", "Window.Progress=normal 0/1",
                          "Window.Busy=1", "Grid.ShowRow(1)",
                          "Command#1.ActiveConnection=Connection#1",
                          "Command#1.CommandType=4",
                          "Command#1.CommandText=sp_attach_single_file_db",
                          "Command#1.Refresh", "Command#1.@dbname=ventas",
                          "Command#1.@physname=C:\\Data\\ventas.mdf",
                          "Command#1.Execute", "Grid.Mark(1)=attached",
                          "Window.Progress=normal 1/1", "Window.Busy=0",
                          "Message(0)=Fin del proceso",
                          "Window.Progress=none 0/0", "Command#1.Released"));
}

TEST_F(AttachRun, AFailedRowIsReportedAndTheRunGoesOn) {
  AddFiles({u"uno", u"dos", u"tres"});
  ado.execute_failures[u"dos"] = {-2147217900, u"Device activation error"};
  form().Command4_Click();

  EXPECT_THAT(ado.executed, ElementsAre(Pair(u"uno", u"C:\\Data\\uno.mdf"),
                                        Pair(u"dos", u"C:\\Data\\dos.mdf"),
                                        Pair(u"tres", u"C:\\Data\\tres.mdf")));
  EXPECT_THAT(Messages(), ElementsAre(u"Device activation error. En dos"));
  EXPECT_EQ(ado.commands_created, 3);
  EXPECT_EQ(ado.commands_alive, 0);
  EXPECT_EQ(grid.RowCount(), 4) << "the run never changes the grid";
}

TEST_F(AttachRun, EveryRowFailingIsReportedInRowOrderWithoutTheClosingMessage) {
  AddFiles({u"a", u"b"});
  grid.AppendFile(u"C:\\Data\\abcd", u"");
  for (const char16_t* name : {u"a", u"b", u""}) {
    ado.execute_failures[name] = {-1, u"Connection failure"};
  }
  form().Command4_Click();
  EXPECT_THAT(Messages(), ElementsAre(u"Connection failure. En a",
                                      u"Connection failure. En b",
                                      u"Connection failure. En "));
}

TEST_F(AttachRun, ASecondRunCallsEveryRowAgain) {
  AddFiles({u"a", u"b"});
  form().Command4_Click();
  ado.execute_failures[u"a"] = {-1, u"Database 'a' already exists."};
  form().Command4_Click();
  EXPECT_EQ(ado.executed.size(), 4u);
  EXPECT_THAT(Messages(), ElementsAre(u"Fin del proceso",
                                      u"Database 'a' already exists.. En a"));
}

TEST_F(AttachRun, ClosingTheWindowAtAFailureBoxEndsTheRunThere) {
  AddFiles({u"a", u"b", u"c"});
  for (const char16_t* name : {u"a", u"b", u"c"}) {
    ado.execute_failures[name] = {-1, u"refused"};
  }
  messages.while_shown = [this] { form().Form_Unload(); };
  form().Command4_Click();

  EXPECT_EQ(ado.executed.size(), 1u);
  EXPECT_THAT(Messages(), ElementsAre(u"refused. En a"));
}

// Marks and progress: what each row's call made of it, and the share done.
TEST_F(AttachRun, EveryRowIsMarkedAsItsCallReturnsAndTheProgressFollows) {
  AddFiles({u"uno", u"dos", u"tres", u"cuatro"});
  ado.execute_failures[u"dos"] = {-1, u"refused"};
  std::vector<std::vector<files::RowMark>> marks_at_each_box;
  messages.while_shown = [&] {
    std::vector<files::RowMark> marks;
    for (int32_t row = 1; row <= 4; ++row) marks.push_back(grid.marks.Of(row));
    marks_at_each_box.push_back(marks);
  };
  form().Command4_Click();

  using files::RowMark;
  const std::vector<RowMark> after_two = {RowMark::kAttached, RowMark::kFailed,
                                          RowMark::kNone, RowMark::kNone};
  EXPECT_THAT(marks_at_each_box, ElementsAre(after_two))
      << "the failed row is marked before its box shows";
  for (int32_t row = 1; row <= 4; ++row) {
    EXPECT_EQ(grid.marks.Of(row),
              row == 2 ? RowMark::kFailed : RowMark::kAttached);
  }
  const auto normal = ProgressState::kNormal;
  const auto error = ProgressState::kError;
  EXPECT_THAT(window.progress,
              ElementsAre(Progress{normal, 0, 4}, Progress{normal, 1, 4},
                          Progress{error, 2, 4}, Progress{error, 3, 4},
                          Progress{error, 4, 4}, Progress{}));

  // Delete on the failed row takes its mark along; a row added after the
  // run has none.
  grid.current_row = 2;
  messages.while_shown = nullptr;
  messages.answers.push_back(MessageAnswer::kYes);
  int16_t key = kDeleteKeyCode;
  form().vsFlexGrid1_KeyDown(key, 0);
  AddFiles({u"cinco"});
  EXPECT_EQ(grid.marks.Of(2), RowMark::kAttached);
  EXPECT_EQ(grid.marks.Of(3), RowMark::kAttached);
  EXPECT_EQ(grid.marks.Of(4), RowMark::kNone);

  // The next run starts from no marks at all.
  TakeEvents();
  form().Command4_Click();
  const EventLog events = TakeEvents();
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.front(), "Grid.ClearMarks");
}

}  // namespace
}  // namespace quorvel::testing
