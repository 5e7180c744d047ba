# veskaro_folder_library(TARGET [LIBS ...] [TEST_LIBS ...] [TEST_FIXTURES ...])
# Builds the current folder's non-test sources into one static library, and its
# *_test.cpp files into one test executable registered with CTest. Globbing keeps
# adding a file to a folder a one-step change.
function(veskaro_folder_library target)
  cmake_parse_arguments(F "" "" "LIBS;TEST_LIBS;TEST_FIXTURES" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp")
  file(GLOB tests CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp")
  if(tests)
    list(REMOVE_ITEM sources ${tests})
  endif()
  if(sources)
    add_library(${target} STATIC ${sources})
    target_include_directories(${target} PUBLIC "${PROJECT_SOURCE_DIR}")
    target_link_libraries(${target} PUBLIC ${F_LIBS})
  else()
    # A folder of headers only (or one whose sources are still to come).
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE "${PROJECT_SOURCE_DIR}")
    target_link_libraries(${target} INTERFACE ${F_LIBS})
  endif()
  if(tests AND VESKARO_TESTS)
    veskaro_test(${target}_test SOURCES ${tests} LIBS ${target} ${F_TEST_LIBS}
      FIXTURES ${F_TEST_FIXTURES})
  endif()
endfunction()
