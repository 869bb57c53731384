# Cross-builds for 64-bit Windows with Debian's MinGW-w64 (posix threads, as Qt was built).
# ORVEX_WINDOWS_PREFIXES lists the folders of the Windows libraries (Qt, SQLite, GoogleTest,
# Poppler); Qt's host tools (moc, rcc, uic) are the build machine's own Qt of the same version.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(_mingw x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${_mingw}-windres)
set(CMAKE_AR ${_mingw}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${_mingw}-ranlib CACHE FILEPATH "")

set(ORVEX_WINDOWS_PREFIXES "" CACHE STRING "Folders of the Windows libraries")
set(CMAKE_FIND_ROOT_PATH /usr/${_mingw} ${ORVEX_WINDOWS_PREFIXES})
set(CMAKE_PREFIX_PATH ${ORVEX_WINDOWS_PREFIXES})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(QT_HOST_PATH /usr CACHE PATH "")
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake CACHE PATH "")

# The programs the build runs itself (the update resource generator) run under Wine; test
# programs are listed when ctest runs, not while building.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/windows/wine-run.sh)
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)

