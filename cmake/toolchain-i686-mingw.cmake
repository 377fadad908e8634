# Cross-build for 32-bit Windows with MinGW-w64 (posix thread model, which std::mutex and GoogleTest need).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(triple i686-w64-mingw32)
set(CMAKE_C_COMPILER ${triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triple}-g++-posix)
set(CMAKE_RC_COMPILER ${triple}-windres)
# Stripped copies keep their time stamp, so that crash dumps of the release match the unstripped build.
set(CMAKE_STRIP ${CMAKE_CURRENT_LIST_DIR}/strip-keeping-stamp.sh CACHE FILEPATH "strip for PE files" FORCE)

set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# ctest runs the test executables under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
