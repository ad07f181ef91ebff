# Cross toolchain: mingw-w64 for 64-bit Windows, posix threads: the twin of every Windows program
# that the Wine tests run where 32-bit code cannot run.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(MINGW_PREFIX x86_64-w64-mingw32)
include("${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake")
