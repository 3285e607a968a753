# Cross build for Windows x86-64 with Debian's mingw-w64. The posix thread
# model is the one whose libstdc++ has std::thread, std::mutex and
# std::condition_variable. Linked statically, so gstboot.exe needs no
# libgcc, libstdc++ or winpthread DLL beside it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# What runs the program here, for add_test and try_run.
find_program(GSTBOOT_WINE NAMES wine wine64)
if(GSTBOOT_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${GSTBOOT_WINE})
endif()
