// The ADO adapter driven through the scripted stand-in, and the stand-in's
// own abilities that later tests lean on.
#include "connection/win32/ado_com_client.h"

#include "common/win32/windows_api.h"
// The headers below need windows.h before them.
#include <oleauto.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "common/com_ptr.h"
#include "common/win32/com_apartment.h"
#include "common/win32/com_handles.h"
#include "connection/win32/ado_interfaces.h"
#include "connection/win32/com_error.h"
#include "gtest/gtest.h"
#include "tests/ado_standin/record.h"
#include "tests/ado_standin/scenario.h"
#include "tests/e2e/process.h"
#include "tests/e2e/registry.h"
#include "tests/support/scratch.h"
#include "tests/support/utf8.h"

namespace quorvel::connection::win32 {
namespace {

using standin::RecordLine;

class StandinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(apartment_.Failure(), S_OK);
    ASSERT_TRUE(e2e::ServeAdoFrom(registry_,
                                  e2e::ToWindowsPath(QUORVEL_ADO_STANDIN_DLL)));
    record_ = files_.Write(L"record.txt", "");
    SetEnvironmentVariableW(L"QUORVEL_ADO_RECORD", record_.c_str());
    Scenario("open ok\n");
  }

  void TearDown() override {
    registry_.Restore();
    SetEnvironmentVariableW(L"QUORVEL_ADO_SCENARIO", nullptr);
    SetEnvironmentVariableW(L"QUORVEL_ADO_RECORD", nullptr);
  }

  // A new file each time, so the stand-in cannot miss the change.
  void Scenario(const std::string& utf8) {
    const std::wstring path = files_.Write(
        L"scenario" + std::to_wstring(files_.names().size()) + L".txt", utf8);
    ASSERT_FALSE(path.empty());
    SetEnvironmentVariableW(L"QUORVEL_ADO_SCENARIO", path.c_str());
  }

  std::vector<RecordLine> Record() const {
    return standin::ReadRecord(record_);
  }

  // "object event value result" of every line, for whole-sequence checks.
  std::vector<std::u16string> Events() const {
    std::vector<std::u16string> events;
    for (const RecordLine& line : Record()) {
      const std::string head = line.object + " " + line.event + " ";
      events.push_back(std::u16string(head.begin(), head.end()) + line.value +
                       u" " +
                       std::u16string(line.result.begin(), line.result.end()));
    }
    return events;
  }

  std::unique_ptr<AdoConnection> OpenConnection() {
    Created<AdoConnection> created = client_.CreateConnection();
    EXPECT_FALSE(created.error.Failed());
    if (!created.object) return nullptr;
    EXPECT_FALSE(created.object->Open().Failed());
    return std::move(created.object);
  }

  const com::Apartment apartment_;
  e2e::RegistrySeeder registry_;
  AdoComClient client_;
  e2e::ScratchFolder files_;
  std::wstring record_;
};

std::string Serial(const std::vector<RecordLine>& lines, const char* kind) {
  for (const RecordLine& line : lines) {
    if (line.event == "create" && line.object.rfind(kind, 0) == 0) {
      return line.object;
    }
  }
  return "";
}

// ---- connection ------------------------------------------------------------

TEST_F(StandinTest, ConnectionSettingsOpenAndCloseReachTheProviderInOrder) {
  {
    Created<AdoConnection> created = client_.CreateConnection();
    ASSERT_FALSE(created.error.Failed());
    ASSERT_NE(created.object, nullptr);
    AdoConnection& connection = *created.object;
    EXPECT_FALSE(connection.SetCommandTimeout(3600).Failed());
    EXPECT_FALSE(connection.SetProvider(u"SQLOLEDB").Failed());
    EXPECT_FALSE(
        connection
            .SetConnectionString(u"Data Source=(LOCAL)\\SQL 2019;Integrated "
                                 u"security=SSPI")
            .Failed());
    EXPECT_FALSE(connection.Open().Failed());
    EXPECT_FALSE(connection.Close().Failed());
  }
  const std::string c = Serial(Record(), "connection");
  ASSERT_FALSE(c.empty());
  const std::u16string o(c.begin(), c.end());
  const std::vector<std::u16string> expected = {
      o + u" create  ok",
      o + u" CommandTimeout 3600 ok",
      o + u" Provider SQLOLEDB ok",
      o + u" ConnectionString Data Source=(LOCAL)\\SQL 2019;Integrated "
          u"security=SSPI ok",
      o + u" Open ConnectionString=\"\" UserID=\"\" Password=\"\" "
          u"Options=-1 ok",
      o + u" Close  ok",
      o + u" release  ok",
  };
  EXPECT_EQ(Events(), expected);
}

TEST_F(StandinTest, OpenFailureCarriesTheProviderNumberAndWording) {
  // Error information, the Errors collection, and a provider that says
  // nothing: each ends in a non-zero number and a description to show.
  struct Case {
    const char* scenario;
    int32_t number;
    std::u16string description;
  };
  const Case cases[] = {
      {"open fail 80004005 Error de inicio de sesión del usuario "
       "'ACME\\ana'.",
       static_cast<int32_t>(0x80004005),
       u"Error de inicio de sesión del usuario 'ACME\\ana'."},
      {"open fail-errors 80040E4D [DBNETLIB][ConnectionOpen (Connect()).]SQL "
       "Server does not exist or access denied.",
       static_cast<int32_t>(0x80040E4D),
       u"[DBNETLIB][ConnectionOpen (Connect()).]SQL Server does not exist or "
       u"access denied."},
      {"open fail 80004005", static_cast<int32_t>(0x80004005),
       com::SystemMessage(E_FAIL)},
      {"open fail 0x8004A123", static_cast<int32_t>(0x8004A123),
       u"Error 0x8004A123"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.scenario);
    Scenario(c.scenario);
    Created<AdoConnection> created = client_.CreateConnection();
    ASSERT_NE(created.object, nullptr);
    const PendingError error = created.object->Open();
    EXPECT_EQ(error.number, c.number);
    EXPECT_EQ(error.description, c.description);
    EXPECT_FALSE(error.description.empty());
  }
}

TEST_F(StandinTest, EarlierErrorInformationIsNeverReportedAsANewFailure) {
  Created<AdoConnection> created = client_.CreateConnection();
  ASSERT_NE(created.object, nullptr);
  // Left over on the thread by some earlier, unrelated failure.
  com::ComPtr<ICreateErrorInfo> create;
  ASSERT_EQ(CreateErrorInfo(&create), S_OK);
  create->SetDescription(const_cast<LPOLESTR>(L"stale text"));
  com::ComPtr<IErrorInfo> stale;
  ASSERT_EQ(create->QueryInterface(IID_IErrorInfo, &stale), S_OK);
  SetErrorInfo(0, stale.Get());

  Scenario("open fail 80004005\n");
  const PendingError error = created.object->Open();
  EXPECT_TRUE(error.Failed());
  EXPECT_EQ(error.description, com::SystemMessage(E_FAIL));
}

TEST_F(StandinTest, CloseFailuresAreReportedWithTheirDescription) {
  Scenario("close fail 80004005 Conexión perdida con el servidor\n");
  std::unique_ptr<AdoConnection> connection = OpenConnection();
  ASSERT_NE(connection, nullptr);
  const PendingError lost = connection->Close();
  EXPECT_EQ(lost.number, static_cast<int32_t>(0x80004005));
  EXPECT_EQ(lost.description, u"Conexión perdida con el servidor");
  // Already closed now: the stand-in refuses as ADO does.
  const PendingError closed = connection->Close();
  EXPECT_EQ(closed.number, static_cast<int32_t>(0x800A0E78));
  EXPECT_EQ(closed.description,
            u"Operation is not allowed when the object is closed.");
}

TEST_F(StandinTest, RefusedCreationBecomesTheCreatedError) {
  Scenario("create command fail 8007000E\n");
  Created<AdoConnection> connection = client_.CreateConnection();
  ASSERT_NE(connection.object, nullptr);
  Created<AdoCommand> command = connection.object->CreateCommand();
  EXPECT_EQ(command.object, nullptr);
  EXPECT_EQ(command.error.number, static_cast<int32_t>(0x8007000E));
  EXPECT_EQ(command.error.description, com::SystemMessage(E_OUTOFMEMORY));
  Scenario("create connection fail 80040111\n");
  Created<AdoConnection> refused = client_.CreateConnection();
  EXPECT_EQ(refused.object, nullptr);
  EXPECT_EQ(refused.error.number, static_cast<int32_t>(0x80040111));
  EXPECT_FALSE(refused.error.description.empty());
}

// ---- what the stand-in adds for later tests ---------------------------------

TEST_F(StandinTest, DelayLinesChooseTheCallsTheyHold) {
  const standin::Scenario scenario = standin::ParseScenario(
      "delay Execute 3 7000\n"
      "delay Open * 250\n"
      "delay Parameters.Refresh 1 40\n"
      "delay Close x 10\n"
      "delay Close 2\n");
  EXPECT_EQ(scenario.DelayOf("Execute", 3), 7000u);
  EXPECT_EQ(scenario.DelayOf("Execute", 2), 0u);
  EXPECT_EQ(scenario.DelayOf("Execute", 4), 0u);
  EXPECT_EQ(scenario.DelayOf("Open", 1), 250u);
  EXPECT_EQ(scenario.DelayOf("Open", 99), 250u);
  EXPECT_EQ(scenario.DelayOf("Parameters.Refresh", 1), 40u);
  EXPECT_EQ(scenario.DelayOf("Close", 2), 0u);
  EXPECT_EQ(scenario.rejected,
            (std::vector<std::string>{"delay Close x 10", "delay Close 2"}));
}

TEST_F(StandinTest, ADelayedCallAnswersOnlyAfterItsWait) {
  Scenario("delay Close * 1500\n");
  std::unique_ptr<AdoConnection> connection = OpenConnection();
  ASSERT_NE(connection, nullptr);
  const auto started = std::chrono::steady_clock::now();
  EXPECT_FALSE(connection->Close().Failed());
  EXPECT_GE(std::chrono::steady_clock::now() - started,
            std::chrono::milliseconds(1400));
  double open_us = -1;
  double close_us = -1;
  for (const RecordLine& line : Record()) {
    if (line.event == "Open") open_us = line.own_us;
    if (line.event == "Close") close_us = line.own_us;
  }
  EXPECT_GE(close_us, 1400e3) << "the wait is the stand-in's own time";
  EXPECT_GE(open_us, 0);
  EXPECT_LT(open_us, 1400e3) << "Open was not to wait";
}

// Every ADO object is made, called and let go on a thread of its client's
// own, never on the caller's: each client has its thread.
TEST_F(StandinTest, EveryObjectLivesOnItsClientsOwnThread) {
  std::unique_ptr<AdoConnection> here = OpenConnection();
  ASSERT_NE(here, nullptr);
  {
    AdoComClient other_client;
    Created<AdoConnection> created = other_client.CreateConnection();
    ASSERT_NE(created.object, nullptr);
    EXPECT_FALSE(created.object->Open().Failed());
  }
  Created<AdoCommand> command = here->CreateCommand();
  ASSERT_NE(command.object, nullptr);
  EXPECT_FALSE(command.object->RefreshParameters().Failed());
  command.object.reset();
  here.reset();
  std::map<std::string, DWORD> creator;
  std::map<std::string, std::vector<std::string>> events;
  for (const RecordLine& line : Record()) {
    if (line.event == "create") creator[line.object] = line.thread;
    EXPECT_EQ(line.thread, creator[line.object])
        << line.object << " " << line.event;
    EXPECT_NE(line.thread, GetCurrentThreadId()) << line.object;
    events[line.object].push_back(line.event);
  }
  // In order of creation: this client's connection, the other's, the
  // command of this one.
  std::vector<DWORD> made;
  for (const RecordLine& line : Record()) {
    if (line.event == "create") made.push_back(line.thread);
  }
  ASSERT_EQ(made.size(), 3u);
  EXPECT_NE(made[0], made[1]);
  EXPECT_EQ(made[0], made[2]);
  for (const auto& [object, seen] : events) {
    EXPECT_EQ(seen.back(), "release") << object;
  }
}

TEST_F(StandinTest, RecordLinesWithoutAThreadColumnStillRead) {
  const std::wstring path = files_.Write(
      L"old-record.txt",
      "connection#1\tOpen\ta\\tb\tok\t1.500\t2.000\n"
      "connection#1\tClose\t\tfail 80004005\t3.000\t5.000\t4242\n");
  const std::vector<RecordLine> lines = standin::ReadRecord(path);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].value, u"a\tb");
  EXPECT_EQ(lines[0].total_us, 2.0);
  EXPECT_EQ(lines[0].thread, 0u);
  EXPECT_FALSE(lines[1].ok());
  EXPECT_EQ(lines[1].thread, 4242u);
}

// ---- command
// -----------------------------------------------------------------

TEST_F(StandinTest, OneAttachCallBindsBothValuesByNameAndReleasesTheResult) {
  const std::u16string name = u"Ventas \"2024\"; año\ttab";
  const std::u16string path =
      std::u16string(u"C:\\Datos de prueba\\ventas;'x'.mdf") + u'\0' + u"z";
  std::unique_ptr<AdoConnection> connection = OpenConnection();
  ASSERT_NE(connection, nullptr);
  {
    Created<AdoCommand> created = connection->CreateCommand();
    ASSERT_FALSE(created.error.Failed());
    ASSERT_NE(created.object, nullptr);
    AdoCommand& command = *created.object;
    EXPECT_FALSE(command.SetActiveConnection().Failed());
    EXPECT_FALSE(command.SetCommandType(kCommandTypeStoredProcedure).Failed());
    EXPECT_FALSE(command.SetCommandText(u"sp_attach_single_file_db").Failed());
    EXPECT_FALSE(command.RefreshParameters().Failed());
    EXPECT_FALSE(command.SetParameterValue(u"@dbname", name).Failed());
    EXPECT_FALSE(command.SetParameterValue(u"@physname", path).Failed());
    EXPECT_FALSE(command.Execute().Failed());
  }
  const std::vector<RecordLine> lines = Record();
  const std::string conn = Serial(lines, "connection");
  const std::string cmd = Serial(lines, "command");
  ASSERT_FALSE(cmd.empty());
  std::vector<std::string> seen;
  for (const RecordLine& line : lines) {
    if (line.object != cmd && line.object.rfind("recordset", 0) != 0) continue;
    seen.push_back(line.object == cmd ? line.event : "recordset " + line.event);
    if (line.event == "ActiveConnection") {
      EXPECT_EQ(line.value, std::u16string(conn.begin(), conn.end()));
    } else if (line.event == "CommandType") {
      EXPECT_EQ(line.value, u"4");
    } else if (line.event == "CommandText") {
      EXPECT_EQ(line.value, u"sp_attach_single_file_db");
    } else if (line.event == "Value @dbname") {
      EXPECT_EQ(line.value, name);
    } else if (line.event == "Value @physname") {
      EXPECT_EQ(line.value, path);
    } else if (line.event == "Execute") {
      EXPECT_EQ(line.value,
                u"RecordsAffected=empty Parameters=missing Options=-1");
      EXPECT_TRUE(line.ok());
    }
  }
  const std::vector<std::string> expected = {
      "create",      "ActiveConnection",  "CommandType",
      "CommandText", "Parameters",        "Parameters.Refresh",
      "Parameters",  "Parameters.Item",   "Value @dbname",
      "Parameters",  "Parameters.Item",   "Value @physname",
      "Execute",     "recordset release", "release"};
  EXPECT_EQ(seen, expected);

  // The command held its connection until it went; the connection goes last.
  connection.reset();
  const std::vector<RecordLine> after = Record();
  ASSERT_FALSE(after.empty());
  EXPECT_EQ(after.back().object + " " + after.back().event, conn + " release");
  EXPECT_EQ(std::count_if(after.begin(), after.end(),
                          [&](const RecordLine& line) {
                            return line.object == conn &&
                                   line.event == "release";
                          }),
            1);
}

class AttachCommand : public StandinTest {
 protected:
  PendingError Attach(AdoConnection& connection, const std::u16string& name) {
    Created<AdoCommand> created = connection.CreateCommand();
    EXPECT_NE(created.object, nullptr);
    if (!created.object) return created.error;
    AdoCommand& command = *created.object;
    command.SetActiveConnection();
    command.SetCommandType(kCommandTypeStoredProcedure);
    command.SetCommandText(u"sp_attach_single_file_db");
    command.RefreshParameters();
    command.SetParameterValue(u"@dbname", name);
    command.SetParameterValue(u"@physname", u"C:\\Data\\" + name + u".mdf");
    return command.Execute();
  }
};

TEST_F(AttachCommand, ExecuteFailuresCarryTheServerWording) {
  Scenario(
      "execute fail ventas 80040E14 Unable to open the physical file "
      "\"C:\\Data\\ventas.mdf\".\n"
      "execute fail-errors compras 80040E37 Could not find stored procedure "
      "'sp_attach_single_file_db'.\n"
      "execute fail silencio 80004005\n");
  std::unique_ptr<AdoConnection> connection = OpenConnection();
  ASSERT_NE(connection, nullptr);

  EXPECT_FALSE(Attach(*connection, u"stock").Failed());
  const PendingError file = Attach(*connection, u"ventas");
  EXPECT_EQ(file.number, static_cast<int32_t>(0x80040E14));
  EXPECT_EQ(file.description,
            u"Unable to open the physical file \"C:\\Data\\ventas.mdf\".");
  const PendingError collection = Attach(*connection, u"compras");
  EXPECT_EQ(collection.number, static_cast<int32_t>(0x80040E37));
  EXPECT_EQ(collection.description,
            u"Could not find stored procedure 'sp_attach_single_file_db'.");
  const PendingError quiet = Attach(*connection, u"silencio");
  EXPECT_EQ(quiet.number, static_cast<int32_t>(0x80004005));
  EXPECT_EQ(quiet.description, com::SystemMessage(E_FAIL));
  EXPECT_FALSE(Attach(*connection, u"stock").Failed());
}

TEST_F(AttachCommand, ACommandOnAClosedConnectionFailsReadably) {
  std::unique_ptr<AdoConnection> connection = OpenConnection();
  ASSERT_NE(connection, nullptr);
  connection->Close();
  const PendingError error = Attach(*connection, u"ventas");
  EXPECT_EQ(error.number, static_cast<int32_t>(0x800A0E7D));
  EXPECT_EQ(error.description,
            u"The connection cannot be used to perform this operation. It is "
            u"either closed or invalid in this context.");
}

TEST_F(AttachCommand, ParametersNeedRefreshAndAKnownName) {
  std::unique_ptr<AdoConnection> connection = OpenConnection();
  ASSERT_NE(connection, nullptr);
  Created<AdoCommand> created = connection->CreateCommand();
  ASSERT_NE(created.object, nullptr);
  AdoCommand& command = *created.object;
  command.SetActiveConnection();
  command.SetCommandText(u"sp_attach_single_file_db");
  const PendingError before = command.SetParameterValue(u"@dbname", u"x");
  EXPECT_EQ(before.number, static_cast<int32_t>(0x800A0CC1));
  EXPECT_EQ(before.description,
            u"Item cannot be found in the collection corresponding to the "
            u"requested name or ordinal.");
  ASSERT_FALSE(command.RefreshParameters().Failed());
  EXPECT_TRUE(command.SetParameterValue(u"@nombre", u"x").Failed());
  // ADO finds parameters whatever the case of the name.
  EXPECT_FALSE(command.SetParameterValue(u"@DBNAME", u"x").Failed());
  const PendingError missing = command.Execute();
  EXPECT_EQ(missing.description,
            u"Procedure or function 'sp_attach_single_file_db' expects "
            u"parameter '@physname', which was not supplied.");
}

TEST_F(AttachCommand, RefreshFailureIsReported) {
  Scenario("refresh fail 80004005 Communication link failure\n");
  std::unique_ptr<AdoConnection> connection = OpenConnection();
  ASSERT_NE(connection, nullptr);
  Created<AdoCommand> created = connection->CreateCommand();
  ASSERT_NE(created.object, nullptr);
  created.object->SetActiveConnection();
  const PendingError error = created.object->RefreshParameters();
  EXPECT_EQ(error.number, static_cast<int32_t>(0x80004005));
  EXPECT_EQ(error.description, u"Communication link failure");
}

}  // namespace
}  // namespace quorvel::connection::win32
