// The one way into the Windows headers for every Win32 source of the
// project: it stops the build when the definitions they need are missing
// (quorvel_win32_api gives them). Without NOMINMAX the SDK defines min and
// max as macros under MSVC, which breaks std::min and numeric_limits.
#pragma once

#if !defined(NOMINMAX) || !defined(WIN32_LEAN_AND_MEAN) || \
    !defined(UNICODE) || !defined(_UNICODE)
#error \
    "Win32 sources need NOMINMAX, WIN32_LEAN_AND_MEAN, UNICODE and _UNICODE: link quorvel_win32_api"
#endif
#if !defined(_WIN32_WINNT) || _WIN32_WINNT < 0x0601
#error \
    "Win32 sources need _WIN32_WINNT 0x0601 (Windows 7) or later: link quorvel_win32_api"
#endif

#include <windows.h>
