# Builds the MSI sample from volmora.wxs with wixl, then writes what wixl 0.101 cannot write:
# the Rollback* actions as rollback actions (in the script, without impersonation, their result
# ignored) of volmoraMsiStep.dll, which remove by name and so never depend on the installed
# files; and every secure property in SecureCustomProperties. The product code is derived from
# the upgrade code and the version, so that one version is one product.
# With TEST_FILES set, it also writes into that folder the copies that the end-to-end tests
# install beside the package:
#   volmora-sample-next.msi        the same package one patch version later, which upgrades it
#   volmora-sample-failing.msi     that later version with one more step after the last
#                                  registration that always fails (RunVolmoraStep without
#                                  CustomActionData), so that an install of it rolls back
#   volmora-sample-unconditional.msi  the package as 1.7.0 shipped it: its unregistrations and
#                                  rollbacks ignore an upgrade
# cmake -DWIXL=<wixl> -DMSIBUILD=<msibuild> -DSOURCE=<volmora.wxs> -DOUTPUT=<package.msi>
#       -DBUILD_DIR=<build folder> -DARCH=x86|x64 -DVERSION=<a.b.c> -DUPGRADE_CODE=<guid>
#       -DTYPELIB=<.tlb, relative to BUILD_DIR> -DMSI_STEP=<volmoraMsiStep.dll, relative to BUILD_DIR>
#       [-DTEST_FILES=<folder>] -P BuildMsi.cmake
cmake_policy(VERSION 3.20)
include("${CMAKE_CURRENT_LIST_DIR}/sampleProduct.cmake")
include("${CMAKE_CURRENT_LIST_DIR}/msiSteps.cmake")

if(ARCH STREQUAL "x64")
    set(defines -a x64 -D Win64=yes -D ProgramFiles=ProgramFiles64Folder -D TypeLibSystem=win64)
    set(typeLibSystem win64)
else()
    set(defines -D Win64=no -D ProgramFiles=ProgramFilesFolder -D TypeLibSystem=win32)
    set(typeLibSystem win32)
endif()
foreach(define IN LISTS sampleDefines)
    list(APPEND defines -D "${define}")
endforeach()
foreach(entry IN LISTS msiSteps)
    string(REGEX REPLACE "=.*" "" step "${entry}")
    msi_rollback_data(${step} ${typeLibSystem} data)
    list(APPEND defines -D "Rollback${step}Data=${data}")
endforeach()
msi_noted_rollbacks(notedRollbacks)
list(APPEND defines -D "NotedRollbacksProperty=${msiNotedRollbacksProperty}"
                    -D "NotedRollbacks=${notedRollbacks}"
                    -D "TypeLibKeysAction=${msiTypeLibKeysAction}")
list(GET msiRememberedProperties 0 jvmDll)
list(APPEND defines -D "OlderProductFound=${msiOlderProductProperty}"
                    -D "NewerProductFound=${msiNewerProductProperty}"
                    -D "CommandLineJvmDll=${msiCommandLinePrefix}${jvmDll}"
                    -D "RollbackCondition=${msiRollbackCondition}"
                    -D "RegisterCondition=${msiRegisterCondition}"
                    -D "UnregisterCondition=${msiUnregisterCondition}"
                    -D "UpgradeCode=${UPGRADE_CODE}" -D Programs=bin -D "TypeLib=${TYPELIB}"
                    -D "MsiStep=${MSI_STEP}")

function(msi_query package query what)
    execute_process(COMMAND "${MSIBUILD}" "${package}" -q "${query}" RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        file(REMOVE "${package}")
        message(FATAL_ERROR "msibuild could not ${what} (${result})")
    endif()
endfunction()

# The package of that version at output.
function(build_package output version)
    string(UUID productCode NAMESPACE "${UPGRADE_CODE}" NAME "${version}" TYPE SHA1 UPPER)
    file(REMOVE "${output}")
    # wixl takes the files' paths relative to the folder it runs in.
    execute_process(COMMAND "${WIXL}" ${defines} -D "Version=${version}"
                            -D "ProductCode=${productCode}" -o "${output}" "${SOURCE}"
                    WORKING_DIRECTORY "${BUILD_DIR}" RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "wixl failed (${result}) on ${SOURCE}")
    endif()
    foreach(entry IN LISTS msiSteps)
        string(REGEX REPLACE "=.*" "" step "${entry}")
        msi_query("${output}"
                  "UPDATE CustomAction SET Type = ${msiRollbackDllType} WHERE Action = 'Rollback${step}'"
                  "make Rollback${step} a rollback action")
    endforeach()
    list(JOIN msiSecureProperties ";" secure)
    msi_query("${output}"
              "UPDATE Property SET Value = '${secure}' WHERE Property = 'SecureCustomProperties'"
              "name the secure properties")
endfunction()

build_package("${OUTPUT}" "${VERSION}")

if(TEST_FILES)
    string(REGEX REPLACE "^([0-9]+\\.[0-9]+)\\.([0-9]+)$" "\\1" minorVersion "${VERSION}")
    string(REGEX REPLACE "^([0-9]+\\.[0-9]+)\\.([0-9]+)$" "\\2" patch "${VERSION}")
    math(EXPR patch "${patch} + 1")
    build_package("${TEST_FILES}/volmora-sample-next.msi" "${minorVersion}.${patch}")

    set(failing "${TEST_FILES}/volmora-sample-failing.msi")
    file(COPY_FILE "${TEST_FILES}/volmora-sample-next.msi" "${failing}")
    math(EXPR registerType "${msiTypeDll} + ${msiTypeInScript} + ${msiTypeNoImpersonate}")
    msi_query("${failing}" "INSERT INTO CustomAction (Action, Type, Source, Target) VALUES ('FailLastStep', ${registerType}, 'volmoraMsiStep', 'RunVolmoraStep')"
              "add the failing step")
    msi_query("${failing}" "INSERT INTO InstallExecuteSequence (Action, Condition, Sequence) VALUES ('FailLastStep', '${msiRegisterCondition}', 6500)"
              "sequence the failing step")

    set(unconditional "${TEST_FILES}/volmora-sample-unconditional.msi")
    file(COPY_FILE "${OUTPUT}" "${unconditional}")
    msi_query("${unconditional}" "UPDATE InstallExecuteSequence SET Condition = 'REMOVE=\"ALL\"' WHERE Condition = '${msiUnregisterCondition}'"
              "make the unregistrations unconditional")
    msi_query("${unconditional}" "UPDATE InstallExecuteSequence SET Condition = 'NOT Installed' WHERE Condition = '${msiRollbackCondition}'"
              "make the rollbacks ignore an upgrade")
endif()
