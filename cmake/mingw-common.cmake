# Shared part of the two MinGW-w64 toolchain files. The caller sets TW_MINGW_TRIPLE.
set(CMAKE_SYSTEM_NAME Windows)
# The win32 thread model: its C++ runtime stands on Windows' own threads, where the
# posix model's drags the POSIX thread layer (winpthread) into every exe. It has no
# std::thread, std::mutex or std::condition_variable: the program uses
# common/win32/threads.h instead.
set(CMAKE_C_COMPILER   ${TW_MINGW_TRIPLE}-gcc-win32)
set(CMAKE_CXX_COMPILER ${TW_MINGW_TRIPLE}-g++-win32)
set(CMAKE_RC_COMPILER  ${TW_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TW_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
