# Cross-builds the Windows programs with Debian's mingw-w64, posix thread model (std::thread and
# std::mutex work without extra libraries), statically linked: nothing to ship beside the .exe.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(THORNVALE_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${THORNVALE_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${THORNVALE_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${THORNVALE_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${THORNVALE_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(ZLIB_USE_STATIC_LIBS ON)

# The header-only libraries are the host's own files; their packages' CMake files would put all
# of /usr/include on the cross compiler's path, so these stand in for them.
set(CLI11_DIR ${CMAKE_CURRENT_LIST_DIR}/windows/CLI11)
set(nlohmann_json_DIR ${CMAKE_CURRENT_LIST_DIR}/windows/nlohmann_json)
# The other libraries are compiled from Debian's source packages, as on Linux (see the project's
# CMakeLists.txt and debian/DebianSource.cmake).

# Test programs and the sample image's writer run under Wine, in a prefix of the build's own.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run ${CMAKE_BINARY_DIR}/wineprefix)
