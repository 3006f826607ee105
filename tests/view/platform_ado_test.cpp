// The ADO adapter against the platform's own ADO, with the stand-in out of
// the way: what Wine (or Windows) answers without a server.
#include "common/win32/windows_api.h"
// The header below needs windows.h before it.
#include <oleauto.h>

#include <cstdio>
#include <string>

#include "common/com_ptr.h"
#include "common/win32/com_apartment.h"
#include "common/win32/com_handles.h"
#include "connection/win32/ado_com_client.h"
#include "connection/win32/ado_interfaces.h"
#include "gtest/gtest.h"
#include "tests/support/utf8.h"

namespace quorvel::connection::win32 {
namespace {

TEST(PlatformAdo, OpenWithoutAServerFailsWithAReadableDescription) {
  const com::Apartment apartment;
  ASSERT_EQ(apartment.Failure(), S_OK);
  AdoComClient client;
  Created<AdoConnection> created = client.CreateConnection();
  ASSERT_FALSE(created.error.Failed()) << std::string(
      created.error.description.begin(), created.error.description.end());
  ASSERT_NE(created.object, nullptr);
  created.object->SetCommandTimeout(3600);
  created.object->SetProvider(u"SQLOLEDB");
  created.object->SetConnectionString(
      u"Data Source=(LOCAL);Integrated security=SSPI");
  const PendingError error = created.object->Open();
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
