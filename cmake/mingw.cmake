# Cross-build for Windows with MinGW-w64; included by the toolchain file of
# each architecture after it sets SCRIBLET_MINGW_TRIPLET. The posix thread
# model compilers are used because the win32 model has no std::mutex, which
# GoogleTest needs.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${SCRIBLET_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${SCRIBLET_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${SCRIBLET_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${SCRIBLET_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# A static runtime, so the programs run without MinGW DLLs beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
