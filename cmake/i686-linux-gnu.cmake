# Cross build for 32-bit x86 Linux with Debian's g++-i686-linux-gnu. The
# project's CMakeLists.txt asks for SSE2 doubles on this target and checks
# that it gets them. A statically linked result runs on an x86-64 kernel.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_CXX_COMPILER i686-linux-gnu-g++)
# GoogleTest's project enables C as well.
set(CMAKE_C_COMPILER i686-linux-gnu-gcc)
