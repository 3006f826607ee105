// "Seleccionar Ficheros" through the form: the dialog's settings, and rows
// appended only for a confirmed choice.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fakes/fake_form.h"

namespace quorvel::testing {
namespace {

using ::testing::ElementsAre;

class FileSelection : public ::testing::Test, protected FormFixture {
 protected:
  FileSelection() {
    form().SetUpFileGrid();
    TakeEvents();
  }

  void Choose(const Text& result_text) {
    dialog.outcome = {};
    dialog.result_text = result_text;
    form().Command3_Click();
  }

  std::vector<std::vector<Text>> FileRows() {
    return {grid.rows.begin() + 1, grid.rows.end()};
  }
};

TEST_F(FileSelection, SetsTheDialogUpInOrderBeforeShowingIt) {
  Choose(u"C:\\Data\\sales.mdf");
  EXPECT_THAT(TakeEvents(),
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
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(FileSelection, CancelAndFailureAddNothingAndSayNothing) {
  dialog.result_text = u"C:\\Data\\sales.mdf";
  dialog.outcome = {kDialogCancelled, u"Cancel was selected."};
  form().Command3_Click();
  dialog.outcome = {20476, u"Buffer too small"};
  form().Command3_Click();
  EXPECT_EQ(grid.RowCount(), 1);
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(FileSelection, AChoiceConfirmedAsTheWindowClosesAddsNoRow) {
  dialog.result_text = u"C:\\Data\\sales.mdf";
  dialog.while_shown = [this] { form().Form_Unload(); };
  form().Command3_Click();
  EXPECT_EQ(grid.RowCount(), 1);
}

}  // namespace
}  // namespace quorvel::testing
