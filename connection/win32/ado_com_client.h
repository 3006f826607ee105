// ADO over COM: ADODB.Connection and ADODB.Command.
#pragma once

#include "common/win32/windows_api.h"
// The headers below need windows.h before them.
#include <unknwn.h>

#include <optional>

#include "common/com_ptr.h"
#include "common/win32/com_apartment.h"
#include "connection/ado_client.h"

namespace quorvel::connection::win32 {

// COM is joined on first use, not at start-up: a program that never connects
// never loads COM. The thread stays in its single-threaded apartment until the
// client goes, so create and use the client on one thread, and release every
// object it made before it goes. The class objects are asked for once and
// kept, so that a run of many commands does not look the class up in the
// registry for every row.
class AdoComClient final : public AdoClient {
 public:
  AdoComClient() = default;
  AdoComClient(const AdoComClient&) = delete;
  AdoComClient& operator=(const AdoComClient&) = delete;
  ~AdoComClient() override;

  Created<AdoConnection> CreateConnection() override;

 private:
  // Joins the thread's apartment the first time it is asked. Returns the
  // failure that keeps COM out of reach, else S_OK.
  HRESULT JoinApartment();

  std::optional<com::Apartment> apartment_;
  com::ComPtr<IClassFactory> connection_factory_;
  com::ComPtr<IClassFactory> command_factory_;
};

}  // namespace quorvel::connection::win32
