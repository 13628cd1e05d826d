# quillon_library(NAME SOURCES a.cpp ... DEPS lib ...)
# One static library per src/ folder; the folder itself is the include root, so a
# header is included as "foundation/formatter.h".
function(quillon_library name)
  cmake_parse_arguments(Q "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${Q_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${Q_DEPS})
endfunction()

# quillon_test(NAME SOURCES a_test.cpp ... DEPS lib ...)
# One test executable per module, registered with CTest.
function(quillon_test name)
  cmake_parse_arguments(Q "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${Q_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${Q_DEPS} GTest::gtest GTest::gtest_main)
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QUILLON_SHARED=${PROJECT_SOURCE_DIR}/../shared;QUILLON_TEST_DATA=${PROJECT_SOURCE_DIR}/tests/data"
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
endfunction()
