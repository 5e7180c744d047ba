# Cross build of the shipped Windows program: 32-bit x86, mingw-w64 with the
# `win32` thread model (no std::thread, so no winpthreads DLL or its imports),
# linked statically so that the .exe needs only DLLs that Windows 98 has.
set(VESKARO_MINGW_TRIPLET i686-w64-mingw32)
set(VESKARO_MINGW_THREADS win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(CMAKE_SYSTEM_VERSION 4.10)

# Static C and C++ runtimes; PE headers that the Windows 9x loader accepts
# (operating system and subsystem version 4.0).
set(CMAKE_EXE_LINKER_FLAGS_INIT
    "-static -static-libgcc -static-libstdc++ -Wl,--major-os-version,4 -Wl,--minor-os-version,0 -Wl,--major-subsystem-version,4 -Wl,--minor-subsystem-version,0")

# The i686 build runs only on Windows (or a 32-bit Wine); nothing runs it here.
