# What both MinGW-w64 targets share. The including file sets
# CMAKE_SYSTEM_PROCESSOR and the compilers' prefix in kestrune_mingw.
set(CMAKE_SYSTEM_NAME Windows)

# The -posix compilers: the default ones lack std::thread and std::mutex.
set(CMAKE_C_COMPILER ${kestrune_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${kestrune_mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${kestrune_mingw}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${kestrune_mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The runtime goes into each program, so it runs without MinGW's DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
