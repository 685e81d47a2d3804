# Cross-compiles ARM64 Windows programs with zig's clang and its bundled
# MinGW-w64 runtime (scripts/install-arm64-route.sh installs zig), through the
# wrappers in cmake/zig/, which fit the flags the other builds use to what
# zig takes.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ARM64)

set(CMAKE_C_COMPILER ${CMAKE_CURRENT_LIST_DIR}/zig/cc)
set(CMAKE_CXX_COMPILER ${CMAKE_CURRENT_LIST_DIR}/zig/c++)
set(CMAKE_AR ${CMAKE_CURRENT_LIST_DIR}/zig/ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${CMAKE_CURRENT_LIST_DIR}/zig/ranlib CACHE FILEPATH "")
set(CMAKE_RC_COMPILER llvm-windres-14)
set(CMAKE_STRIP llvm-strip-14 CACHE FILEPATH "")
set(CMAKE_OBJCOPY llvm-objcopy-14 CACHE FILEPATH "")
set(CMAKE_RC_FLAGS_INIT "--target=aarch64-w64-mingw32 -I/usr/share/mingw-w64/include")

set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# The debug information comes from the link as a PDB beside the binary.
set(RELEASE_SYMBOLS pdb)

# The arm64 Wine (scripts/arm64-wine.sh) runs what this builds.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/arm64-wine/wine64)
