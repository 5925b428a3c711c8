# The sample product that both sample installers configure and the end-to-end tests check, each
# of its names once: handed to volmora.nsi (makensis -D) and volmora.wxs (wixl -D), configured
# into VolmoraSample.idl and into the tests' harness (sampleIdentifiers.h).
set(sampleJvmId SampleJVM)
set(sampleJvmOption -Xmx64m)  # after the class path
set(sampleServerId SampleServer)
set(sampleServerJar VolmoraSample.jar)
set(sampleProgId VolmoraSample.Greeter)
set(sampleClassId "{9D3A4E2F-7B61-4F08-B5C2-3E8A1D6F0C57}")
set(sampleJavaClass com.tamsiver.sample.Greeter)
# The type library: its file and its identity (the IDL's uuid and version; no lcid, so the
# neutral locale 0). The system kind is the build's own, win32 or win64.
set(sampleTypeLibFile VolmoraSample.tlb)
set(sampleTypeLibGuid 6C1E2B7A-3F0D-4E8B-9A52-1D7C4F0B9E31)
set(sampleTypeLibId "{${sampleTypeLibGuid}}")
set(sampleTypeLibVersion 1.0)
set(sampleTypeLibLocale 0)
# Its interfaces, whose keys (HKCR\Interface\{iid}) registering it writes: IGreeter, dual (one;
# volmora.nsi notes it as TypeLibInterface).
set(sampleGreeterInterfaceGuid 5E0C7A21-9B3D-4F68-A1E4-2C8D6B0F3A97)
set(sampleInterfaceIds "{${sampleGreeterInterfaceGuid}}")
# The NSIS setup's key under ...\CurrentVersion\Uninstall.
set(sampleUninstallKey VolmoraSample)
# The MSI package's key under HKEY_LOCAL_MACHINE for what it remembers between install and
# maintenance (JVMDLL): its own, outside the bridge's configuration root.
set(sampleRememberedKey "SOFTWARE\\Tamsiver Software\\Volmora Sample")

# Name=value for the installers' preprocessors, the same names in both.
set(sampleDefines
    JvmId=${sampleJvmId} JvmOption=${sampleJvmOption} ServerId=${sampleServerId}
    ServerJar=${sampleServerJar} ProgId=${sampleProgId} ClassId=${sampleClassId}
    JavaClass=${sampleJavaClass} TypeLibFile=${sampleTypeLibFile} TypeLibId=${sampleTypeLibId}
    TypeLibVersion=${sampleTypeLibVersion} TypeLibLocale=${sampleTypeLibLocale}
    TypeLibInterface=${sampleInterfaceIds}
    UninstallKey=${sampleUninstallKey} "RememberedKey=${sampleRememberedKey}")
