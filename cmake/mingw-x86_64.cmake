# 64-bit Windows with MinGW-w64; tests run under 64-bit Wine.
set(CE_MINGW_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
