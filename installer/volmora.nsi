; Sample setup of the Volmora configuration tools, as an installer author would write one.
;
; It copies the four programs into <install folder>\bin and the sample's type library into
; <install folder>\lib, then configures the bridge with the programs, silently (/s):
;   bindRuntime  a JVM record           SampleJVM
;   bindHost     a server record        SampleServer
;   bindObject   a Java class as COM    VolmoraSample.Greeter
;   bindSchema   the type library       lib\VolmoraSample.tlb
; The uninstaller removes all four again with the /u forms, then the files.
;
; An exit code of 0 only tells that a program accepted its command line; whether the registry
; write worked is not in it. So the setup sets VOLMORA_LOG for the programs it runs: each run
; appends one line of JSON with the messages it would have shown, and a failed registration is
; reported with its own text. After each registration the installer also reads back what the
; program should have written, and the uninstaller checks that it is gone.
;
; makensis defines (-D):
;   TARGET       x86-unicode (the 32-bit programs) or amd64-unicode (the 64-bit programs)
;   VERSION      version of the programs, for example 1.7.0
;   PROGRAMS     folder holding bindObject.exe, bindRuntime.exe, bindHost.exe, bindSchema.exe
;   TYPELIB      the sample's type library (.tlb)
;   OUTFILE      the setup program to write
;   FAIL_AFTER_LAST  (tests only) one more step after the last registration, which fails
; and the sample product's names, from installer/sampleProduct.cmake: JvmId, JvmOption,
; ServerId, ServerJar, ProgId, ClassId, JavaClass, TypeLibFile, TypeLibId (the library's GUID,
; in braces), TypeLibVersion, TypeLibLocale, TypeLibInterface (the IID of its interface, in
; braces), UninstallKey.
;
; When a registration fails, the setup stops and puts the registry back as it stood before its
; first registration: before it writes, it notes each key that the four programs write (with
; reg.exe export, in the setup's registry view, when the key exists), and on failure it puts each
; noted key back exactly and removes the ones that it made. A JVM, server, class or type library
; of the same names that was there before (another product's, or the MSI sample's) stays as it
; was. The files and the uninstall entry stay; the uninstaller removes them.
;
; The bridge runtime itself comes with its own installer, which puts VOLM.dll into bin\ and
; VOLM.jar into lib\ of the same folder. The programs do not need it to register anything, but
; bindSchema needs VOLM.dll to remove a type library, so uninstall this before the runtime.

!ifndef TARGET | VERSION | PROGRAMS | TYPELIB | OUTFILE
    !error "define TARGET, VERSION, PROGRAMS, TYPELIB and OUTFILE"
!endif
!ifndef JvmId | JvmOption | ServerId | ServerJar | ProgId | ClassId | JavaClass | TypeLibFile | TypeLibId | TypeLibInterface | UninstallKey
    !error "define the sample product's names (installer/sampleProduct.cmake)"
!endif

Target ${TARGET}
SetCompressor /SOLID lzma

!include "LogicLib.nsh"
!include "MUI2.nsh"
!include "StrFunc.nsh"
${Using:StrFunc} StrLoc
${Using:StrFunc} StrRep

!define PRODUCT "Volmora Sample"
!define CONFIG_ROOT "SOFTWARE\Tamsiver Software\VOLM"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${UninstallKey}"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
RequestExecutionLevel admin
!if "${TARGET}" == "amd64-unicode"
    ; A 64-bit setup: the 64-bit programs write the 64-bit registry view, read back here.
    InstallDir "$PROGRAMFILES64\VOLM"
!else
    ; A 32-bit setup: it sees the same registry view as the 32-bit programs it installs.
    InstallDir "$PROGRAMFILES\VOLM"
!endif
ShowInstDetails show
ShowUninstDetails show

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Var failures  ; uninstaller: steps that did not undo what they should have
Var outcomeLog  ; the programs' outcome log, one record per run
Var keysNoted  ; 1 once every key that the configuration writes is noted

; Has the programs that the setup starts log their outcome. They inherit its environment.
Function startOutcomeLog
    InitPluginsDir
    StrCpy $outcomeLog "$PLUGINSDIR\volmora.log"
    System::Call 'kernel32::SetEnvironmentVariable(t "VOLMORA_LOG", t "$outcomeLog")i'
FunctionEnd

; Stops the setup when the last run's record holds an error: the message that /s kept from
; showing, for example "Can't create ... registry settings: error=5". The record is one line:
;   {"time":...,"messages":[{"kind":"error","text":"...","shown":false}],...,"exitCode":0}
; A setup without a record (the log could not be written) relies on the read-back below.
Function checkOutcome
    ClearErrors
    FileOpen $4 $outcomeLog r
    ${If} ${Errors}
        Return
    ${EndIf}
    FileRead $4 $3
    FileClose $4
    Delete $outcomeLog
    ${StrLoc} $5 $3 `{"kind":"error","text":"` ">"
    ${If} $5 == ""
        Return
    ${EndIf}
    IntOp $5 $5 + 24  ; the text starts after the pattern
    StrCpy $3 $3 "" $5
    ${StrLoc} $5 $3 `","shown":` ">"
    StrCpy $3 $3 $5
    ${StrRep} $3 $3 "\r\n" "$\r$\n"
    ${StrRep} $3 $3 `\"` `"`
    ${StrRep} $3 $3 "\\" "\"
    MessageBox MB_ICONSTOP "$3" /SD IDOK
    DetailPrint "Failed: $3"
    Abort
FunctionEnd

; Runs one of the programs silently and stops the setup when it refuses its command line.
!macro Configure PROGRAM ARGUMENTS
    DetailPrint `${PROGRAM} ${ARGUMENTS}`
    ClearErrors
    ExecWait `"$INSTDIR\bin\${PROGRAM}.exe" /s ${ARGUMENTS}` $0
    ${If} ${Errors}
    ${OrIf} $0 != "0"
        MessageBox MB_ICONSTOP `${PROGRAM} failed (exit code $0): ${ARGUMENTS}` /SD IDOK
        Abort
    ${EndIf}
    Call checkOutcome
!macroend

; Stops the setup when a value that the last program should have written is missing.
!macro ExpectValue ROOT KEY NAME
    ReadRegStr $1 ${ROOT} "${KEY}" "${NAME}"
    ${If} $1 == ""
        MessageBox MB_ICONSTOP "Missing after configuration: ${ROOT}\${KEY}, value ${NAME}.$\r$\nIs the setup running with administrator rights?" /SD IDOK
        Abort
    ${EndIf}
!macroend

; Runs one of the programs silently to undo a registration; the uninstall goes on either way.
!macro Unconfigure PROGRAM ARGUMENTS
    DetailPrint `${PROGRAM} /u ${ARGUMENTS}`
    ClearErrors
    ExecWait `"$INSTDIR\bin\${PROGRAM}.exe" /u /s ${ARGUMENTS}` $0
    ${If} ${Errors}
    ${OrIf} $0 != "0"
        DetailPrint "${PROGRAM} failed (exit code $0)"
        IntOp $failures $failures + 1
    ${EndIf}
!macroend

; Counts a key that the uninstall should have removed but did not.
!macro ExpectNoKey ROOT KEY
    ClearErrors
    EnumRegKey $1 ${ROOT} "${KEY}" 0
    ${IfNot} ${Errors}
        DetailPrint "Still registered: ${ROOT}\${KEY}"
        IntOp $failures $failures + 1
    ${EndIf}
!macroend

; Notes how a key that the configuration writes stands before it writes: exported into
; $PLUGINSDIR\kept<INDEX>.reg when it exists. A key that cannot be exported stops the setup
; before anything is written.
!macro NoteKey INDEX ROOT KEY
    ClearErrors
    EnumRegKey $1 ${ROOT} "${KEY}" 0
    ${IfNot} ${Errors}
        nsExec::Exec `"$SYSDIR\reg.exe" export "${ROOT}\${KEY}" "$PLUGINSDIR\kept${INDEX}.reg" /y`
        Pop $0
        ${If} $0 != "0"
            MessageBox MB_ICONSTOP "Cannot note ${ROOT}\${KEY} before the configuration (reg export: $0)." /SD IDOK
            Abort
        ${EndIf}
    ${EndIf}
!macroend

; Puts a noted key back as it stood: the one the setup made goes, one that was there comes back
; exactly (deleted with what the setup added to it, then imported as it was exported).
!macro PutBackKey INDEX ROOT KEY
    DeleteRegKey ${ROOT} "${KEY}"
    ${If} ${FileExists} "$PLUGINSDIR\kept${INDEX}.reg"
        nsExec::Exec `"$SYSDIR\reg.exe" import "$PLUGINSDIR\kept${INDEX}.reg"`
        Pop $0
        ${If} $0 == "0"
            DetailPrint "Put back as it stood before the setup: ${ROOT}\${KEY}"
        ${Else}
            DetailPrint "Cannot put back ${ROOT}\${KEY} (reg import: $0); its copy: $PLUGINSDIR\kept${INDEX}.reg"
        ${EndIf}
    ${Else}
        DetailPrint "Removed what the setup made: ${ROOT}\${KEY}"
    ${EndIf}
!macroend

; Every key that the four registrations write, in the order they write them.
!macro ConfiguredKeys OPERATION
    !insertmacro ${OPERATION} 1 HKLM "${CONFIG_ROOT}\JVMs\${JvmId}"
    !insertmacro ${OPERATION} 2 HKLM "${CONFIG_ROOT}\Servers\${ServerId}"
    !insertmacro ${OPERATION} 3 HKLM "${CONFIG_ROOT}\CLSIDs\${ClassId}"
    !insertmacro ${OPERATION} 4 HKCR "CLSID\${ClassId}"
    !insertmacro ${OPERATION} 5 HKCR "${ProgId}"
    !insertmacro ${OPERATION} 6 HKCR "${ProgId}.1"
    !insertmacro ${OPERATION} 7 HKCR "TypeLib\${TypeLibId}"
    !insertmacro ${OPERATION} 8 HKCR "Interface\${TypeLibInterface}"
!macroend

; A failed setup (a registration that failed, and Abort) leaves the registry as it found it.
Function .onInstFailed
    ${If} $keysNoted == 1
        !insertmacro ConfiguredKeys PutBackKey
    ${EndIf}
FunctionEnd

; The JVM library: the Java runtime's own registration, or where a private runtime would lie.
Function findJvmLibrary
    StrCpy $2 ""
    ReadRegStr $1 HKLM "SOFTWARE\JavaSoft\JRE" "CurrentVersion"
    ${If} $1 != ""
        ReadRegStr $2 HKLM "SOFTWARE\JavaSoft\JRE\$1" "RuntimeLib"
    ${EndIf}
    ${If} $2 == ""
        ReadRegStr $1 HKLM "SOFTWARE\JavaSoft\Java Runtime Environment" "CurrentVersion"
        ${If} $1 != ""
            ReadRegStr $2 HKLM "SOFTWARE\JavaSoft\Java Runtime Environment\$1" "RuntimeLib"
        ${EndIf}
    ${EndIf}
    ${If} $2 == ""
        StrCpy $2 "$INSTDIR\jre\bin\server\jvm.dll"
    ${EndIf}
FunctionEnd

Section "Programs"
    SetOutPath "$INSTDIR\bin"
    File "${PROGRAMS}\bindObject.exe"
    File "${PROGRAMS}\bindRuntime.exe"
    File "${PROGRAMS}\bindHost.exe"
    File "${PROGRAMS}\bindSchema.exe"
    SetOutPath "$INSTDIR\lib"
    File "/oname=${TypeLibFile}" "${TYPELIB}"
    SetOutPath "$INSTDIR"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Tamsiver Software"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    ; A deployment tool runs this and judges the uninstall by the code it returns: in place
    ; (_?=), the uninstaller waits for its own work and returns its own code (2: a step
    ; failed); without it, it copies itself away, returns 0 at once and goes on unseen.
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S _?=$INSTDIR'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Configuration"
    ; The class path names the bridge archive itself, so bindRuntime accepts it whether or not
    ; the runtime is installed yet. Arguments with blanks go in double quotes.
    Call startOutcomeLog
    !insertmacro ConfiguredKeys NoteKey
    StrCpy $keysNoted 1
    Call findJvmLibrary
    !insertmacro Configure bindRuntime `${JvmId} "$2" "-Djava.class.path=$INSTDIR\lib\VOLM.jar" ${JvmOption}`
    !insertmacro ExpectValue HKLM "${CONFIG_ROOT}\JVMs\${JvmId}" "JvmOptions"

    !insertmacro Configure bindHost `${ServerId} "$INSTDIR\lib\${ServerJar}"`
    !insertmacro ExpectValue HKLM "${CONFIG_ROOT}\Servers\${ServerId}" "Classpath"

    !insertmacro Configure bindObject `${ProgId} ${ClassId} ${JavaClass} ${JvmId} ${ServerId}`
    !insertmacro ExpectValue HKLM "${CONFIG_ROOT}\CLSIDs\${ClassId}" "JavaClassName"
    !insertmacro ExpectValue HKCR "${ProgId}\CLSID" ""

    !insertmacro Configure bindSchema `"$INSTDIR\lib\${TypeLibFile}"`
    EnumRegKey $1 HKCR "TypeLib\${TypeLibId}" 0
    ${If} $1 == ""
        MessageBox MB_ICONSTOP "Missing after configuration: HKCR\TypeLib\${TypeLibId}" /SD IDOK
        Abort
    ${EndIf}
!ifdef FAIL_AFTER_LAST
    ; bindObject refuses /l with /s: a step that always fails, after every registration.
    !insertmacro Configure bindObject `/l`
!endif
SectionEnd

Section "Uninstall"
    StrCpy $failures 0
    ; bindSchema removes a type library through the runtime's VOLM.dll, which must still be
    ; beside the programs: undo everything before any file goes.
    !insertmacro Unconfigure bindSchema `"$INSTDIR\lib\${TypeLibFile}"`
    !insertmacro Unconfigure bindObject `${ProgId}`
    !insertmacro Unconfigure bindHost `${ServerId}`
    !insertmacro Unconfigure bindRuntime `${JvmId}`
    !insertmacro ExpectNoKey HKCR "TypeLib\${TypeLibId}"
    !insertmacro ExpectNoKey HKLM "${CONFIG_ROOT}\CLSIDs\${ClassId}"
    !insertmacro ExpectNoKey HKCR "CLSID\${ClassId}"
    !insertmacro ExpectNoKey HKCR "${ProgId}"
    !insertmacro ExpectNoKey HKLM "${CONFIG_ROOT}\Servers\${ServerId}"
    !insertmacro ExpectNoKey HKLM "${CONFIG_ROOT}\JVMs\${JvmId}"

    Delete "$INSTDIR\bin\bindObject.exe"
    Delete "$INSTDIR\bin\bindRuntime.exe"
    Delete "$INSTDIR\bin\bindHost.exe"
    Delete "$INSTDIR\bin\bindSchema.exe"
    Delete "$INSTDIR\lib\${TypeLibFile}"
    ; Run in place (_?=), the uninstaller cannot delete itself while it runs: it goes when the
    ; system restarts (and the folder stays until then).
    Delete /REBOOTOK "$INSTDIR\uninstall.exe"
    ; Only empty folders go: the runtime's own files may share them.
    RMDir "$INSTDIR\bin"
    RMDir "$INSTDIR\lib"
    RMDir "$INSTDIR"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"

    ${If} $failures != 0
        MessageBox MB_ICONEXCLAMATION "$failures configuration step(s) could not be undone; see the details." /SD IDOK
        SetErrorLevel 2
    ${EndIf}
SectionEnd
