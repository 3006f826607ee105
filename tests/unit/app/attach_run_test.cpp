// "Adjuntar" through the form: its messages and the order of its steps. And
// one handler at a time: whatever event comes while a handler waits for the
// server, a box or the dialog starts nothing, and a close still ends it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

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
  using files::RowMark;
  AddFiles({u"uno", u"dos", u"tres", u"cuatro"});
  ado.execute_failures[u"dos"] = {-1, u"refused"};
  const auto marks = [&] {
    std::vector<RowMark> each;
    for (int32_t row = 1; row < grid.RowCount(); ++row) {
      each.push_back(grid.marks.Of(row));
    }
    return each;
  };
  std::vector<std::vector<RowMark>> marks_at_each_box;
  messages.while_shown = [&] { marks_at_each_box.push_back(marks()); };
  form().Command4_Click();

  EXPECT_THAT(marks_at_each_box,
              ElementsAre(ElementsAre(RowMark::kAttached, RowMark::kFailed,
                                      RowMark::kNone, RowMark::kNone)))
      << "the failed row is marked before its box shows";
  EXPECT_THAT(marks(), ElementsAre(RowMark::kAttached, RowMark::kFailed,
                                   RowMark::kAttached, RowMark::kAttached));
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
  EXPECT_THAT(marks(), ElementsAre(RowMark::kAttached, RowMark::kAttached,
                                   RowMark::kAttached, RowMark::kNone));
  // The next run starts from no marks at all.
  TakeEvents();
  form().Command4_Click();
  const EventLog events = TakeEvents();
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.front(), "Grid.ClearMarks");
}

// A connected form with two file rows, the first one current.
struct ConnectedForm : FormFixture {
  ConnectedForm() {
    Servers({u"(LOCAL)", u"(LOCAL)\\OTRO"});
    form().SetUpFileGrid();
    form().Command1_Click();
    AddFiles({u"a", u"b"});
    grid.current_row = 1;
    dialog.result_text = u"C:\\Data\\c.mdf";
    TakeEvents();
  }

  // Every event a user or another program can raise at the window.
  void RaiseEveryEvent() {
    form().Combo1_Click();
    form().Command1_Click();
    form().Command2_Click();
    form().Command3_Click();
    form().Command4_Click();
    int16_t key = kDeleteKeyCode;
    form().vsFlexGrid1_KeyDown(key, 0);
  }
};

// What a handler logs with every event raised at each of its waits, and
// what it logs with none: the same, when no other handler starts.
void ExpectNothingElseStarts(const std::function<void(ConnectedForm&)>& arrange,
                             const std::function<void(FrmAdjuntar&)>& handler) {
  const auto run = [&](bool raise_events) {
    auto form = std::make_unique<ConnectedForm>();
    arrange(*form);
    ConnectedForm& raiser = *form;
    const auto raise = [&raiser, raise_events] {
      if (raise_events) raiser.RaiseEveryEvent();
    };
    form->ado.during_call = raise;
    form->messages.while_shown = raise;
    form->dialog.while_shown = raise;
    handler(form->form());
    // Nothing left over either: the same events afterwards.
    EventLog events = form->TakeEvents();
    events.push_back("rows=" + std::to_string(form->grid.RowCount()));
    events.push_back("connections=" +
                     std::to_string(form->ado.connections_alive));
    return events;
  };
  const EventLog alone = run(false);
  EXPECT_FALSE(alone.empty());
  EXPECT_EQ(run(true), alone);
}

TEST(OneHandlerAtATime, NothingStartsWhileARunWaitsForTheServerOrItsBox) {
  ExpectNothingElseStarts(
      [](ConnectedForm& form) {
        form.ado.execute_failures[u"a"] = {-1, u"refused"};
      },
      [](FrmAdjuntar& form) { form.Command4_Click(); });
}

TEST(OneHandlerAtATime, NothingStartsWhileTheConnectionOpensOrCloses) {
  ExpectNothingElseStarts(
      [](ConnectedForm& form) { form.form().Command2_Click(); },
      [](FrmAdjuntar& form) { form.Command1_Click(); });
  ExpectNothingElseStarts([](ConnectedForm&) {},
                          [](FrmAdjuntar& form) { form.Command2_Click(); });
}

TEST(OneHandlerAtATime, NothingStartsUnderTheDialogOrTheDeleteQuestion) {
  ExpectNothingElseStarts([](ConnectedForm&) {},
                          [](FrmAdjuntar& form) { form.Command3_Click(); });
  ExpectNothingElseStarts(
      [](ConnectedForm& form) {
        form.messages.answers.push_back(MessageAnswer::kYes);
      },
      [](FrmAdjuntar& form) {
        int16_t key = kDeleteKeyCode;
        form.vsFlexGrid1_KeyDown(key, 0);
      });
}

TEST(OneHandlerAtATime, AfterAHandlerTheNextEventIsHandledAsUsual) {
  ConnectedForm form;
  form.ado.during_call = [&form] { form.RaiseEveryEvent(); };
  form.form().Command4_Click();
  form.ado.during_call = nullptr;
  form.TakeEvents();
  form.form().Command2_Click();
  EXPECT_THAT(form.TakeEvents(), ::testing::Contains("Connection#1.Close"));
}

TEST(OneHandlerAtATime, AClosingWindowEndsTheRunDuringItsCall) {
  ConnectedForm form;
  form.ado.during_call = [&form] { form.form().Form_Unload(); };
  form.form().Command4_Click();
  EXPECT_EQ(form.ado.executed.size(), 1u) << "no call after the close";
  EXPECT_TRUE(form.messages.shown.empty()) << "no box after the close";
  form.form().Command3_Click();
  EXPECT_THAT(form.TakeEvents(),
              ::testing::Not(::testing::Contains("Dialog.ShowOpen")));
}

TEST(OneHandlerAtATime, AClosingWindowLeavesAConnectionThatOpensUnused) {
  ConnectedForm form;
  form.form().Command2_Click();
  form.ado.during_call = [&form] { form.form().Form_Unload(); };
  form.TakeEvents();
  form.form().Command1_Click();
  EXPECT_THAT(form.TakeEvents(),
              ElementsAre("Window.Busy=1", ::testing::_, ::testing::_,
                          ::testing::_, "Connection#2.Open", "Window.Busy=0"));
  EXPECT_TRUE(form.messages.shown.empty());
}

}  // namespace
}  // namespace quorvel::testing
