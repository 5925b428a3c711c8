# Builds the MSI sample from volmora.wxs with wixl, then makes its Rollback* actions what wixl
# 0.101 cannot write: rollback actions (in the script, without impersonation, their result
# ignored) that run a copy of their program from the Binary table, or, for the type library,
# volmoraMsiStep.dll's RemoveTypeLibrary; so that a rollback never depends on the installed
# files.
# With FAILING set, it also writes a copy for the tests with one more step after the last
# registration that always fails (RunVolmoraStep without CustomActionData), so that an install
# of it rolls back every step.
# cmake -DWIXL=<wixl> -DMSIBUILD=<msibuild> -DSOURCE=<volmora.wxs> -DOUTPUT=<package.msi>
#       -DBUILD_DIR=<build folder> -DARCH=x86|x64 -DVERSION=<a.b.c> -DUPGRADE_CODE=<guid>
#       -DTYPELIB=<.tlb, relative to BUILD_DIR> -DMSI_STEP=<volmoraMsiStep.dll, relative to BUILD_DIR>
#       [-DFAILING=<copy.msi>] -P BuildMsi.cmake
cmake_policy(VERSION 3.20)
include("${CMAKE_CURRENT_LIST_DIR}/msiSteps.cmake")
include("${CMAKE_CURRENT_LIST_DIR}/sampleProduct.cmake")

if(ARCH STREQUAL "x64")
    set(defines -a x64 -D Win64=yes -D ProgramFiles=ProgramFiles64Folder -D TypeLibSystem=win64)
else()
    set(defines -D Win64=no -D ProgramFiles=ProgramFilesFolder -D TypeLibSystem=win32)
endif()
foreach(define IN LISTS sampleDefines)
    list(APPEND defines -D "${define}")
endforeach()

function(msi_query package query what)
    execute_process(COMMAND "${MSIBUILD}" "${package}" -q "${query}" RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        file(REMOVE "${package}")
        message(FATAL_ERROR "msibuild could not ${what} (${result})")
    endif()
endfunction()

file(REMOVE "${OUTPUT}")
# wixl takes the files' paths relative to the folder it runs in.
execute_process(COMMAND "${WIXL}" ${defines} -D "Version=${VERSION}"
                        -D "UpgradeCode=${UPGRADE_CODE}" -D Programs=bin -D "TypeLib=${TYPELIB}"
                        -D "MsiStep=${MSI_STEP}"
                        -o "${OUTPUT}" "${SOURCE}"
                WORKING_DIRECTORY "${BUILD_DIR}" RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "wixl failed (${result}) on ${SOURCE}")
endif()
foreach(entry IN LISTS msiSteps)
    string(REPLACE "=" ";" fields "${entry}")
    list(GET fields 0 step)
    list(GET fields 1 program)
    if(step IN_LIST msiIdentityRollbacks)
        set(change "Type = ${msiRollbackDllType}")
    else()
        set(change "Type = ${msiRollbackExeType}, Source = '${program}Copy'")
    endif()
    msi_query("${OUTPUT}" "UPDATE CustomAction SET ${change} WHERE Action = 'Rollback${step}'"
              "make Rollback${step} a rollback action")
endforeach()

if(FAILING)
    file(COPY_FILE "${OUTPUT}" "${FAILING}")
    msi_query("${FAILING}" "INSERT INTO CustomAction (Action, Type, Source, Target) VALUES ('FailLastStep', ${msiRegisterType}, 'volmoraMsiStep', 'RunVolmoraStep')"
              "add the failing step")
    msi_query("${FAILING}" "INSERT INTO InstallExecuteSequence (Action, Condition, Sequence) VALUES ('FailLastStep', 'NOT REMOVE=\"ALL\"', 6500)"
              "sequence the failing step")
endif()
