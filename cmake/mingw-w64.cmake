# Cross-compiling the Qt-free core for Windows with MinGW-w64: 64-bit by default,
# 32-bit through mingw-w64-i686.cmake (which names its compilers first).
# The -posix compilers give std::thread and std::mutex; -static spares the
# program the MinGW runtime DLLs on the technician's machine.
set(CMAKE_SYSTEM_NAME Windows)
if(NOT r27_mingw)
  set(r27_mingw x86_64-w64-mingw32)
endif()
string(REGEX REPLACE "-.*" "" CMAKE_SYSTEM_PROCESSOR ${r27_mingw})

set(CMAKE_C_COMPILER ${r27_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${r27_mingw}-g++-posix)
set(CMAKE_ASM_COMPILER ${r27_mingw}-gcc-posix)
set(CMAKE_RC_COMPILER ${r27_mingw}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${r27_mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
