# Cross build of the shipped Windows program: 32-bit x86, mingw-w64 with the
# `win32` thread model (no std::thread, so no winpthreads DLL or its imports),
# linked statically so that the .exe needs only DLLs that Windows 98 has.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(CMAKE_SYSTEM_VERSION 4.10)

set(VESKARO_MINGW_TRIPLET i686-w64-mingw32)
set(CMAKE_C_COMPILER ${VESKARO_MINGW_TRIPLET}-gcc-win32)
set(CMAKE_CXX_COMPILER ${VESKARO_MINGW_TRIPLET}-g++-win32)
set(CMAKE_RC_COMPILER ${VESKARO_MINGW_TRIPLET}-windres)
set(CMAKE_OBJDUMP ${VESKARO_MINGW_TRIPLET}-objdump CACHE FILEPATH "objdump for the import check")

set(CMAKE_FIND_ROOT_PATH /usr/${VESKARO_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Static C and C++ runtimes; PE headers that the Windows 9x loader accepts
# (operating system and subsystem version 4.0).
set(CMAKE_EXE_LINKER_FLAGS_INIT
    "-static -static-libgcc -static-libstdc++ -Wl,--major-os-version,4 -Wl,--minor-os-version,0 -Wl,--major-subsystem-version,4 -Wl,--minor-subsystem-version,0")

# The i686 build runs only on Windows (or a 32-bit Wine); nothing runs it here.

# GCC 12 reports a false -Wrestrict overlap in std::string's operator+ at -O2 and
# above (GCC bug 105329), which -Werror would turn into a failed build.
set(CMAKE_CXX_FLAGS_INIT "-Wno-restrict")
