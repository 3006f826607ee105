// The grid's set-up and its column arithmetic.
#include "files/file_grid.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fakes/fake_files.h"

namespace quorvel::testing {
namespace {

using ::testing::ElementsAre;

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

}  // namespace
}  // namespace quorvel::testing
