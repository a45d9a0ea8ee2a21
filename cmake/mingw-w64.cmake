# mingw-w64.cmake: cross-builds the project for 64-bit Windows with the
# mingw-w64 POSIX-thread compilers (std::thread, std::mutex and
# std::condition_variable need that thread model) and runs what it builds
# under Wine.
#
#   cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ZUB_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ZUB_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZUB_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${ZUB_MINGW_TRIPLE}-windres)

# Libraries and headers come from the mingw-w64 tree only: a Linux library or
# /usr/include on the command line would break the build in odd ways.
set(CMAKE_FIND_ROOT_PATH /usr/${ZUB_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The header-only libraries are Debian's, but their package files would put
# all of /usr/include on the include path. These wrappers load Debian's files
# and point the targets at a folder holding only the libraries' own headers.
set(nlohmann_json_DIR ${CMAKE_CURRENT_LIST_DIR}/mingw-w64/nlohmann_json)
set(CLI11_DIR ${CMAKE_CURRENT_LIST_DIR}/mingw-w64/CLI11)

# The C and C++ runtimes and winpthread go into every binary, so bin/ needs
# nothing but our own DLLs. Each module then has its own libstdc++; they still
# share msvcrt's heap, so objects may be freed across the DLL boundary.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")

# zubprov.dll and abru2.dll, as the Windows loader and the host expect them,
# not mingw's default libzubprov.dll.
set(CMAKE_USER_MAKE_RULES_OVERRIDE ${CMAKE_CURRENT_LIST_DIR}/mingw-w64/rules.cmake)

# ctest (and gtest_discover_tests) start the test programs through Wine.
if(EXISTS /usr/bin/wine)
  set(CMAKE_CROSSCOMPILING_EMULATOR /usr/bin/wine)
else()
  set(CMAKE_CROSSCOMPILING_EMULATOR wine)
endif()
