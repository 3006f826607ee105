// The file rows through the form: "Seleccionar Ficheros" with the dialog's
// settings, rows appended only for a confirmed choice, and a row removed with
// the Delete key.
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

class DeleteKey : public ::testing::Test, protected FormFixture {
 protected:
  DeleteKey() {
    form().SetUpFileGrid();
    AddFiles({u"a", u"b", u"c"});
    TakeEvents();
  }

  void Press(int16_t key, int16_t shift = 0) {
    int16_t key_code = key;
    form().vsFlexGrid1_KeyDown(key_code, shift);
    EXPECT_EQ(key_code, key) << "the key goes on to the grid unchanged";
  }

  Text NameAt(int32_t row) { return grid.CellText(row, 1); }
};

TEST_F(DeleteKey, AsksOnlyForDeleteOnAFileRow) {
  grid.current_row = 0;  // the header row
  Press(kDeleteKeyCode);
  grid.current_row = 2;
  Press(13);  // Enter
  Press(8);   // Backspace
  EXPECT_TRUE(messages.shown.empty());
  EXPECT_EQ(grid.RowCount(), 4);
}

TEST_F(DeleteKey, YesRemovesTheRowAndTheRowsBelowMoveUp) {
  grid.current_row = 2;
  messages.answers = {MessageAnswer::kYes};
  Press(kDeleteKeyCode);

  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].text,
            u"Desea eliminar la l\u00EDnea seleccionada?");
  EXPECT_EQ(messages.shown[0].style, MessageStyle::kYesNoQuestion);
  EXPECT_EQ(grid.RowCount(), 3);
  EXPECT_EQ(NameAt(1), u"a");
  EXPECT_EQ(NameAt(2), u"c");
}

TEST_F(DeleteKey, NoKeepsTheRowSelectedAcrossBothColumns) {
  grid.current_row = 3;
  messages.answers = {MessageAnswer::kNo};
  Press(kDeleteKeyCode);

  EXPECT_EQ(grid.RowCount(), 4);
  EXPECT_THAT(grid.selection, ElementsAre(3, 0, 3, 1));
}

TEST_F(DeleteKey, ShiftCtrlAndAltAreIgnored) {
  grid.current_row = 1;
  messages.answers = {MessageAnswer::kYes, MessageAnswer::kYes,
                      MessageAnswer::kYes};
  Press(kDeleteKeyCode, 1);
  Press(kDeleteKeyCode, 2);
  Press(kDeleteKeyCode, 4);
  EXPECT_EQ(messages.shown.size(), 3u);
  EXPECT_EQ(grid.RowCount(), 1);
}

TEST_F(DeleteKey, ReachesRowsBeyondSixteenBits) {
  for (int i = 0; i < 40000; ++i) grid.AppendFile(u"C:\\x.mdf", u"x");
  grid.AppendFile(u"C:\\last.mdf", u"last");
  const int32_t last = grid.RowCount() - 1;
  grid.current_row = last;
  messages.answers = {MessageAnswer::kYes};
  Press(kDeleteKeyCode);
  EXPECT_EQ(grid.RowCount(), last);
  EXPECT_EQ(NameAt(last - 1), u"x");
}

}  // namespace
}  // namespace quorvel::testing
