# 32-bit Windows: the designed product.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(SCRIBLET_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
