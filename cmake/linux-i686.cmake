# 32-bit x86 Linux programs, run under qemu-i386-static: the portable code with a 32-bit
# size_t, a 4 GB address space and SSE2 doubles, as in the 32-bit vantrel.dll.
#   cmake -S . -B build-linux32 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/linux-i686.cmake
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
set(CMAKE_C_FLAGS_INIT "-m32 -msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-m32 -msse2 -mfpmath=sse")
# Static, so that the emulator needs no 32-bit loader or libraries.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-m32 -static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-m32")
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-i386-static)
# A fully static program cannot link libvantrel.so.
set(VANTREL_FULLY_STATIC ON)
