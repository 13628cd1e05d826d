# quillon_library(NAME SOURCES a.cpp ... DEPS lib ...)
# One static library per src/ folder; src/ is the include root, so a header is included
# as "foundation/formatter.h". A library without sources yet is an interface library.
function(quillon_library name)
  cmake_parse_arguments(Q "" "" "SOURCES;DEPS" ${ARGN})
  if(Q_SOURCES)
    add_library(${name} STATIC ${Q_SOURCES})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src ${PROJECT_BINARY_DIR}/generated)
    target_link_libraries(${name} PUBLIC ${Q_DEPS})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src ${PROJECT_BINARY_DIR}/generated)
    target_link_libraries(${name} INTERFACE ${Q_DEPS})
  endif()
endfunction()

# quillon_folder_library(NAME DEPS lib ...): every .cpp of the calling folder.
function(quillon_folder_library name)
  cmake_parse_arguments(Q "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  quillon_library(${name} SOURCES ${sources} DEPS ${Q_DEPS})
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
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QUILLON_SHARED=${PROJECT_SOURCE_DIR}/../shared;QUILLON_TEST_DATA=${PROJECT_SOURCE_DIR}/tests/data;QUILLON_BUILD=${PROJECT_BINARY_DIR}"
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
endfunction()

# quillon_test_folder(DEPS lib ...): one test executable per *_test.cpp of the calling
# folder, each linked with the folder's libraries. Shared helpers: *_support.cpp.
function(quillon_test_folder)
  cmake_parse_arguments(Q "" "" "DEPS" ${ARGN})
  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  file(GLOB support CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_support.cpp)
  foreach(test ${tests})
    get_filename_component(name ${test} NAME_WE)
    quillon_test(${name} SOURCES ${test} ${support} DEPS ${Q_DEPS})
  endforeach()
endfunction()
