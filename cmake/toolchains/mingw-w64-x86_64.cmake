# Cross build of the Windows tests: x86-64, mingw-w64 with the `posix` thread
# model (GoogleTest needs std threads and mutexes), run under 64-bit Wine.
set(VESKARO_MINGW_TRIPLET x86_64-w64-mingw32)
set(VESKARO_MINGW_THREADS posix)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

# Static runtimes, so that Wine needs no mingw DLLs on its path.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test executables (gtest discovery included) run through Wine, in the build
# folder's own Wine prefix unless WINEPREFIX names another. The wrapper drops the
# CR of Windows text-mode line ends, which the test-list parser would keep.
set(CMAKE_CROSSCOMPILING_EMULATOR
    "${CMAKE_CURRENT_LIST_DIR}/../../win32/wine-run.sh;--prefix;${CMAKE_BINARY_DIR}/wineprefix")
