// One handler at a time: whatever event comes while a handler waits for the
// server, a box or the dialog starts nothing, and a close still ends it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "fakes/fake_form.h"

namespace quorvel::testing {
namespace {

using ::testing::ElementsAre;

// A connected form with two file rows, the first one current.
struct ConnectedForm {
  ConnectedForm() {
    fixture.combo.AddItem(u"(LOCAL)");
    fixture.combo.AddItem(u"(LOCAL)\\OTRO");
    fixture.combo.selected = 0;
    fixture.form().SetUpFileGrid();
    fixture.form().Command1_Click();
    fixture.grid.AppendFile(u"C:\\Data\\a.mdf", u"a");
    fixture.grid.AppendFile(u"C:\\Data\\b.mdf", u"b");
    fixture.grid.current_row = 1;
    fixture.dialog.result_text = u"C:\\Data\\c.mdf";
    fixture.TakeEvents();
  }

  // Every event a user or another program can raise at the window.
  void RaiseEveryEvent() {
    FrmAdjuntar& form = fixture.form();
    form.Combo1_Click();
    form.Command1_Click();
    form.Command2_Click();
    form.Command3_Click();
    form.Command4_Click();
    int16_t key = kDeleteKeyCode;
    form.vsFlexGrid1_KeyDown(key, 0);
  }

  EmptyRegistry registry;
  FormFixture fixture{registry};
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
    form->fixture.ado.during_call = raise;
    form->fixture.messages.while_shown = raise;
    form->fixture.dialog.while_shown = raise;
    handler(form->fixture.form());
    // Nothing left over either: the same events afterwards.
    EventLog events = form->fixture.TakeEvents();
    events.push_back("rows=" + std::to_string(form->fixture.grid.RowCount()));
    events.push_back("connections=" +
                     std::to_string(form->fixture.ado.connections_alive));
    return events;
  };
  const EventLog alone = run(false);
  EXPECT_FALSE(alone.empty());
  EXPECT_EQ(run(true), alone);
}

TEST(OneHandlerAtATime, NothingStartsWhileARunWaitsForTheServerOrItsBox) {
  ExpectNothingElseStarts(
      [](ConnectedForm& form) {
        form.fixture.ado.execute_failures[u"a"] = {-1, u"refused"};
      },
      [](FrmAdjuntar& form) { form.Command4_Click(); });
}

TEST(OneHandlerAtATime, NothingStartsWhileTheConnectionOpensOrCloses) {
  ExpectNothingElseStarts(
      [](ConnectedForm& form) { form.fixture.form().Command2_Click(); },
      [](FrmAdjuntar& form) { form.Command1_Click(); });
  ExpectNothingElseStarts([](ConnectedForm&) {},
                          [](FrmAdjuntar& form) { form.Command2_Click(); });
}

TEST(OneHandlerAtATime, NothingStartsUnderTheDialogOrTheDeleteQuestion) {
  ExpectNothingElseStarts([](ConnectedForm&) {},
                          [](FrmAdjuntar& form) { form.Command3_Click(); });
  ExpectNothingElseStarts(
      [](ConnectedForm& form) {
        form.fixture.messages.answers.push_back(MessageAnswer::kYes);
      },
      [](FrmAdjuntar& form) {
        int16_t key = kDeleteKeyCode;
        form.vsFlexGrid1_KeyDown(key, 0);
      });
}

TEST(OneHandlerAtATime, AfterAHandlerTheNextEventIsHandledAsUsual) {
  ConnectedForm form;
  form.fixture.ado.during_call = [&form] { form.RaiseEveryEvent(); };
  form.fixture.form().Command4_Click();
  form.fixture.ado.during_call = nullptr;
  form.fixture.TakeEvents();
  form.fixture.form().Command2_Click();
  EXPECT_THAT(form.fixture.TakeEvents(),
              ::testing::Contains("Connection#1.Close"));
}

TEST(OneHandlerAtATime, AClosingWindowEndsTheRunDuringItsCall) {
  ConnectedForm form;
  form.fixture.ado.during_call = [&form] { form.fixture.form().Form_Unload(); };
  form.fixture.form().Command4_Click();
  EXPECT_EQ(form.fixture.ado.executed.size(), 1u) << "no call after the close";
  EXPECT_TRUE(form.fixture.messages.shown.empty()) << "no box after the close";
  form.fixture.form().Command3_Click();
  EXPECT_THAT(form.fixture.TakeEvents(),
              ::testing::Not(::testing::Contains("Dialog.ShowOpen")));
}

TEST(OneHandlerAtATime, AClosingWindowLeavesAConnectionThatOpensUnused) {
  ConnectedForm form;
  form.fixture.form().Command2_Click();
  form.fixture.ado.during_call = [&form] { form.fixture.form().Form_Unload(); };
  form.fixture.TakeEvents();
  form.fixture.form().Command1_Click();
  EXPECT_THAT(form.fixture.TakeEvents(),
              ElementsAre("Window.Busy=1", ::testing::_, ::testing::_,
                          ::testing::_, "Connection#2.Open", "Window.Busy=0"));
  EXPECT_TRUE(form.fixture.messages.shown.empty());
}

}  // namespace
}  // namespace quorvel::testing
