# The 32-bit Windows build: on 64-bit Windows it runs as a WOW64 process.
set(r27_mingw i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
