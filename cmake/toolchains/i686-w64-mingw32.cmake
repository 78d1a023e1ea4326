# 32-bit Windows with MinGW-w64 (Debian: g++-mingw-w64-i686-posix), the
# programs run by Wine.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(kestrune_mingw i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)

# ctest runs the programs under Wine.
find_program(KESTRUNE_WINE wine REQUIRED)
# Through tools/wine-run, so that what Wine starts for a test cannot hold
# ctest's output open after it.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../../tools/wine-run ${KESTRUNE_WINE})
