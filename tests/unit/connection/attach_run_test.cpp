// The attach run over the scripted server, row by row.
#include "connection/attach_run.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

#include "fakes/scripted_ado.h"

namespace quorvel::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::Pair;

class AttachRunTest : public ::testing::Test {
 protected:
  AttachRunTest() : connection(std::move(ado.CreateConnection().object)) {
    log.clear();
  }

  void AddRow(const Text& name) {
    rows.push_back({name, u"C:\\Data\\" + name + u".mdf"});
  }

  bool Run() {
    connection::AttachRun run(ado, connection.get());
    return run.AttachEveryRow(
        static_cast<int32_t>(rows.size()),
        [this](int32_t row) { return rows.at(static_cast<size_t>(row - 1)); },
        [this](int32_t row, const PendingError& error) {
          failures.emplace_back(row, error.description);
        });
  }

  EventLog log;
  ScriptedAdo ado{log};
  std::unique_ptr<AdoConnection> connection;
  std::vector<connection::AttachCall> rows;
  std::vector<std::pair<int32_t, Text>> failures;
};

TEST_F(AttachRunTest, NoRowsMeansNoCallAndSuccess) {
  EXPECT_TRUE(Run());
  EXPECT_EQ(ado.commands_created, 0);
}

TEST_F(AttachRunTest, EachRowGetsANewCommandBoundByNameOnTheConnection) {
  AddRow(u"uno");
  AddRow(u"dos");
  EXPECT_TRUE(Run());
  EXPECT_THAT(log, ElementsAre("Command#1.ActiveConnection=Connection#1",
                               "Command#1.CommandType=4",
                               "Command#1.CommandText=sp_attach_single_file_db",
                               "Command#1.Refresh", "Command#1.@dbname=uno",
                               "Command#1.@physname=C:\\Data\\uno.mdf",
                               "Command#1.Execute", "Command#1.Released",
                               "Command#2.ActiveConnection=Connection#1",
                               "Command#2.CommandType=4",
                               "Command#2.CommandText=sp_attach_single_file_db",
                               "Command#2.Refresh", "Command#2.@dbname=dos",
                               "Command#2.@physname=C:\\Data\\dos.mdf",
                               "Command#2.Execute", "Command#2.Released"));
  EXPECT_EQ(ado.commands_alive, 0);
}

TEST_F(AttachRunTest, FailuresAreReportedForTheirRowAndTheRunGoesOn) {
  AddRow(u"uno");
  AddRow(u"dos");
  AddRow(u"tres");
  ado.execute_failures[u"uno"] = {-1, u"Device activation error"};
  ado.execute_failures[u"tres"] = {-2, u"already exists"};
  EXPECT_FALSE(Run());
  EXPECT_EQ(ado.executed.size(), 3u);
  EXPECT_THAT(failures, ElementsAre(Pair(1, u"Device activation error"),
                                    Pair(3, u"already exists")));
}

TEST_F(AttachRunTest, ValuesArePassedExactlyAsTheyStand) {
  const Text path =
      u"C:\\Mis Datos\\O'Brien; DROP \"x\"\\N\u00F3mina\u00F1.mdf";
  const Text name = u" O'Brien; DROP \"x\" -- N\u00F3mina\u00F1 ";
  rows.push_back({name, path});
  Run();
  EXPECT_THAT(ado.executed, ElementsAre(Pair(name, path)));
}

TEST_F(AttachRunTest, ListsLongerThanSixteenBitsAreAttachedToTheLastRow) {
  for (int i = 0; i < 33000; ++i) rows.push_back({u"x", u"C:\\x.mdf"});
  AddRow(u"last");
  ado.execute_failures[u"last"] = {-1, u"refused"};
  EXPECT_FALSE(Run());
  EXPECT_EQ(ado.executed.size(), 33001u);
  EXPECT_THAT(failures, ElementsAre(Pair(33001, u"refused")));
}

TEST_F(AttachRunTest, ACommandThatCannotBeCreatedIsReportedForItsRow) {
  AddRow(u"a");
  ado.fail_creation = true;
  EXPECT_FALSE(Run());
  EXPECT_THAT(failures, ElementsAre(Pair(1, u"Class not registered")));
  EXPECT_TRUE(ado.executed.empty());
}

}  // namespace
}  // namespace quorvel::testing
