// The dialog's result text turned into file rows.
#include "files/file_selection.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/fake_files.h"

namespace quorvel::testing {
namespace {

using ::testing::ElementsAre;

class ChosenFiles : public ::testing::Test {
 protected:
  void Choose(const Text& result_text) {
    for (const Text& path : files::ChosenPaths(result_text)) {
      files::AddFileRow(grid, path);
    }
  }

  std::vector<std::vector<Text>> Rows() {
    return {grid.rows.begin() + 1, grid.rows.end()};
  }

  EventLog log;
  FakeGrid grid{log};
};

TEST_F(ChosenFiles, FolderEndingInBackslashKeepsBothAtTheJoin) {
  Choose(NulJoined({u"C:\\", u"a.mdf", u"b.mdf"}));
  EXPECT_THAT(Rows(), ElementsAre(ElementsAre(u"C:\\\\a.mdf", u"a"),
                                  ElementsAre(u"C:\\\\b.mdf", u"b")));
}

TEST_F(ChosenFiles, ShortNamesGiveAnEmptyOrUnwrittenNameCell) {
  Choose(u"C:\\Data\\abcd");
  Choose(u"C:\\Data\\a.b");
  Choose(u"C:\\Data\\notes.txt");
  Choose(u"xyz.mdf");  // no backslash at all
  EXPECT_THAT(Rows(), ElementsAre(ElementsAre(u"C:\\Data\\abcd", u""),
                                  ElementsAre(u"C:\\Data\\a.b", u""),
                                  ElementsAre(u"C:\\Data\\notes.txt", u"notes"),
                                  ElementsAre(u"xyz.mdf", u"xyz")));
  EXPECT_EQ(files::DatabaseNameOf(u"C:\\Data\\abcd"), Text());
  EXPECT_EQ(files::DatabaseNameOf(u"C:\\Data\\a.b"), std::nullopt);
}

TEST_F(ChosenFiles, EveryNameOfAHugeSelectionBecomesARow) {
  Text result = u"D:\\Bases";
  constexpr int kNames = 40000;  // beyond a 16-bit counter
  for (int i = 0; i < kNames; ++i) {
    result += u'\0';
    const std::string number = std::to_string(i);
    result += u"db" + Text(number.begin(), number.end()) + u".mdf";
  }
  Choose(result);
  ASSERT_EQ(grid.RowCount(), kNames + 1);
  EXPECT_EQ(grid.CellText(kNames, 0), u"D:\\Bases\\db39999.mdf");
  EXPECT_EQ(grid.CellText(kNames, 1), u"db39999");
}

TEST_F(ChosenFiles, NamesTypedAsFullPathsAreTakenAsTheyAre) {
  Choose(NulJoined({u"Z:\\tmp", u"C:\\d\\x.mdf", u"\\\\server\\share\\y.mdf",
                    u"x.mdf", u"C:d.mdf", u"\\r.mdf"}));
  EXPECT_THAT(Rows(),
              ElementsAre(ElementsAre(u"C:\\d\\x.mdf", u"x"),
                          ElementsAre(u"\\\\server\\share\\y.mdf", u"y"),
                          ElementsAre(u"Z:\\tmp\\x.mdf", u"x"),
                          ElementsAre(u"Z:\\tmp\\C:d.mdf", u"C:d"),
                          ElementsAre(u"Z:\\tmp\\\\r.mdf", u"r")));
}

}  // namespace
}  // namespace quorvel::testing
