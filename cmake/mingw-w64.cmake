# Toolchain for the Windows program: the MinGW-w64 g++ with POSIX threads,
# linking libgcc, libstdc++ and winpthread statically so that the .exe runs alone.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(mingw_target x86_64-w64-mingw32)
find_program(CMAKE_CXX_COMPILER ${mingw_target}-g++-posix REQUIRED)

# The target's headers and libraries sit beside the compiler's bin folder.
cmake_path(GET CMAKE_CXX_COMPILER PARENT_PATH mingw_bin)
cmake_path(GET mingw_bin PARENT_PATH mingw_prefix)
set(CMAKE_FIND_ROOT_PATH ${mingw_prefix}/${mingw_target})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
