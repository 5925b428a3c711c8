# Makes the release zip of one build afresh and checks it: exactly the programs in bin\,
# built for the package's architecture, and the user guide in doc\; nothing else (no test
# programs, no stand-in runtime library).
# cmake -DBUILD_DIR=<build> -DPACKAGE=<zip> -DPROGRAMS=<names separated by commas> -DSYSTEM=win32|win64
#       -DOBJDUMP=<objdump> -DGUIDE=<docs folder> -P CheckPackage.cmake
file(REMOVE "${PACKAGE}")
execute_process(COMMAND "${CMAKE_CPACK_COMMAND}" -G ZIP --config "${BUILD_DIR}/CPackConfig.cmake"
                WORKING_DIRECTORY "${BUILD_DIR}" RESULT_VARIABLE result OUTPUT_VARIABLE output
                ERROR_VARIABLE output)
if(NOT result EQUAL 0 OR NOT EXISTS "${PACKAGE}")
    message(FATAL_ERROR "cpack did not make ${PACKAGE}:\n${output}")
endif()

set(unpacked "${BUILD_DIR}/packageCheck")
file(REMOVE_RECURSE "${unpacked}")
file(ARCHIVE_EXTRACT INPUT "${PACKAGE}" DESTINATION "${unpacked}")
file(GLOB_RECURSE found LIST_DIRECTORIES false RELATIVE "${unpacked}" "${unpacked}/*")
list(SORT found)

string(REPLACE "," ";" PROGRAMS "${PROGRAMS}")
set(expected "")
foreach(program IN LISTS PROGRAMS)
    list(APPEND expected "bin/${program}.exe")
endforeach()
file(GLOB guide RELATIVE "${GUIDE}" "${GUIDE}/*.md")
if(NOT guide)
    message(FATAL_ERROR "no user guide in ${GUIDE}")
endif()
foreach(page IN LISTS guide)
    list(APPEND expected "doc/${page}")
endforeach()
list(SORT expected)
if(NOT found STREQUAL expected)
    string(REPLACE ";" "\n  " found "${found}")
    string(REPLACE ";" "\n  " expected "${expected}")
    message(FATAL_ERROR "package holds:\n  ${found}\nexpected:\n  ${expected}")
endif()

if(SYSTEM STREQUAL "win64")
    set(format "pei-x86-64")
else()
    set(format "pei-i386")
endif()
foreach(program IN LISTS PROGRAMS)
    execute_process(COMMAND "${OBJDUMP}" -f "${unpacked}/bin/${program}.exe"
                    OUTPUT_VARIABLE header RESULT_VARIABLE result)
    if(NOT result EQUAL 0 OR NOT header MATCHES "file format ${format}\n")
        message(FATAL_ERROR "bin/${program}.exe in the ${SYSTEM} package is not ${format}:\n${header}")
    endif()
endforeach()
file(REMOVE_RECURSE "${unpacked}")
message(STATUS "${PACKAGE}: ${found}")
