// What the item dialog's chosen items become, over a fake of the shell's
// item list: the result text, and the rows the file selection makes of it.
#include "files/item_dialog.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "fakes/fake_files.h"
#include "files/file_selection.h"

namespace quorvel::testing {
namespace {

using ::testing::ElementsAre;
using MaybePath = std::optional<Text>;

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
