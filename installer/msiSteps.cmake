# The sample package's steps and the custom-action types that the build (BuildMsi.cmake) writes
# and the check (CheckMsiSequence.cmake) reads back.

# Step=program, in the order of installation; uninstalling goes the other way.
set(msiSteps Jvm=bindRuntime Server=bindHost Class=bindObject TypeLib=bindSchema)
# The steps whose rollback removes the registration by the type library's identity
# (volmoraMsiStep.dll's RemoveTypeLibrary), needing neither the installed file nor VOLM.dll. The
# others run a copy of their program from the Binary table, named <program>Copy, with /u /s.
set(msiIdentityRollbacks TypeLib)
# Rollbacks undo a first install only: a failed repair must leave the registrations that were
# there before it began.
set(msiRollbackCondition "NOT Installed")

# msidbCustomActionType: DLL (1) or exe (2) from the Binary table, + ignore the result (64)
# + rollback (256) + in the script (1024) + no impersonation (2048); 51 sets a property.
set(msiRegisterType 3073)
set(msiUnregisterType 3137)
set(msiRollbackExeType 3394)
set(msiRollbackDllType 3393)
set(msiSetPropertyType 51)
