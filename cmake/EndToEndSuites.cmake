# add_end_to_end_suites(PROGRAM <e2e program .exe> PREFIX <test name prefix> SOURCES <files...>
#                       [TIMEOUT <seconds>] [SUITE_TIMEOUTS <suite>=<seconds>...])
# registers one CTest entry per GoogleTest suite of an end-to-end program that runs under Wine
# (scripts/in-wine.sh), named <prefix>.<suite>, so that ctest -R selects suites and a hang names
# its suite. The program is a Windows executable that cannot be asked for its tests at build time,
# so the suites are read from the TEST, TEST_F and TEST_P macros of its sources; a parameterized
# suite is selected with every instantiation prefix. The entries share one Wine prefix and display
# when ./test prepared them, so they never run in parallel.
function(add_end_to_end_suites)
    cmake_parse_arguments(E2E "" "PROGRAM;PREFIX;TIMEOUT" "SOURCES;SUITE_TIMEOUTS" ${ARGN})
    if(NOT E2E_TIMEOUT)
        set(E2E_TIMEOUT 300)
    endif()
    set(suites "")
    foreach(source IN LISTS E2E_SOURCES)
        set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${source}")
        file(STRINGS "${source}" lines REGEX "^TEST(_F|_P)?\\(")
        foreach(line IN LISTS lines)
            string(REGEX REPLACE "^TEST(_F|_P)?\\(([A-Za-z0-9_]+),.*" "\\2" suite "${line}")
            list(APPEND suites "${suite}")
        endforeach()
    endforeach()
    list(REMOVE_DUPLICATES suites)
    if(NOT suites)
        message(FATAL_ERROR "no test suites found in ${E2E_SOURCES}")
    endif()
    foreach(suite IN LISTS suites)
        set(timeout ${E2E_TIMEOUT})
        foreach(entry IN LISTS E2E_SUITE_TIMEOUTS)
            if(entry MATCHES "^${suite}=([0-9]+)$")
                set(timeout ${CMAKE_MATCH_1})
            endif()
        endforeach()
        set(name "${E2E_PREFIX}.${suite}")
        add_test(NAME ${name}
                 COMMAND "${PROJECT_SOURCE_DIR}/scripts/in-wine.sh" "${E2E_PROGRAM}"
                         --gtest_color=no "--gtest_filter=${suite}.*:*/${suite}.*")
        # A filter that matches nothing passes in GoogleTest: count that as a failure (a suite
        # whose tests all skip in this build did run). Exit code 77: a 32-bit program on a
        # machine that runs no 32-bit code (scripts/in-wine.sh says so).
        set_tests_properties(${name} PROPERTIES TIMEOUT ${timeout} RESOURCE_LOCK volmoraWine
                             FAIL_REGULAR_EXPRESSION "\\[==========\\] Running 0 tests"
                             SKIP_RETURN_CODE 77)
    endforeach()
endfunction()
