# The shipped DLL: the same cross compilers with the win32 thread model,
# whose runtime needs no threading library of its own (the DLL uses the
# system's locks; the test programs need std::thread and use the posix ones).
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-i686-mingw.cmake)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-win32)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-win32)
