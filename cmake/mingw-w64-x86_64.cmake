# Cross build for 64-bit Windows with mingw-w64 (POSIX thread model, which
# GoogleTest needs for std::mutex). Programs run under Wine through
# scripts/wine-run.sh, so ctest can run the Windows tests here.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

get_filename_component(_cfg_root ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${_cfg_root}/scripts/wine-run.sh)
