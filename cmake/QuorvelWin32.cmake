# What every translation unit that includes <windows.h> is compiled with.
# The SDK defines min and max as macros unless NOMINMAX is set, which breaks
# std::min and std::max under MSVC (libstdc++ sets NOMINMAX for itself, so a
# mingw build alone never shows it).
include_guard(GLOBAL)

add_library(quorvel_win32_api INTERFACE)
target_compile_definitions(quorvel_win32_api INTERFACE
  NOMINMAX WIN32_LEAN_AND_MEAN UNICODE _UNICODE _WIN32_WINNT=0x0601)

# How every window program of ours is linked: wWinMain is the entry point,
# and a Release build leaves out the debug sections the static runtime
# libraries bring along (MSVC puts them in a separate .pdb anyway).
add_library(quorvel_win32_program INTERFACE)
if(MINGW)
  target_link_options(quorvel_win32_program INTERFACE -municode
                      $<$<CONFIG:Release>:-s>)
endif()
