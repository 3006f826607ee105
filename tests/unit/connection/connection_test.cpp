// Opening and closing a connection, and the attach run row by row, over the
// scripted server.
#include "connection/connection.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

#include "connection/attach_run.h"
#include "fakes/scripted_ado.h"

namespace quorvel::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::Pair;

TEST(ConnectionString, TakesTheServerNameUnchanged) {
  EXPECT_EQ(connection::ConnectionStringFor(u"(LOCAL)"),
            u"Data Source=(LOCAL);Integrated security=SSPI");
  EXPECT_EQ(connection::ConnectionStringFor(u"(LOCAL)\\NAME"),
            u"Data Source=(LOCAL)\\NAME;Integrated security=SSPI");
  EXPECT_EQ(connection::ConnectionStringFor(u" (LOCAL)\\a b;c "),
            u"Data Source= (LOCAL)\\a b;c ;Integrated security=SSPI");
}

TEST(OpenConnection, SettingsGoFirstAndOnlyOpenDecides) {
  EventLog log;
  ScriptedAdo ado{log};
  Created<AdoConnection> created = ado.CreateConnection();
  ASSERT_TRUE(created.object);
  ado.open_result = {-2147467259, u"Login failed"};

  const PendingError opened =
      connection::Open(*created.object, u"(LOCAL)\\N\u00D3MINA");

  EXPECT_EQ(opened.number, -2147467259);
  EXPECT_EQ(opened.description, u"Login failed");
  EXPECT_THAT(log, ElementsAre("Connection#1.CommandTimeout=3600",
                               "Connection#1.Provider=SQLOLEDB",
                               "Connection#1.ConnectionString=Data "
                               "Source=(LOCAL)\\N\\u211MINA;Integrated "
                               "security=SSPI",
                               "Connection#1.Open"));
}

TEST(OpenConnection, CloseFailuresAreLetGoAndTheObjectReleased) {
  EventLog log;
  ScriptedAdo ado{log};
  std::unique_ptr<AdoConnection> connection =
      std::move(ado.CreateConnection().object);
  ado.close_result = {-2147467259, u"Connection failure"};

  connection::CloseAndRelease(connection);
  EXPECT_FALSE(connection);
  EXPECT_THAT(log, ElementsAre("Connection#1.Close", "Connection#1.Released"));

  connection::CloseAndRelease(connection);  // nothing held: nothing to do
  EXPECT_EQ(log.size(), 2u);
}

TEST(OpenConnection, AFailureWithoutNumberOrTextStillReadsAsOne) {
  const PendingError failure = connection::AsFailure({});
  EXPECT_TRUE(failure.Failed());
  EXPECT_EQ(failure.description, u"No se pudo crear el objeto ADO.");
  const PendingError kept =
      connection::AsFailure({-5, u"Class not registered"});
  EXPECT_EQ(kept.number, -5);
  EXPECT_EQ(kept.description, u"Class not registered");
}

// Rows from a list, every step noted.
class ListedRows final : public connection::AttachRows {
 public:
  bool BeforeCall(int32_t row) override {
    before.push_back(row);
    return row != stop_before;
  }
  connection::AttachCall Read(int32_t row) override {
    return rows.at(static_cast<size_t>(row - 1));
  }
  void CallSucceeded(int32_t row) override { succeeded.push_back(row); }
  void CallFailed(int32_t row, const PendingError& error) override {
    failures.emplace_back(row, error.description);
  }

  std::vector<connection::AttachCall> rows;
  int32_t stop_before = 0;
  std::vector<int32_t> before;
  std::vector<int32_t> succeeded;
  std::vector<std::pair<int32_t, Text>> failures;
};

class AttachRunTest : public ::testing::Test {
 protected:
  AttachRunTest() : connection(std::move(ado.CreateConnection().object)) {
    log.clear();
  }

  // A row "C:\\Data\\<name>.mdf" and <name> for each name.
  void AddRows(std::initializer_list<const char16_t*> names) {
    for (const Text name : names) {
      listed.rows.push_back({name, u"C:\\Data\\" + name + u".mdf"});
    }
  }

  // True when every call succeeded.
  bool Run() {
    return RunTo() == connection::AttachOutcome::kEveryCallSucceeded;
  }

  connection::AttachOutcome RunTo() {
    connection::AttachRun run(connection.get());
    return run.AttachEveryRow(static_cast<int32_t>(listed.rows.size()), listed);
  }

  EventLog log;
  ScriptedAdo ado{log};
  std::unique_ptr<AdoConnection> connection;
  ListedRows listed;
  std::vector<connection::AttachCall>& rows = listed.rows;
  std::vector<std::pair<int32_t, Text>>& failures = listed.failures;
};

TEST_F(AttachRunTest, NoRowsMeansNoCallAndSuccess) {
  EXPECT_TRUE(Run());
  EXPECT_EQ(ado.commands_created, 0);
}

TEST_F(AttachRunTest, EachRowGetsANewCommandBoundByNameOnTheConnection) {
  AddRows({u"uno", u"dos"});
  EXPECT_TRUE(Run());
  EXPECT_THAT(
      log,
      ElementsAre(
          "Command#1.ActiveConnection=Connection#1", "Command#1.CommandType=4",
          "Command#1.CommandText=sp_attach_single_file_db", "Command#1.Refresh",
          "Command#1.@dbname=uno", "Command#1.@physname=C:\\Data\\uno.mdf",
          "Command#1.Execute", "Command#1.Released",
          "Command#2.ActiveConnection=Connection#1", "Command#2.CommandType=4",
          "Command#2.CommandText=sp_attach_single_file_db", "Command#2.Refresh",
          "Command#2.@dbname=dos", "Command#2.@physname=C:\\Data\\dos.mdf",
          "Command#2.Execute", "Command#2.Released"));
  EXPECT_EQ(ado.commands_alive, 0);
}

TEST_F(AttachRunTest, FailuresAreReportedForTheirRowAndTheRunGoesOn) {
  AddRows({u"uno", u"dos", u"tres"});
  ado.execute_failures[u"uno"] = {-1, u"Device activation error"};
  ado.execute_failures[u"tres"] = {-2, u"already exists"};
  EXPECT_FALSE(Run());
  EXPECT_EQ(ado.executed.size(), 3u);
  EXPECT_THAT(failures, ElementsAre(Pair(1, u"Device activation error"),
                                    Pair(3, u"already exists")));
}

TEST_F(AttachRunTest, StoppingBeforeARowMakesNoFurtherCall) {
  AddRows({u"uno", u"dos", u"tres"});
  ado.execute_failures[u"uno"] = {-1, u"refused"};
  listed.stop_before = 2;
  EXPECT_EQ(RunTo(), connection::AttachOutcome::kStopped);
  EXPECT_THAT(ado.executed, ElementsAre(Pair(u"uno", u"C:\\Data\\uno.mdf")));
  EXPECT_THAT(listed.before, ElementsAre(1, 2));
  EXPECT_EQ(ado.commands_created, 1);
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
  AddRows({u"last"});
  ado.execute_failures[u"last"] = {-1, u"refused"};
  EXPECT_FALSE(Run());
  EXPECT_EQ(ado.executed.size(), 33001u);
  EXPECT_THAT(failures, ElementsAre(Pair(33001, u"refused")));
}

TEST_F(AttachRunTest, ACommandThatCannotBeCreatedIsReportedForItsRow) {
  AddRows({u"a"});
  ado.fail_creation = true;
  EXPECT_FALSE(Run());
  EXPECT_THAT(failures, ElementsAre(Pair(1, u"Class not registered")));
  EXPECT_TRUE(ado.executed.empty());
}

TEST_F(AttachRunTest, WithoutAConnectionEveryRowFailsAndNothingIsCalled) {
  AddRows({u"a", u"b"});
  connection.reset();
  log.clear();
  EXPECT_FALSE(Run());
  const Text reason = connection::AsFailure({}).description;
  EXPECT_THAT(failures, ElementsAre(Pair(1, reason), Pair(2, reason)));
  EXPECT_THAT(listed.before, ElementsAre(1, 2));
  EXPECT_TRUE(log.empty());
}

}  // namespace
}  // namespace quorvel::testing
