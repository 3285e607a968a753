# Cross build for aarch64 Linux with Debian's g++-aarch64-linux-gnu. Programs
# built here (GoogleTest's discovery, ctest) run through qemu-user, with the
# cross toolchain's libraries as the root of their dynamic loader.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
# GoogleTest's project enables C as well.
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64;-L;/usr/aarch64-linux-gnu)
