# What the mingw-w64 toolchain files share. Each sets VESKARO_MINGW_TRIPLET and
# VESKARO_MINGW_THREADS (the thread model of the compilers: win32 or posix) and
# includes this file.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${VESKARO_MINGW_TRIPLET}-gcc-${VESKARO_MINGW_THREADS})
set(CMAKE_CXX_COMPILER ${VESKARO_MINGW_TRIPLET}-g++-${VESKARO_MINGW_THREADS})
set(CMAKE_RC_COMPILER ${VESKARO_MINGW_TRIPLET}-windres)
set(CMAKE_OBJDUMP ${VESKARO_MINGW_TRIPLET}-objdump CACHE FILEPATH "objdump for the import check")

set(CMAKE_FIND_ROOT_PATH /usr/${VESKARO_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# GCC 12 reports a false -Wrestrict overlap in std::string's operator+ at -O2 and
# above (GCC bug 105329), which -Werror would turn into a failed build.
set(CMAKE_CXX_FLAGS_INIT "-Wno-restrict")
