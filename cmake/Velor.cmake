# Shared build helpers.
include_guard(GLOBAL)

set(VELOR_TEST_SUPPORT_DIR ${CMAKE_SOURCE_DIR}/tests/support)

# velor_add_tests(LIBS <targets...> [QT])
# Every test_*.cpp in the calling folder becomes one GoogleTest program whose
# cases are registered with CTest.  QT gives the program a QApplication main
# that runs on the offscreen platform unless QT_QPA_PLATFORM names another
# (the tests' environment leaves that variable to the caller, so
# QT_QPA_PLATFORM=xcb xvfb-run ctest really runs them on X11).
# A test_*_x11.cpp program presses keys through an X server instead: it runs
# on X11 whatever the caller says, needs $DISPLAY, carries the CTest label
# x11 and runs alone (two programs on one server take the activation from
# each other).
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
    set(x11)
    if(name MATCHES "_x11$")
      target_link_libraries(${target} PRIVATE velor_x11_keyboard)
      set(x11 LABELS x11 ENVIRONMENT QT_QPA_PLATFORM=xcb RUN_SERIAL TRUE)
    endif()
    if(ARG_QT)
      target_link_libraries(${target} PRIVATE velor_qt_test_main)
    else()
      target_link_libraries(${target} PRIVATE GTest::gtest_main)
    endif()
    target_include_directories(${target} PRIVATE ${VELOR_TEST_SUPPORT_DIR})
    # Its absolute path for the helpers that run files kept there (a compiler
    # launcher may make __FILE__ relative to the build folder).
    target_compile_definitions(${target} PRIVATE VELOR_TEST_SUPPORT_DIR="${VELOR_TEST_SUPPORT_DIR}")
    gtest_discover_tests(${target}
      DISCOVERY_MODE PRE_TEST
      DISCOVERY_TIMEOUT 120
      # Parameterized cases carry names of their own; their values are not
      # printable text.
      NO_PRETTY_VALUES
      # The platform plugin and the sanitizer options are the caller's
      # (scripts/test.sh sets them); a Qt test program runs offscreen when
      # none is named.
      PROPERTIES
        TIMEOUT 300
        ${x11})
  endforeach()
endfunction()
