# veskaro_folder_library(TARGET [LIBS ...] [TEST_LIBS ...])
# Builds the current folder's non-test sources into one static library, and its
# *_test.cpp files into one test executable registered with CTest. Globbing keeps
# adding a file to a folder a one-step change.
function(veskaro_folder_library target)
  cmake_parse_arguments(F "" "" "LIBS;TEST_LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp")
  file(GLOB tests CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp")
  if(tests)
    list(REMOVE_ITEM sources ${tests})
  endif()
  add_library(${target} STATIC ${sources})
  target_include_directories(${target} PUBLIC "${PROJECT_SOURCE_DIR}")
  target_link_libraries(${target} PUBLIC ${F_LIBS})
  if(tests AND VESKARO_TESTS)
    veskaro_test(${target}_test SOURCES ${tests} LIBS ${target} ${F_TEST_LIBS})
  endif()
endfunction()
