// Points ADO's Connection and Command classes at the stand-in DLL, in the
// 32-bit view of HKEY_CLASSES_ROOT\CLSID, and puts back what was there.
//
// The end-to-end driver (a 32-bit program in the test's Wine prefix) calls
// RegisterStandin(path of quorvel_ado_standin.dll) before it starts
// Quorvel.exe and UnregisterStandin() afterwards; the DLL's own
// DllRegisterServer/DllUnregisterServer do the same, so
// `wine regsvr32 quorvel_ado_standin.dll` (and /u) works too. The stand-in
// then reads QUORVEL_ADO_SCENARIO and writes QUORVEL_ADO_RECORD from the
// environment Quorvel.exe inherits.
#pragma once

#include <string>

namespace quorvel::standin {

// Keeps the entries it replaces beside its own, once; a second call only
// changes the path.
bool RegisterStandin(const std::wstring& dll_path);
// Restores the entries kept by RegisterStandin. True when nothing was
// registered.
bool UnregisterStandin();

}  // namespace quorvel::standin
