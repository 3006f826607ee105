// Removing a row with the Delete key, through the form.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fakes/fake_form.h"

namespace quorvel::testing {
namespace {

using ::testing::ElementsAre;

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
