// Small helpers shared by the connection and the attach run.
#pragma once

#include "app/text.h"

namespace quorvel {

inline constexpr int32_t kConnectionCommandTimeout = 3600;

inline Text ConnectionStringFor(const Text& server_name) {
  return u"Data Source=" + server_name + u";Integrated security=SSPI";
}

// An object that could not be created must still end as a reported failure,
// even if its creation left no error number behind.
inline PendingError AsFailure(PendingError error) {
  if (!error.Failed()) {
    error.number = -1;
  }
  if (error.description.empty()) {
    error.description = u"No se pudo crear el objeto ADO.";
  }
  return error;
}

}  // namespace quorvel
