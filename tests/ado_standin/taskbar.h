// The taskbar list's class object, which the DLL serves beside ADO's; for
// any other class, CLASS_E_CLASSNOTAVAILABLE.
#pragma once

#include "common/win32/windows_api.h"

namespace quorvel::standin {

HRESULT TaskbarClassObject(REFCLSID clsid, REFIID iid, void** out);

}  // namespace quorvel::standin
