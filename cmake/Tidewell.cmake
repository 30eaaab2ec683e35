# Project-wide compile settings and the helpers that every subsystem folder uses.

set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)

set(TW_WARNINGS -Wall -Wextra -Werror)

# Applies our warnings, include root and Windows definitions to one of our targets
# (third-party code such as GoogleTest is compiled without -Werror).
function(tw_defaults target)
  # C and C++ only: windres (resource scripts) rejects -W options.
  target_compile_options(${target} PRIVATE "$<$<COMPILE_LANGUAGE:C,CXX>:${TW_WARNINGS}>")
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
  if(WIN32)
    target_compile_definitions(${target} PUBLIC UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
                                                _WIN32_WINNT=0x0601 WINVER=0x0601)
    # No MinGW runtime DLLs next to the exe: libgcc, libstdc++ and winpthread go in statically.
    target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++)
    tw_windows_lean(${target})
  endif()
endfunction()

# A memory cleaner is judged by what it costs itself, so every Windows target is built
# for size, and the link keeps only the functions and data something reaches (the
# static C++ runtime is most of the exe otherwise). The tests link the same way, so
# they run the code as it ships. The build is also reproducible: no link time stamp,
# and source and build paths (which reach the binary through __FILE__ and the debug
# info) written relative, so two builds of one commit give the same bytes anywhere.
function(tw_windows_lean target)
  target_compile_options(${target} PRIVATE
      "$<$<COMPILE_LANGUAGE:C,CXX>:$<$<CONFIG:Release>:-Os>;-ffunction-sections;-fdata-sections>"
      "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${PROJECT_SOURCE_DIR}/=;-ffile-prefix-map=${CMAKE_BINARY_DIR}/=>")
  target_link_options(${target} PRIVATE -Wl,--gc-sections -Wl,--no-insert-timestamp)
  # Link-time optimisation: the whole exe optimised for size as one unit (inlining and
  # dropping across files and libraries), about a sixth of the code. One partition:
  # GCC 12 stops with an internal error (in binds_to_current_def_p) when it splits
  # this program into several. The link's -Os, the optimisation level of the
  # link-time code generation, must come after the configuration's own -O3.
  set_property(TARGET ${target} PROPERTY INTERPROCEDURAL_OPTIMIZATION_RELEASE ON)
  target_link_options(${target} PRIVATE "$<$<CONFIG:Release>:-Os;-flto-partition=one>")
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "EXECUTABLE")
    # The linker's map beside the exe: bench/size_profile.py reads where the bytes go.
    target_link_options(${target} PRIVATE "-Wl,-Map=$<TARGET_FILE_DIR:${target}>/$<TARGET_FILE_BASE_NAME:${target}>.map")
  endif()
endfunction()

if(TIDEWELL_TESTS)
  if(WIN32)
    # GoogleTest for the Windows builds comes from Debian's source package, built static.
    set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
    set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    # The win32 thread model has no std::mutex for GoogleTest's Notification.
    target_compile_options(gtest PUBLIC "SHELL:-include ${PROJECT_SOURCE_DIR}/cmake/gtest_notification.h")
    set(TW_GTEST_MAIN gtest_main)
  else()
    find_package(GTest REQUIRED)
    set(TW_GTEST_MAIN GTest::gtest_main)
  endif()
endif()

# tw_test(<name> SOURCES <files...> [LIBS <targets...>] [HOST] [WINDOWS])
#   HOST:    a unit test of the logic against fakes, built and run on the Linux host.
#   WINDOWS: a test of a real Win32 backend, built for Windows and run by ctest under
#            Wine through CMAKE_CROSSCOMPILING_EMULATOR (win64 preset).
function(tw_test name)
  cmake_parse_arguments(T "HOST;WINDOWS" "" "SOURCES;LIBS" ${ARGN})
  if(NOT TIDEWELL_TESTS)
    return()
  endif()
  if((T_HOST AND NOT WIN32) OR (T_WINDOWS AND WIN32))
    add_executable(${name} ${T_SOURCES})
    tw_defaults(${name})
    target_link_libraries(${name} PRIVATE ${T_LIBS} ${TW_GTEST_MAIN})
    add_test(NAME ${name} COMMAND ${name})
  endif()
endfunction()
