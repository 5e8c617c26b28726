# 32-bit Windows with MinGW-w64; tests run under 32-bit Wine.
set(CE_MINGW_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
