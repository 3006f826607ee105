// The ADO adapter driven through the scripted stand-in, and the stand-in's
// own abilities that later tests lean on; then the adapter against the
// platform's own ADO, with the stand-in out of the way: what Wine (or
// Windows) answers without a server.
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
#include <utility>
#include <vector>

#include "common/com_ptr.h"
#include "common/win32/com_apartment.h"
#include "common/win32/com_handles.h"
#include "connection/connection.h"
#include "connection/win32/ado_interfaces.h"
#include "connection/win32/com_error.h"
#include "gtest/gtest.h"
#include "tests/ado_standin/protocol.h"
#include "tests/e2e/process.h"
#include "tests/e2e/registry.h"
#include "tests/support/support.h"

namespace quorvel::connection::win32 {
namespace {

using standin::RecordLine;

// A failure's number and description, compared as one.
using Failure = std::pair<int32_t, std::u16string>;
Failure Of(const PendingError& error) {
  return {error.number, error.description};
}
Failure Expected(uint32_t number, std::u16string description) {
  return {static_cast<int32_t>(number), std::move(description)};
}

class StandinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(apartment_.Failure(), S_OK);
    ASSERT_TRUE(e2e::ServeClassesFrom(
        registry_, e2e::ToWindowsPath(QUORVEL_ADO_STANDIN_DLL)));
    record_ = files_.Write(L"record.txt", "");
    SetEnvironmentVariableW(L"QUORVEL_ADO_RECORD", record_.c_str());
    Scenario("open ok\n");
  }

  void TearDown() override {
    connection_.reset();  // released while the stand-in still records
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
      events.push_back(e2e::FromUtf8(line.object + " " + line.event + " ") +
                       line.value + u" " + e2e::FromUtf8(line.result));
    }
    return events;
  }

  // Opens connection_ over the stand-in.
  void OpenConnection() {
    Created<AdoConnection> created = client_.CreateConnection();
    ASSERT_FALSE(created.error.Failed());
    ASSERT_NE(created.object, nullptr);
    EXPECT_FALSE(created.object->Open().Failed());
    connection_ = std::move(created.object);
  }

  // A command of connection_ bound to it, run as the procedure.
  std::unique_ptr<AdoCommand> Prepared() {
    Created<AdoCommand> created = connection_->CreateCommand();
    EXPECT_FALSE(created.error.Failed());
    EXPECT_NE(created.object, nullptr);
    if (AdoCommand* command = created.object.get()) {
      EXPECT_FALSE(command->SetActiveConnection().Failed());
      EXPECT_FALSE(
          command->SetCommandType(kCommandTypeStoredProcedure).Failed());
      EXPECT_FALSE(
          command->SetCommandText(u"sp_attach_single_file_db").Failed());
    }
    return std::move(created.object);
  }
  // One attach call as the program makes it: what Execute answers.
  PendingError Attach(const std::u16string& name) {
    const std::unique_ptr<AdoCommand> command = Prepared();
    if (!command) return {-1, u"no command"};
    command->RefreshParameters();
    command->SetParameterValue(u"@dbname", name);
    command->SetParameterValue(u"@physname", u"C:\\Data\\" + name + u".mdf");
    return command->Execute();
  }

  const com::Apartment apartment_;
  e2e::RegistrySeeder registry_;
  AdoComClient client_;
  std::unique_ptr<AdoConnection> connection_;  // goes before its client
  e2e::ScratchFolder files_;
  std::wstring record_;
};

std::string Serial(const std::vector<RecordLine>& lines, const char* kind) {
  const auto made = std::find_if(lines.begin(), lines.end(), [&](auto& line) {
    return line.event == "create" && line.object.rfind(kind, 0) == 0;
  });
  return made == lines.end() ? "" : made->object;
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
  const std::u16string o = e2e::FromUtf8(Serial(Record(), "connection"));
  ASSERT_FALSE(o.empty());
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
  const std::pair<const char*, Failure> cases[] = {
      {"open fail 80004005 Error de inicio de sesión del usuario 'ACME\\ana'.",
       Expected(0x80004005,
                u"Error de inicio de sesión del usuario 'ACME\\ana'.")},
      {"open fail-errors 80040E4D [DBNETLIB][ConnectionOpen (Connect()).]SQL "
       "Server does not exist or access denied.",
       Expected(0x80040E4D,
                u"[DBNETLIB][ConnectionOpen (Connect()).]SQL Server does not "
                u"exist or access denied.")},
      {"open fail 80004005", Expected(0x80004005, com::SystemMessage(E_FAIL))},
      {"open fail 0x8004A123", Expected(0x8004A123, u"Error 0x8004A123")},
  };
  for (const auto& [scenario, failure] : cases) {
    SCOPED_TRACE(scenario);
    Scenario(scenario);
    Created<AdoConnection> created = client_.CreateConnection();
    ASSERT_NE(created.object, nullptr);
    const PendingError error = created.object->Open();
    EXPECT_EQ(Of(error), failure);
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
  ASSERT_NO_FATAL_FAILURE(OpenConnection());
  EXPECT_EQ(Of(connection_->Close()),
            Expected(0x80004005, u"Conexión perdida con el servidor"));
  // Already closed now: the stand-in refuses as ADO does.
  EXPECT_EQ(Of(connection_->Close()),
            Expected(0x800A0E78,
                     u"Operation is not allowed when the object is closed."));
}

TEST_F(StandinTest, RefusedCreationBecomesTheCreatedError) {
  Scenario("create command fail 8007000E\n");
  Created<AdoConnection> connection = client_.CreateConnection();
  ASSERT_NE(connection.object, nullptr);
  Created<AdoCommand> command = connection.object->CreateCommand();
  EXPECT_EQ(command.object, nullptr);
  EXPECT_EQ(Of(command.error),
            Expected(0x8007000E, com::SystemMessage(E_OUTOFMEMORY)));
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
  ASSERT_NO_FATAL_FAILURE(OpenConnection());
  const auto started = std::chrono::steady_clock::now();
  EXPECT_FALSE(connection_->Close().Failed());
  EXPECT_GE(std::chrono::steady_clock::now() - started,
            std::chrono::milliseconds(1400));
  std::map<std::string, double> own_us{{"Open", -1}, {"Close", -1}};
  for (const RecordLine& line : Record()) own_us[line.event] = line.own_us;
  EXPECT_GE(own_us["Close"], 1400e3) << "the wait is the stand-in's own time";
  EXPECT_GE(own_us["Open"], 0);
  EXPECT_LT(own_us["Open"], 1400e3) << "Open was not to wait";
}

// Every ADO object is made, called and let go on a thread of its client's
// own, never on the caller's: each client has its thread.
TEST_F(StandinTest, EveryObjectLivesOnItsClientsOwnThread) {
  ASSERT_NO_FATAL_FAILURE(OpenConnection());
  {
    AdoComClient other_client;
    Created<AdoConnection> created = other_client.CreateConnection();
    ASSERT_NE(created.object, nullptr);
    EXPECT_FALSE(created.object->Open().Failed());
  }
  Created<AdoCommand> command = connection_->CreateCommand();
  ASSERT_NE(command.object, nullptr);
  EXPECT_FALSE(command.object->RefreshParameters().Failed());
  command.object.reset();
  connection_.reset();
  std::map<std::string, DWORD> creator;
  std::map<std::string, std::string> last_event;
  // In order of creation: this client's connection, the other's, the
  // command of this one.
  std::vector<DWORD> made;
  for (const RecordLine& line : Record()) {
    if (line.event == "create") {
      creator[line.object] = line.thread;
      made.push_back(line.thread);
    }
    EXPECT_EQ(line.thread, creator[line.object])
        << line.object << " " << line.event;
    EXPECT_NE(line.thread, GetCurrentThreadId()) << line.object;
    last_event[line.object] = line.event;
  }
  ASSERT_EQ(made.size(), 3u);
  EXPECT_NE(made[0], made[1]);
  EXPECT_EQ(made[0], made[2]);
  for (const auto& [object, event] : last_event)
    EXPECT_EQ(event, "release") << object;
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
  EXPECT_EQ(lines[1].result, "fail 80004005");
  EXPECT_EQ(lines[1].thread, 4242u);
}

// ---- command ----------------------------------------------------------------

TEST_F(StandinTest, OneAttachCallBindsBothValuesByNameAndReleasesTheResult) {
  const std::u16string name = u"Ventas \"2024\"; año\ttab";
  const std::u16string path =
      std::u16string(u"C:\\Datos de prueba\\ventas;'x'.mdf") + u'\0' + u"z";
  ASSERT_NO_FATAL_FAILURE(OpenConnection());
  {
    const std::unique_ptr<AdoCommand> command = Prepared();
    ASSERT_NE(command, nullptr);
    EXPECT_FALSE(command->RefreshParameters().Failed());
    EXPECT_FALSE(command->SetParameterValue(u"@dbname", name).Failed());
    EXPECT_FALSE(command->SetParameterValue(u"@physname", path).Failed());
    EXPECT_FALSE(command->Execute().Failed());
  }
  const std::vector<RecordLine> lines = Record();
  const std::string conn = Serial(lines, "connection");
  const std::string cmd = Serial(lines, "command");
  ASSERT_FALSE(cmd.empty());
  // Every line of the command and of its recordset, whole, in order.
  std::vector<std::u16string> seen;
  for (const RecordLine& line : lines) {
    if (line.object != cmd && line.object.rfind("recordset", 0) != 0) continue;
    seen.push_back(e2e::FromUtf8((line.object == cmd ? "" : "recordset ") +
                                 line.event + " ") +
                   line.value + u" " + e2e::FromUtf8(line.result));
  }
  const std::vector<std::u16string> expected = {
      u"create  ok",
      u"ActiveConnection " + e2e::FromUtf8(conn) + u" ok",
      u"CommandType 4 ok",
      u"CommandText sp_attach_single_file_db ok",
      u"Parameters  ok",
      u"Parameters.Refresh  ok",
      u"Parameters  ok",
      u"Parameters.Item @dbname ok",
      u"Value @dbname " + name + u" ok",
      u"Parameters  ok",
      u"Parameters.Item @physname ok",
      u"Value @physname " + path + u" ok",
      u"Execute RecordsAffected=empty Parameters=missing Options=-1 ok",
      u"recordset release  ok",
      u"release  ok"};
  EXPECT_EQ(seen, expected);
  // The command held its connection until it went; the connection goes last.
  connection_.reset();
  const std::vector<std::u16string> after = Events();
  ASSERT_FALSE(after.empty());
  EXPECT_EQ(after.back(), e2e::FromUtf8(conn) + u" release  ok");
  EXPECT_EQ(std::count(after.begin(), after.end(), after.back()), 1);
}

class AttachCommand : public StandinTest {};

TEST_F(AttachCommand, ExecuteFailuresCarryTheServerWording) {
  Scenario(
      "execute fail ventas 80040E14 Unable to open the physical file "
      "\"C:\\Data\\ventas.mdf\".\n"
      "execute fail-errors compras 80040E37 Could not find stored procedure "
      "'sp_attach_single_file_db'.\n"
      "execute fail silencio 80004005\n");
  ASSERT_NO_FATAL_FAILURE(OpenConnection());

  EXPECT_FALSE(Attach(u"stock").Failed());
  EXPECT_EQ(Of(Attach(u"ventas")), Expected(0x80040E14,
                                            u"Unable to open the physical file "
                                            u"\"C:\\Data\\ventas.mdf\"."));
  EXPECT_EQ(Of(Attach(u"compras")), Expected(0x80040E37,
                                             u"Could not find stored procedure "
                                             u"'sp_attach_single_file_db'."));
  EXPECT_EQ(Of(Attach(u"silencio")),
            Expected(0x80004005, com::SystemMessage(E_FAIL)));
  EXPECT_FALSE(Attach(u"stock").Failed());
}

TEST_F(AttachCommand, ACommandOnAClosedConnectionFailsReadably) {
  ASSERT_NO_FATAL_FAILURE(OpenConnection());
  connection_->Close();
  EXPECT_EQ(Of(Attach(u"ventas")),
            Expected(0x800A0E7D,
                     u"The connection cannot be used to perform this "
                     u"operation. It is either closed or invalid in this "
                     u"context."));
}

TEST_F(AttachCommand, ParametersNeedRefreshAndAKnownName) {
  ASSERT_NO_FATAL_FAILURE(OpenConnection());
  const std::unique_ptr<AdoCommand> command = Prepared();
  ASSERT_NE(command, nullptr);
  EXPECT_EQ(Of(command->SetParameterValue(u"@dbname", u"x")),
            Expected(0x800A0CC1,
                     u"Item cannot be found in the collection corresponding "
                     u"to the requested name or ordinal."));
  ASSERT_FALSE(command->RefreshParameters().Failed());
  EXPECT_TRUE(command->SetParameterValue(u"@nombre", u"x").Failed());
  // ADO finds parameters whatever the case of the name.
  EXPECT_FALSE(command->SetParameterValue(u"@DBNAME", u"x").Failed());
  EXPECT_EQ(command->Execute().description,
            u"Procedure or function 'sp_attach_single_file_db' expects "
            u"parameter '@physname', which was not supplied.");
}

TEST_F(AttachCommand, RefreshFailureIsReported) {
  Scenario("refresh fail 80004005 Communication link failure\n");
  ASSERT_NO_FATAL_FAILURE(OpenConnection());
  const std::unique_ptr<AdoCommand> command = Prepared();
  ASSERT_NE(command, nullptr);
  EXPECT_EQ(Of(command->RefreshParameters()),
            Expected(0x80004005, u"Communication link failure"));
}

// ---- the platform's own ADO, with the stand-in out of the way -------------

TEST(PlatformAdo, OpenWithoutAServerFailsWithAReadableDescription) {
  const com::Apartment apartment;
  ASSERT_EQ(apartment.Failure(), S_OK);
  AdoComClient client;
  Created<AdoConnection> created = client.CreateConnection();
  ASSERT_FALSE(created.error.Failed())
      << e2e::ToUtf8(created.error.description);
  ASSERT_NE(created.object, nullptr);
  // The settings and Open as the program makes them.
  const PendingError error = connection::Open(*created.object, u"(LOCAL)");
  EXPECT_TRUE(error.Failed());
  EXPECT_FALSE(error.description.empty());
  std::printf("platform Open: 0x%08lX \"%s\"\n",
              static_cast<unsigned long>(error.number),
              e2e::ToUtf8(error.description).c_str());
}

// Our hand-declared vtables against an ADO we did not write: a slot out of
// place would reach another property, or one Wine leaves E_NOTIMPL. Wine
// answers only the older interface ids; Windows answers them too.
TEST(PlatformAdo, DeclaredSlotsRoundTripThroughTheRealCommandAndConnection) {
  const com::Apartment apartment;
  ASSERT_EQ(apartment.Failure(), S_OK);
  com::ComPtr<ado::Command> command;
  ASSERT_EQ(CoCreateInstance(ado::kClsidCommand, nullptr, CLSCTX_INPROC_SERVER,
                             ado::kIidCommandOld, &command),
            S_OK);
  const com::Bstr procedure(u"sp_attach_single_file_db");
  EXPECT_EQ(command->put_CommandText(procedure.Get()), S_OK);
  com::Bstr text;
  EXPECT_EQ(command->get_CommandText(text.Put()), S_OK);
  EXPECT_EQ(text.ToText(), u"sp_attach_single_file_db");
  LONG type = 0;
  EXPECT_EQ(command->get_CommandType(&type), S_OK);
  EXPECT_EQ(type, 8) << "adCmdUnknown until set";
  EXPECT_EQ(command->put_CommandType(kCommandTypeStoredProcedure), S_OK);
  EXPECT_EQ(command->get_CommandType(&type), S_OK);
  EXPECT_EQ(type, kCommandTypeStoredProcedure);
  com::ComPtr<ado::Connection> connection;
  ASSERT_EQ(
      CoCreateInstance(ado::kClsidConnection, nullptr, CLSCTX_INPROC_SERVER,
                       ado::kIidConnectionOld, &connection),
      S_OK);
  LONG seconds = 0;
  EXPECT_EQ(connection->get_CommandTimeout(&seconds), S_OK);
  EXPECT_EQ(seconds, 30) << "ADO's default";
  EXPECT_EQ(connection->put_CommandTimeout(3600), S_OK);
  EXPECT_EQ(connection->get_CommandTimeout(&seconds), S_OK);
  EXPECT_EQ(seconds, 3600);
  com::Bstr provider;
  EXPECT_EQ(connection->get_Provider(provider.Put()), S_OK);
  EXPECT_EQ(provider.ToText(), u"MSDASQL") << "ADO's default";
  EXPECT_EQ(connection->put_Provider(com::Bstr(u"SQLOLEDB").Get()), S_OK);
  EXPECT_EQ(connection->get_Provider(provider.Put()), S_OK);
  EXPECT_EQ(provider.ToText(), u"SQLOLEDB");
  const Text settings = u"Data Source=(LOCAL);Integrated security=SSPI";
  EXPECT_EQ(connection->put_ConnectionString(com::Bstr(settings).Get()), S_OK);
  com::Bstr read_back;
  EXPECT_EQ(connection->get_ConnectionString(read_back.Put()), S_OK);
  EXPECT_EQ(read_back.ToText(), settings);
}

}  // namespace
}  // namespace quorvel::connection::win32
