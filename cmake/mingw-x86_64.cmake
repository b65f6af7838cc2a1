# 64-bit Windows: the same program, for hosts that run only 64-bit programs.
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(SCRIBLET_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
