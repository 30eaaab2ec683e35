# The shipped product: 32-bit Windows. Its executables cannot run here (no 32-bit Wine).
set(TW_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
