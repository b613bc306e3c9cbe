# Shared build helpers.
include_guard(GLOBAL)

set(VELOR_TEST_SUPPORT_DIR ${CMAKE_SOURCE_DIR}/tests/support)
set(VELOR_LSAN_SUPPRESSIONS ${CMAKE_SOURCE_DIR}/tests/lsan.supp)

# velor_add_tests(LIBS <targets...> [QT])
# Every test_*.cpp in the calling folder becomes one GoogleTest program whose
# cases are registered with CTest.  QT gives the program a QApplication main
# that runs on the offscreen platform unless QT_QPA_PLATFORM names another
# (the tests' environment leaves that variable to the caller, so
# QT_QPA_PLATFORM=xcb xvfb-run ctest really runs them on X11).
function(velor_add_tests)
  cmake_parse_arguments(ARG "QT" "" "LIBS" ${ARGN})
  include(GoogleTest)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/test_*.cpp)
  file(RELATIVE_PATH rel ${CMAKE_SOURCE_DIR}/tests ${CMAKE_CURRENT_SOURCE_DIR})
  string(REPLACE "/" "_" prefix "${rel}")
  foreach(src ${sources})
    get_filename_component(name ${src} NAME_WE)
    set(target ${prefix}_${name})
    add_executable(${target} ${src})
    target_link_libraries(${target} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock)
    if(ARG_QT)
      target_link_libraries(${target} PRIVATE velor_qt_test_main)
    else()
      target_link_libraries(${target} PRIVATE GTest::gtest_main)
    endif()
    target_include_directories(${target} PRIVATE ${VELOR_TEST_SUPPORT_DIR})
    # Where the support scripts lie, whatever form __FILE__ takes (ccache with
    # a base folder makes it relative to the build folder).
    target_compile_definitions(${target} PRIVATE VELOR_TEST_SUPPORT_DIR="${VELOR_TEST_SUPPORT_DIR}")
    gtest_discover_tests(${target}
      DISCOVERY_MODE PRE_TEST
      DISCOVERY_TIMEOUT 120
      PROPERTIES
        ENVIRONMENT "LSAN_OPTIONS=suppressions=${VELOR_LSAN_SUPPRESSIONS}:print_suppressions=0;ASAN_OPTIONS=detect_stack_use_after_return=0:strict_string_checks=1"
        TIMEOUT 300)
  endforeach()
endfunction()
