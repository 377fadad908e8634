# 64-bit Windows: the same tree for hosts that cannot run 32-bit programs (scripts/env.sh).
set(brenlow_triple x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
