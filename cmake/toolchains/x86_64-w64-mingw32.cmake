# 64-bit Windows with MinGW-w64 (Debian: g++-mingw-w64-x86-64-posix), the
# programs run by Wine.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(kestrune_mingw x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)

# ctest runs the programs under 64-bit Wine, started directly: Debian's
# `wine` starts the 32-bit loader whenever wine32 is installed, which hosts
# without 32-bit execution cannot run. Debian keeps wine64 out of PATH.
find_program(KESTRUNE_WINE wine64 PATHS /usr/lib/wine REQUIRED)
# Through tools/wine-run, so that what Wine starts for a test cannot hold
# ctest's output open after it.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../../tools/wine-run ${KESTRUNE_WINE})
