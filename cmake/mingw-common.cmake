# Shared by the toolchain files: Debian's MinGW-w64 posix-thread compilers for
# MINGW_PREFIX, and Wine to run what they build.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# WINE_LOADER is Wine's loader of the toolchain's width, found on the PATH
# that scripts/wine-env.sh sets for this machine's route.
set(CMAKE_CROSSCOMPILING_EMULATOR ${WINE_LOADER})
