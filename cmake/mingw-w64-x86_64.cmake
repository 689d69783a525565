# Cross build for 64-bit Windows with Debian's mingw-w64 (posix thread model).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(_tc x86_64-w64-mingw32)
set(CMAKE_C_COMPILER   ${_tc}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_tc}-g++-posix)
set(CMAKE_RC_COMPILER  ${_tc}-windres)
# Debian's mingw sysroot plus the Windows libraries the setup script builds.
set(CMAKE_FIND_ROOT_PATH /usr/${_tc} "${CMAKE_CURRENT_LIST_DIR}/../.deps/mingw64")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Tests registered with add_test/gtest_discover_tests run through Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/wine-run.sh")
