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
