# The mingw-w64 cross toolchain, posix threads, for the MINGW_PREFIX that includes this file.
set(CMAKE_C_COMPILER ${MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_PREFIX}-windres)
# The archivers that index link-time-optimisation objects (the shipped programs use LTO).
set(CMAKE_AR ${MINGW_PREFIX}-gcc-ar-posix)
set(CMAKE_RANLIB ${MINGW_PREFIX}-gcc-ranlib-posix)
set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
