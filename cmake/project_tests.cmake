# project_add_test(NAME name SOURCES ... LIBS ... [LABELS ...])
# One GoogleTest program; its cases are discovered when ctest runs (under Wine
# for the Windows build, so building needs no Wine).
if(INSTALLER_BUILD_TESTS)
  if(WIN32)
    find_package(GTest CONFIG REQUIRED)
  else()
    find_package(GTest REQUIRED)
  endif()
  include(GoogleTest)
endif()

function(project_add_test)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  target_include_directories(${T_NAME} PRIVATE ${PROJECT_SOURCE_DIR})
  target_compile_definitions(${T_NAME} PRIVATE
    PROJECT_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    SHARED_DIR="${PROJECT_SOURCE_DIR}/../shared")
  project_warnings(${T_NAME})
  set(labels ${T_LABELS})
  if(NOT labels)
    set(labels unit)
  endif()
  gtest_discover_tests(${T_NAME} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS "${labels}" SKIP_REGULAR_EXPRESSION "\\[  SKIPPED \\]")
endfunction()
