// The file selection: dialog settings, the result text and the rows it adds.
#include "files/file_selection.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fakes.h"

namespace quorvel::testing {
namespace {

using ::testing::ElementsAre;

// The dialog's multi-select form: the pieces joined by single NULs.
Text NulJoined(std::initializer_list<Text> pieces) {
  Text joined;
  for (const Text& piece : pieces) {
    if (!joined.empty()) joined += u'\0';
    joined += piece;
  }
  return joined;
}

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

TEST_F(FileSelection, FolderEndingInBackslashKeepsBothAtTheJoin) {
  Choose(NulJoined({u"C:\\", u"a.mdf", u"b.mdf"}));
  EXPECT_THAT(FileRows(), ElementsAre(ElementsAre(u"C:\\\\a.mdf", u"a"),
                                      ElementsAre(u"C:\\\\b.mdf", u"b")));
}

TEST_F(FileSelection, ShortNamesGiveAnEmptyOrUnwrittenNameCell) {
  Choose(u"C:\\Data\\abcd");
  Choose(u"C:\\Data\\a.b");
  Choose(u"C:\\Data\\notes.txt");
  Choose(u"xyz.mdf");  // no backslash at all
  EXPECT_THAT(FileRows(),
              ElementsAre(ElementsAre(u"C:\\Data\\abcd", u""),
                          ElementsAre(u"C:\\Data\\a.b", u""),
                          ElementsAre(u"C:\\Data\\notes.txt", u"notes"),
                          ElementsAre(u"xyz.mdf", u"xyz")));
  EXPECT_EQ(DatabaseNameOf(u"C:\\Data\\abcd"), Text());
  EXPECT_EQ(DatabaseNameOf(u"C:\\Data\\a.b"), std::nullopt);
}

TEST_F(FileSelection, EveryNameOfAHugeSelectionBecomesARow) {
  Text result = u"D:\\Bases";
  constexpr int kNames = 40000;  // beyond a 16-bit counter
  for (int i = 0; i < kNames; ++i) {
    result += u'\0';
    const std::string number = std::to_string(i);
    result += u"db" + Text(number.begin(), number.end()) + u".mdf";
  }
  Choose(result);
  ASSERT_EQ(fixture.grid.RowCount(), kNames + 1);
  EXPECT_EQ(fixture.grid.CellText(kNames, 0), u"D:\\Bases\\db39999.mdf");
  EXPECT_EQ(fixture.grid.CellText(kNames, 1), u"db39999");
}

}  // namespace
}  // namespace quorvel::testing
