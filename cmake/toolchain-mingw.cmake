# Cross-build for Windows with MinGW-w64 (posix thread model, which std::mutex and GoogleTest need), for
# the target that the including toolchain file names: brenlow_triple, and CMAKE_SYSTEM_PROCESSOR.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${brenlow_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${brenlow_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${brenlow_triple}-windres)
# Stripped copies keep their time stamp, so that crash dumps of the release match the unstripped build.
set(CMAKE_STRIP ${CMAKE_CURRENT_LIST_DIR}/strip-keeping-stamp.sh CACHE FILEPATH "strip for PE files" FORCE)

set(CMAKE_FIND_ROOT_PATH /usr/${brenlow_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# ctest runs the test executables under Wine: scripts/build.sh gives the loader of the target as
# CMAKE_CROSSCOMPILING_EMULATOR.
