// "Seleccionar Ficheros" through the form: the dialog's settings, and rows
// appended only for a confirmed choice.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fakes/fake_form.h"

namespace quorvel::testing {
namespace {

using ::testing::ElementsAre;

class FileSelection : public ::testing::Test {
 protected:
  FileSelection() {
    fixture.form().SetUpFileGrid();
    fixture.TakeEvents();
  }

  void Choose(const Text& result_text) {
    fixture.dialog.outcome = {};
    fixture.dialog.result_text = result_text;
    fixture.form().Command3_Click();
  }

  std::vector<std::vector<Text>> FileRows() {
    return {fixture.grid.rows.begin() + 1, fixture.grid.rows.end()};
  }

  EmptyRegistry registry;
  FormFixture fixture{registry};
};

TEST_F(FileSelection, SetsTheDialogUpInOrderBeforeShowingIt) {
  Choose(u"C:\\Data\\sales.mdf");
  EXPECT_THAT(fixture.TakeEvents(),
              ElementsAre("Dialog.Title=Seleccionar ficheros",
                          "Dialog.CancelError=1", "Dialog.Filter=*.mdf|*.mdf",
                          "Dialog.FilterIndex=0", "Dialog.Flags=2621956",
                          "Dialog.MaxFileSize=32000", "Dialog.ShowOpen"));
}

TEST_F(FileSelection, OneFileAndThenSeveralAreAppended) {
  Choose(u"C:\\Data\\sales.mdf");
  Choose(
      NulJoined({u"C:\\Data", u"Sales.MDF", u"archive.mdf.bak", u"sales.mdf"}));
  EXPECT_THAT(
      FileRows(),
      ElementsAre(ElementsAre(u"C:\\Data\\sales.mdf", u"sales"),
                  ElementsAre(u"C:\\Data\\Sales.MDF", u"Sales"),
                  ElementsAre(u"C:\\Data\\archive.mdf.bak", u"archive.mdf"),
                  ElementsAre(u"C:\\Data\\sales.mdf", u"sales")));
  EXPECT_TRUE(fixture.messages.shown.empty());
}

TEST_F(FileSelection, CancelAndFailureAddNothingAndSayNothing) {
  fixture.dialog.result_text = u"C:\\Data\\sales.mdf";
  fixture.dialog.outcome = {kDialogCancelled, u"Cancel was selected."};
  fixture.form().Command3_Click();
  fixture.dialog.outcome = {20476, u"Buffer too small"};
  fixture.form().Command3_Click();
  EXPECT_EQ(fixture.grid.RowCount(), 1);
  EXPECT_TRUE(fixture.messages.shown.empty());
}

TEST_F(FileSelection, AChoiceConfirmedAsTheWindowClosesAddsNoRow) {
  fixture.dialog.result_text = u"C:\\Data\\sales.mdf";
  fixture.dialog.while_shown = [this] { fixture.form().Form_Unload(); };
  fixture.form().Command3_Click();
  EXPECT_EQ(fixture.grid.RowCount(), 1);
}

}  // namespace
}  // namespace quorvel::testing
