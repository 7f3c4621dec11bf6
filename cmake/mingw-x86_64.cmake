# 64-bit Windows (PE32+, x86_64).
set(SONDREL_MINGW_CPU x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
