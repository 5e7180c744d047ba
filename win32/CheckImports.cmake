# veskaro_check_win98_imports(TARGET): links into TARGET the ANSI stand-ins for the
# Unicode functions that the static runtime would import (w9x_wide_imports.cpp),
# and after each link fails the build when the executable imports a DLL function
# that win98-imports.txt does not list as present on Windows 98.
function(veskaro_check_win98_imports target)
  if(NOT CMAKE_OBJDUMP)
    message(FATAL_ERROR "The Windows 98 import check needs CMAKE_OBJDUMP (set by the toolchain file)")
  endif()
  target_sources(${target} PRIVATE "${PROJECT_SOURCE_DIR}/win32/w9x_wide_imports.cpp")
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND "${PROJECT_SOURCE_DIR}/win32/check-imports.sh" "${CMAKE_OBJDUMP}"
            "$<TARGET_FILE:${target}>" "${PROJECT_SOURCE_DIR}/win32/win98-imports.txt"
    COMMENT "Checking the imports of ${target} against the Windows 98 list"
    VERBATIM)
endfunction()
