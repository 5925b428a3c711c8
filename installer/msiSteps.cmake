# The sample package's steps, their conditions and the custom-action types that the build
# (BuildMsi.cmake) writes and the check (CheckMsiSequence.cmake) reads back, and the data of the
# type library's rollback, which both compose from sampleProduct.cmake.

# Step=program, in the order of installation; uninstalling goes the other way.
set(msiSteps Jvm=bindRuntime Server=bindHost Class=bindObject TypeLib=bindSchema)
# Step=the entry of volmoraMsiStep.dll that rolls it back: each removes what the step registered
# by name (the type library by its identity), with none of the installed files and without
# VOLM.dll, as the programs' /u forms remove it.
set(msiRollbackEntries Jvm=RemoveJvm Server=RemoveServer Class=RemoveClass
                       TypeLib=RemoveTypeLibrary)

# The Upgrade table's properties: set by FindRelatedProducts when an older version of the product
# is installed (which this one replaces), or a newer one (which refuses this one).
set(msiOlderProductProperty OLDERPRODUCTFOUND)
set(msiNewerProductProperty NEWERPRODUCTFOUND)
# What the administrator gives at install time and a repair keeps: each is remembered in the
# registry and read back on maintenance; the command line keeps what it named in the second.
set(msiRememberedProperties JVMDLL)
set(msiCommandLinePrefix CMDLINE)
# The public properties that reach the installation script of a managed install.
set(msiSecureProperties ${msiOlderProductProperty} ${msiNewerProductProperty})
foreach(property IN LISTS msiRememberedProperties)
    list(APPEND msiSecureProperties ${property} ${msiCommandLinePrefix}${property})
endforeach()

# Rollbacks undo a first install only, and not an upgrade: a failed repair must leave the
# registrations that were there before it began, and a failed upgrade those that the older
# product still uses.
set(msiRollbackCondition "NOT Installed AND NOT ${msiOlderProductProperty}")
# The steps follow what happens to the component that holds volmoraRun and the programs (its
# action state: 3 installed on this machine, 2 removed), not REMOVE="ALL" alone: removing the
# feature by name (REMOVE=Sample) removes the programs too, so it unregisters before their files
# go, as a whole uninstall does, and never registers while they are being removed. A first
# install, a repair (REINSTALL) and an upgrade install the component.
set(msiProgramsComponent Programs)
set(msiRegisterCondition "$${msiProgramsComponent}=3")
# An upgrade registers again after the older product is gone: the older one's unregistrations
# would only make the names disappear in between.
set(msiUnregisterCondition "$${msiProgramsComponent}=2 AND NOT UPGRADINGPRODUCTCODE")

# NoteExisting (an immediate action of volmoraMsiStep.dll, before the first registration of a
# first install) reads this property: one item per rollback, <its data's property>=<its entry>.
# It adds to each rollback's data how the keys that the step writes stand before the install, so
# that the rollback removes only what the install made.
set(msiNotedRollbacksProperty NotedRollbacks)
# The uninstall's removal of the type library by its identity, after bindSchema /u, which cannot
# remove it once the runtime's VOLM.dll is gone: the rollback's entry and data, without notes.
set(msiTypeLibKeysAction RemoveTypeLibKeys)

# msidbCustomActionType bits.
set(msiTypeDll 1)            # a DLL in the Binary table
set(msiTypeExe 2)            # an exe in the Binary table
set(msiTypeSetProperty 51)   # sets a property to a formatted text
set(msiTypeContinue 64)      # its result is ignored
set(msiTypeAsync 128)        # not waited for
set(msiTypeRollback 256)     # with msiTypeInScript: in the rollback script
set(msiTypeCommit 512)       # with msiTypeInScript: in the commit script
set(msiTypeInScript 1024)    # deferred: in the installation script
set(msiTypeNoImpersonate 2048)

# What the build writes over wixl's rows: a rollback DLL action.
math(EXPR msiRollbackDllType "${msiTypeDll} + ${msiTypeContinue} + ${msiTypeRollback} + ${msiTypeInScript} + ${msiTypeNoImpersonate}")

# The CustomActionData of a step's rollback, for the type library's system kind (win32 or
# win64): the item count, then one item per line: the JVM's or server's identifier, the class's
# ProgID and CLSID, or the type library's identity and the IIDs of its interfaces.
function(msi_rollback_data step system outVar)
    if(step STREQUAL "Jvm")
        set(items ${sampleJvmId})
    elseif(step STREQUAL "Server")
        set(items ${sampleServerId})
    elseif(step STREQUAL "Class")
        set(items ${sampleProgId} ${sampleClassId})
    else()
        set(items ${sampleTypeLibId} ${sampleTypeLibVersion} ${sampleTypeLibLocale} ${system}
                  ${sampleInterfaceIds})
    endif()
    list(LENGTH items count)
    list(JOIN items "\n" text)
    set(${outVar} "${count}\n${text}" PARENT_SCOPE)
endfunction()

# NoteExisting's property: the count, then Rollback<step>=<entry> for each step.
function(msi_noted_rollbacks outVar)
    set(items "")
    foreach(entry IN LISTS msiRollbackEntries)
        string(REPLACE "=" ";" fields "${entry}")
        list(GET fields 0 step)
        list(GET fields 1 dllEntry)
        list(APPEND items "Rollback${step}=${dllEntry}")
    endforeach()
    list(LENGTH items count)
    list(JOIN items "\n" text)
    set(${outVar} "${count}\n${text}" PARENT_SCOPE)
endfunction()
