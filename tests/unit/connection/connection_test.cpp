// Opening and closing a connection over the scripted server.
#include "connection/connection.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fakes/scripted_ado.h"

namespace quorvel::testing {
namespace {

using ::testing::ElementsAre;

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

}  // namespace
}  // namespace quorvel::testing
