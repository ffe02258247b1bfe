# verinox_add_test_program(name SOURCES ... LIBS ... [WEBENGINE])
# Every test runs without a screen (offscreen platform) unless it is marked WEBENGINE: those carry
# the "webengine" label, run under xvfb-run, and are left out of the sanitizer build's run.
function(verinox_add_test_program name)
    cmake_parse_arguments(ARG "WEBENGINE" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
    set(data "VERINOX_TEST_DATA=${CMAKE_CURRENT_SOURCE_DIR}")
    if(ARG_WEBENGINE)
        gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
            PROPERTIES LABELS webengine ENVIRONMENT "${data}")
    else()
        gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
            PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;${data}")
    endif()
endfunction()
