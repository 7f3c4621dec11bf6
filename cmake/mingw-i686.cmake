# 32-bit Windows (PE32, i686).
set(SONDREL_MINGW_CPU i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
