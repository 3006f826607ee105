// The files folder's core over the file fakes: the grid's set-up and its
// column arithmetic, the dialog's result text turned into file rows, and
// what the item dialog's chosen items become (over a fake of the shell's
// item list): the result text, and the rows the file selection makes of it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "fakes/fake_files.h"
#include "files/file_grid.h"
#include "files/file_selection.h"
#include "files/item_dialog.h"

namespace quorvel::testing {
namespace {

using ::testing::ElementsAre;
using MaybePath = std::optional<Text>;

TEST(PathColumnWidth, SeventyPercentRoundedToNearestWithTiesToEven) {
  EXPECT_EQ(files::PathColumnWidth(7020), 4914);
  EXPECT_EQ(files::PathColumnWidth(1000), 700);
  EXPECT_EQ(files::PathColumnWidth(5), 4);    // 3.5 goes up to even
  EXPECT_EQ(files::PathColumnWidth(15), 10);  // 10.5 goes down to even
  EXPECT_EQ(files::PathColumnWidth(35), 24);  // 24.5
  EXPECT_EQ(files::PathColumnWidth(3), 2);    // 2.1
  EXPECT_EQ(files::PathColumnWidth(1e12), std::nullopt);
}

TEST(SetUpFileGrid, BuildsTheHeaderRowAndWidthsInOrder) {
  EventLog log;
  FakeGrid grid{log};
  grid.AppendFile(u"C:\\old.mdf", u"old");

  files::SetUpFileGrid(grid);

  EXPECT_THAT(
      log, ElementsAre("Grid.RowCount=1", "Grid.FixedRowCount=1",
                       "Grid.ColumnCount=2", "Grid.FixedColumnCount=0",
                       "Grid.Header(0)=Ruta", "Grid.Header(1)=Base Datos",
                       "Grid.ColumnWidth(1)=100", "Grid.LastColumnFillsWidth=1",
                       "Grid.ColumnWidth(0)=4914"));
  EXPECT_EQ(grid.RowCount(), 1);
}

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

// The dialog's folder and items; nothing stands for no file-system path.
struct FakeChosenItems final : files::ChosenItems {
  MaybePath folder;
  std::vector<MaybePath> items;
  std::size_t Count() const override { return items.size(); }
  MaybePath ItemPath(std::size_t index) const override {
    return items.at(index);
  }
  MaybePath FolderPath() const override { return folder; }
};

MaybePath Result(MaybePath folder, std::vector<MaybePath> items) {
  FakeChosenItems chosen;
  chosen.folder = std::move(folder);
  chosen.items = std::move(items);
  return files::ResultText(chosen);
}

// The paths of the rows the file selection adds for the result.
std::vector<Text> Rows(const MaybePath& result) {
  return result ? files::ChosenPaths(*result) : std::vector<Text>{};
}

TEST(ItemDialogResult, ItemsSharingTheFolderGoByTheirNames) {
  EXPECT_EQ(Result(u"C:\\Data", {u"D:\\x.mdf"}), Text(u"D:\\x.mdf"));
  EXPECT_EQ(Result(u"C:\\Data", {u"C:\\Data\\a.mdf", u"C:\\Data\\b.mdf"}),
            NulJoined({u"C:\\Data", u"a.mdf", u"b.mdf"}));
  // A drive's root comes with its backslash: both stay at the join.
  const MaybePath root = Result(u"C:\\", {u"C:\\a.mdf", u"C:\\b.mdf"});
  EXPECT_EQ(root, NulJoined({u"C:\\", u"a.mdf", u"b.mdf"}));
  EXPECT_THAT(Rows(root), ElementsAre(u"C:\\\\a.mdf", u"C:\\\\b.mdf"));
}

TEST(ItemDialogResult, ItemsFromOtherFoldersComeWithTheirOwnPaths) {
  // Outside the folder or below it: whole; in it: by name.
  const std::vector<Text> mixed = {u"C:\\Data\\a.mdf", u"C:\\Data2\\x.mdf",
                                   u"C:\\Data\\sub\\y.mdf",
                                   u"\\\\server\\share\\z.mdf"};
  const MaybePath text =
      Result(u"C:\\Data", {mixed[0], mixed[1], mixed[2], mixed[3]});
  ASSERT_TRUE(text);
  EXPECT_THAT(files::SplitAtNul(*text),
              ElementsAre(u"C:\\Data", u"a.mdf", mixed[1], mixed[2], mixed[3]));
  EXPECT_EQ(Rows(text), mixed);
  // Shown a drive's root, an item there keeps its one backslash too.
  EXPECT_THAT(Rows(Result(u"C:\\", {u"C:\\a.mdf", u"D:\\Bases\\b.mdf"})),
              ElementsAre(u"C:\\a.mdf", u"D:\\Bases\\b.mdf"));
}

TEST(ItemDialogResult, AFolderWithoutAPathGivesEveryItemWhole) {
  // Two paths typed in "This PC", or two results of a search.
  const MaybePath this_pc =
      Result(std::nullopt, {u"C:\\Data\\a.mdf", u"C:\\Data\\b.mdf"});
  EXPECT_EQ(this_pc, NulJoined({u"", u"C:\\Data\\a.mdf", u"C:\\Data\\b.mdf"}));
  EXPECT_THAT(Rows(this_pc),
              ElementsAre(u"C:\\Data\\a.mdf", u"C:\\Data\\b.mdf"));
  EXPECT_EQ(Result(std::nullopt, {u"C:\\Data\\a.mdf"}),
            Text(u"C:\\Data\\a.mdf"));
}

TEST(ItemDialogResult, ItemsWithoutAPathAreLeftOutAndTheOthersCome) {
  EXPECT_THAT(Rows(Result(std::nullopt, {std::nullopt, u"C:\\a\\x.mdf",
                                         std::nullopt, u"D:\\b\\y.mdf"})),
              ElementsAre(u"C:\\a\\x.mdf", u"D:\\b\\y.mdf"));
  EXPECT_EQ(Result(u"C:\\a", {std::nullopt, u"C:\\a\\x.mdf"}),
            Text(u"C:\\a\\x.mdf"));
  // None left, or none chosen: no result, so no row.
  EXPECT_EQ(Result(u"C:\\a", {std::nullopt, std::nullopt}), std::nullopt);
  EXPECT_EQ(Result(u"C:\\a", {}), std::nullopt);
}

TEST(ItemDialogFilter, FilterSettingBecomesDescriptionAndPatternPairs) {
  using Pairs = std::vector<std::pair<Text, Text>>;
  EXPECT_EQ(files::FilterPairs(u"*.mdf|*.mdf"), (Pairs{{u"*.mdf", u"*.mdf"}}));
  // An unpaired description is left out rather than taken as a pattern.
  EXPECT_EQ(files::FilterPairs(u"Datos|*.mdf|Todo"),
            (Pairs{{u"Datos", u"*.mdf"}}));
  EXPECT_TRUE(files::FilterPairs(u"").empty());
}

}  // namespace
}  // namespace quorvel::testing
