# Builds the MSI sample from volmora.wxs with wixl, then makes its Rollback* actions what wixl
# 0.101 cannot write: rollback actions (in the script, without impersonation, their result
# ignored) that run a copy of their program from the Binary table, so that a rollback never
# depends on the installed files.
# cmake -DWIXL=<wixl> -DMSIBUILD=<msibuild> -DSOURCE=<volmora.wxs> -DOUTPUT=<package.msi>
#       -DBUILD_DIR=<build folder> -DARCH=x86|x64 -DVERSION=<a.b.c> -DUPGRADE_CODE=<guid>
#       -DTYPELIB=<.tlb, relative to BUILD_DIR> -DMSI_STEP=<volmoraMsiStep.dll, relative to BUILD_DIR>
#       -P BuildMsi.cmake

# The rollback actions of volmora.wxs and the Binary copies that they run.
set(rollbacks RollbackJvm=bindRuntimeCopy RollbackServer=bindHostCopy
              RollbackClass=bindObjectCopy RollbackTypeLib=bindSchemaCopy)
# msidbCustomActionType: exe from the Binary table (2) + ignore the exit code (64) + rollback
# (256) + in the script (1024) + no impersonation (2048).
set(rollbackType 3394)

if(ARCH STREQUAL "x64")
    set(defines -a x64 -D Win64=yes -D ProgramFiles=ProgramFiles64Folder)
else()
    set(defines -D Win64=no -D ProgramFiles=ProgramFilesFolder)
endif()
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
foreach(entry IN LISTS rollbacks)
    string(REPLACE "=" ";" fields "${entry}")
    list(GET fields 0 action)
    list(GET fields 1 binary)
    execute_process(COMMAND "${MSIBUILD}" "${OUTPUT}" -q
                            "UPDATE CustomAction SET Type = ${rollbackType}, Source = '${binary}' WHERE Action = '${action}'"
                    RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        file(REMOVE "${OUTPUT}")
        message(FATAL_ERROR "msibuild could not make ${action} a rollback action (${result})")
    endif()
endforeach()
