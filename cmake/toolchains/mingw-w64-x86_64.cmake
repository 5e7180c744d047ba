# Cross build of the Windows tests: x86-64, mingw-w64 with the `posix` thread
# model (GoogleTest needs std threads and mutexes), run under 64-bit Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(VESKARO_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VESKARO_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VESKARO_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${VESKARO_MINGW_TRIPLET}-windres)
set(CMAKE_OBJDUMP ${VESKARO_MINGW_TRIPLET}-objdump CACHE FILEPATH "objdump for the import check")

set(CMAKE_FIND_ROOT_PATH /usr/${VESKARO_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Static runtimes, so that Wine needs no mingw DLLs on its path.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test executables (gtest discovery included) run through Wine, in the build
# folder's own Wine prefix unless WINEPREFIX names another. The wrapper drops the
# CR of Windows text-mode line ends, which the test-list parser would keep.
set(CMAKE_CROSSCOMPILING_EMULATOR
    "${CMAKE_CURRENT_LIST_DIR}/../../win32/wine-run.sh;--prefix;${CMAKE_BINARY_DIR}/wineprefix")

# GCC 12 reports a false -Wrestrict overlap in std::string's operator+ at -O2 and
# above (GCC bug 105329), which -Werror would turn into a failed build.
set(CMAKE_CXX_FLAGS_INIT "-Wno-restrict")
