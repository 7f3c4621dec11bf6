# Cross build for Windows with the mingw-w64 posix-thread compilers, for the
# processor the including toolchain file names in SONDREL_MINGW_CPU (i686 or
# x86_64). Static runtime: the programs need no DLLs of the compiler.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${SONDREL_MINGW_CPU})
set(CMAKE_C_COMPILER   ${SONDREL_MINGW_CPU}-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER ${SONDREL_MINGW_CPU}-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER  ${SONDREL_MINGW_CPU}-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${SONDREL_MINGW_CPU}-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# `wine` as tools/wine-env.sh puts it first in PATH: the loader for this
# build's architecture.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
