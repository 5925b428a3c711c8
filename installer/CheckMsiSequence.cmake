# Reads the sample MSI package's custom actions and InstallExecuteSequence back with msiinfo and
# checks their order: every registration deferred, without impersonation, through volmoraRun,
# between InstallFiles and InstallFinalize and right after its rollback action, which runs a copy
# of its program from the Binary table; the /u forms on uninstall only, in reverse order, before
# RemoveFiles, their failure not stopping the uninstall.
# cmake -DMSIINFO=<msiinfo> -DPACKAGE=<package.msi> -P CheckMsiSequence.cmake
cmake_policy(SET CMP0007 NEW)

# Step, program, in the order of installation.
set(steps Jvm=bindRuntime Server=bindHost Class=bindObject TypeLib=bindSchema)
# msidbCustomActionType: exe from a file (18) or from the Binary table (2), + ignore the exit code
# (64) + rollback (256) + in the script (1024) + no impersonation (2048).
set(registerType 3090)
set(unregisterType 3154)
set(rollbackType 3394)

set(faults "")
macro(fault text)
    string(APPEND faults "\n  ${text}")
endmacro()

# Rows of a table as "column<tab>column..." lines, without the three header lines.
function(read_table table outVar)
    execute_process(COMMAND "${MSIINFO}" export "${PACKAGE}" ${table}
                    OUTPUT_VARIABLE text RESULT_VARIABLE result ERROR_VARIABLE error)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "msiinfo cannot read ${table} of ${PACKAGE}: ${error}")
    endif()
    string(REPLACE ";" "<semicolon>" text "${text}")
    string(REPLACE "\r" "" text "${text}")
    string(REPLACE "\n" ";" rows "${text}")
    list(REMOVE_AT rows 0 1 2)
    set(${outVar} "${rows}" PARENT_SCOPE)
endfunction()

read_table(InstallExecuteSequence sequenceRows)
read_table(CustomAction actionRows)
# Exporting the Binary table writes its streams out as files: into a folder of this check's own.
set(exportFolder "${PACKAGE}.tables")
file(MAKE_DIRECTORY "${exportFolder}")
execute_process(COMMAND "${MSIINFO}" export "${PACKAGE}" Binary OUTPUT_VARIABLE binaryText
                RESULT_VARIABLE result WORKING_DIRECTORY "${exportFolder}")
file(REMOVE_RECURSE "${exportFolder}")
if(NOT result EQUAL 0)
    message(FATAL_ERROR "msiinfo cannot read Binary of ${PACKAGE}")
endif()
string(REPLACE "\n" ";" binaryRows "${binaryText}")

foreach(row IN LISTS sequenceRows)
    if(row MATCHES "^([A-Za-z0-9_.]+)\t([^\t]*)\t([0-9]+)$")
        set(sequence_${CMAKE_MATCH_1} ${CMAKE_MATCH_3})
        set(condition_${CMAKE_MATCH_1} "${CMAKE_MATCH_2}")
    endif()
endforeach()
foreach(row IN LISTS actionRows)
    if(row MATCHES "^([A-Za-z0-9_.]+)\t([0-9]+)\t([^\t]*)\t([^\t]*)")
        set(type_${CMAKE_MATCH_1} ${CMAKE_MATCH_2})
        set(source_${CMAKE_MATCH_1} "${CMAKE_MATCH_3}")
        set(target_${CMAKE_MATCH_1} "${CMAKE_MATCH_4}")
    endif()
endforeach()
foreach(row IN LISTS binaryRows)
    if(row MATCHES "^([A-Za-z0-9_.]+)\tBinary\\.")
        set(binary_${CMAKE_MATCH_1} TRUE)
    endif()
endforeach()

foreach(standard InstallInitialize RemoveFiles InstallFiles InstallFinalize)
    if(NOT DEFINED sequence_${standard})
        message(FATAL_ERROR "${PACKAGE} has no ${standard} in InstallExecuteSequence")
    endif()
endforeach()

# action name, type, source, sequence window, condition, what the command must start with
function(check_action action type source first last condition command)
    if(NOT DEFINED sequence_${action} OR NOT DEFINED type_${action})
        set(faults "${faults}\n  ${action} is missing" PARENT_SCOPE)
        return()
    endif()
    set(found "")
    if(NOT type_${action} EQUAL type)
        string(APPEND found "\n  ${action} has type ${type_${action}}, not ${type}")
    endif()
    if(NOT source_${action} STREQUAL source)
        string(APPEND found "\n  ${action} runs ${source_${action}}, not ${source}")
    endif()
    if(sequence_${action} LESS_EQUAL first OR sequence_${action} GREATER_EQUAL last)
        string(APPEND found "\n  ${action} is at ${sequence_${action}}, not between ${first} and ${last}")
    endif()
    if(NOT condition_${action} STREQUAL condition)
        string(APPEND found "\n  ${action} runs when '${condition_${action}}', not '${condition}'")
    endif()
    string(FIND "${target_${action}}" "${command}" at)
    if(NOT at EQUAL 0)
        string(APPEND found "\n  ${action} runs '${target_${action}}', not '${command}...'")
    endif()
    set(faults "${faults}${found}" PARENT_SCOPE)
endfunction()

set(previousInstall ${sequence_InstallFiles})
set(nextUninstall ${sequence_RemoveFiles})
foreach(entry IN LISTS steps)
    string(REPLACE "=" ";" fields "${entry}")
    list(GET fields 0 step)
    list(GET fields 1 program)
    # The rollback action comes right before its registration, after the previous registration.
    check_action(Rollback${step} ${rollbackType} ${program}Copy ${previousInstall}
                 ${sequence_InstallFinalize} "NOT REMOVE=\"ALL\"" "/u /s ")
    set(afterRollback ${sequence_InstallFiles})
    if(DEFINED sequence_Rollback${step})
        set(afterRollback ${sequence_Rollback${step}})
    endif()
    check_action(Register${step} ${registerType} volmoraRunExe ${afterRollback}
                 ${sequence_InstallFinalize} "NOT REMOVE=\"ALL\"" "/log \"[VOLMORARUNLOG]\" ${program} /s ")
    if(NOT binary_${program}Copy)
        fault("the Binary table holds no ${program}Copy")
    endif()
    if(DEFINED sequence_Register${step})
        set(previousInstall ${sequence_Register${step}})
    endif()
    # Uninstall undoes the steps in reverse order, before any file is removed.
    check_action(Unregister${step} ${unregisterType} volmoraRunExe ${sequence_InstallInitialize}
                 ${nextUninstall} "REMOVE=\"ALL\"" "/log \"[VOLMORARUNLOG]\" ${program} /u /s ")
    if(DEFINED sequence_Unregister${step})
        set(nextUninstall ${sequence_Unregister${step}})
    endif()
endforeach()

if(faults)
    message(FATAL_ERROR "${PACKAGE}:${faults}")
endif()
message(STATUS "${PACKAGE}: custom actions and their order as expected")
