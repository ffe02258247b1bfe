# verinox_add_test_program(name SOURCES ... LIBS ... [ENV VAR=value ...] [WEBENGINE] [QT])
# QT programs start with a QApplication and the toolkit's application object (tests/support).
# Every test runs without a screen (offscreen platform) unless it is marked WEBENGINE: those carry
# the "webengine" label, run under xvfb-run, and are left out of the sanitizer build's run.
function(verinox_add_test_program name)
    cmake_parse_arguments(ARG "WEBENGINE;QT" "" "SOURCES;LIBS;ENV" ${ARGN})
    # The sanitizer build leaves web-engine tests out altogether: even listing them would start
    # the engine under the leak checker.
    if(ARG_WEBENGINE AND VERINOX_SANITIZE)
        return()
    endif()
    add_executable(${name} ${ARG_SOURCES})
    if(ARG_QT OR ARG_WEBENGINE)
        target_link_libraries(${name} PRIVATE ${ARG_LIBS} verinox_test_main)
    else()
        target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
    endif()
    set(data "VERINOX_TEST_DATA=${CMAKE_CURRENT_SOURCE_DIR}")
    if(ARG_WEBENGINE)
        # The emulator wraps both the test listing and every test in a display of its own.
        set_target_properties(${name} PROPERTIES CROSSCOMPILING_EMULATOR
            "xvfb-run;-a;-s;-screen 0 1024x768x24")
        gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
            PROPERTIES LABELS webengine RUN_SERIAL TRUE ENVIRONMENT "${data}")
    else()
        # Listing the tests starts the program too, so it needs the offscreen platform as well.
        set(emulator env QT_QPA_PLATFORM=offscreen ${data} ${ARG_ENV})
        set_target_properties(${name} PROPERTIES CROSSCOMPILING_EMULATOR "${emulator}")
        gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST)
    endif()
endfunction()

# verinox_add_fuzz_target(name SOURCES ... LIBS ...)
# With VERINOX_FUZZ (scripts/fuzz.sh's build) a libFuzzer program. Otherwise a replay program of
# the same entry function, and a test that feeds it a fresh seed corpus (fuzz/<name>.seeds.sh) and
# every kept finding (fuzz/regressions/<name>/).
function(verinox_add_fuzz_target name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    if(VERINOX_FUZZ)
        add_executable(${name} ${ARG_SOURCES})
        target_link_libraries(${name} PRIVATE ${ARG_LIBS})
        target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
        return()
    endif()
    add_executable(${name}_replay ${ARG_SOURCES} ${PROJECT_SOURCE_DIR}/tests/support/FuzzReplay.cpp)
    target_link_libraries(${name}_replay PRIVATE ${ARG_LIBS})
    add_test(NAME ${name}_regressions
        COMMAND ${PROJECT_SOURCE_DIR}/tests/support/replay-fuzz.sh $<TARGET_FILE:${name}_replay>
            ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/${name}.seeds.sh
            ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/regressions/${name}
            ${CMAKE_CURRENT_BINARY_DIR}/${name}-replay)
    set_tests_properties(${name}_regressions PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen)
endfunction()
