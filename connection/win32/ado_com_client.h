// ADO over COM: ADODB.Connection and ADODB.Command.
#pragma once

#include "common/win32/windows_api.h"
// The headers below need windows.h before them.
#include <unknwn.h>

#include "common/com_ptr.h"
#include "connection/ado_client.h"
#include "connection/win32/com_worker.h"

namespace quorvel::connection::win32 {

// Every ADO object lives on a thread of the client's own (ComWorker), started
// when the program first connects, so a start without a server starts no
// thread and loads no COM. The window's thread waits for each call in a
// message loop. The class objects are asked for once and kept, so that a run
// of many commands does not look the class up in the registry for every row.
// Release every object the client made before the client goes.
class AdoComClient final : public AdoClient {
 public:
  AdoComClient() = default;
  AdoComClient(const AdoComClient&) = delete;
  AdoComClient& operator=(const AdoComClient&) = delete;
  ~AdoComClient() override;

  // The window that takes no input while a call is under way.
  void SetOwner(HWND owner) { worker_.SetOwner(owner); }

  Created<AdoConnection> CreateConnection() override;

 private:
  // First, so that it goes last: it ends the thread.
  ComWorker worker_;
  // Used on the worker only.
  com::ComPtr<IClassFactory> connection_factory_;
  com::ComPtr<IClassFactory> command_factory_;
};

}  // namespace quorvel::connection::win32
