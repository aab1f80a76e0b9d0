# Cross-build for Windows (i686) with Debian's mingw-w64 compilers.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(triple i686-w64-mingw32)
set(CMAKE_C_COMPILER ${triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triple}-g++-posix)
set(CMAKE_RC_COMPILER ${triple}-windres)
set(CMAKE_AR ${triple}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${triple}-ranlib CACHE FILEPATH "")

set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The Windows ABI only guarantees a 4-byte aligned stack on 32-bit x86;
# realign where SSE2 spills need 16 bytes (thread and window callbacks).
# M_PI and friends, as glibc gives them by default.
set(CMAKE_C_FLAGS_INIT "-mstackrealign -D_USE_MATH_DEFINES")
set(CMAKE_CXX_FLAGS_INIT "-mstackrealign -D_USE_MATH_DEFINES")

# Link the C and C++ runtimes (and winpthread) statically: the executables
# then import only DLLs that every Windows system has.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Tests run under Wine's 32-bit half (wine32), in the prefix named by
# WINEPREFIX when ctest runs (scripts/test-windows.sh makes a temporary one,
# and first checks that the machine can run 32-bit programs at all). Tests are
# listed when ctest starts rather than after each link.
find_program(INTRO_WINE NAMES wine)
if(INTRO_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR env WINEDEBUG=-all ${INTRO_WINE})
endif()
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
