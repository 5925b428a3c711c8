// The sample product of both sample installers: its keys and what the programs write.
#include "sampleProduct.h"

#include <filesystem>

#include "harness.h"

namespace volmora::e2e::sample {

namespace {

namespace fs = std::filesystem;

// The build folder under test: <build>\bin\bindObject.exe.
fs::path buildFolder() {
    return fs::path(builtToolPath(L"bindObject")).parent_path().parent_path();
}

// The type library's system kind: the build's own.
const std::wstring typeLibSystem = testingI686Build ? L"win32" : L"win64";

}  // namespace

std::vector<Key> registeredKeys() {
    return {
        {HKEY_LOCAL_MACHINE, configRoot + L"\\JVMs\\SampleJVM"},
        {HKEY_LOCAL_MACHINE, configRoot + L"\\Servers\\SampleServer"},
        {HKEY_LOCAL_MACHINE, configRoot + L"\\CLSIDs\\" + classId},
        {HKEY_CLASSES_ROOT, L"CLSID\\" + classId},
        {HKEY_CLASSES_ROOT, progId},
        {HKEY_CLASSES_ROOT, progId + L".1"},
        {HKEY_CLASSES_ROOT, typeLibKey},
    };
}

bool sharedByBothViews(const Key& key) {
    return key.path.starts_with(L"TypeLib\\") || key.path.starts_with(progId);
}

std::vector<ExpectedKey> configuredKeys(const std::wstring& installFolder,
                                        const std::wstring& runtimeLibrary) {
    const std::wstring lib = installFolder + L"\\lib\\";
    return {
        {HKEY_LOCAL_MACHINE, configRoot + L"\\JVMs\\SampleJVM",
         L"[]\n" + textLine(L"DllPath", installFolder + L"\\jre\\bin\\server\\jvm.dll") +
             textLine(L"JvmOptions", L"\"-Djava.class.path=" + lib + L"VOLM.jar\" -Xmx64m")},
        {HKEY_LOCAL_MACHINE, configRoot + L"\\Servers\\SampleServer",
         L"[]\n" + textLine(L"Classpath", lib + L"VolmoraSample.jar") + textLine(L"Imports", L"")},
        {HKEY_LOCAL_MACHINE, configRoot + L"\\CLSIDs\\" + classId,
         L"[]\n" + textLine(L"JavaClassName", L"com.tamsiver.sample.Greeter") +
             textLine(L"JvmId", L"SampleJVM") + textLine(L"ProgId", progId) +
             textLine(L"ServerId", L"SampleServer")},
        {HKEY_CLASSES_ROOT, L"CLSID\\" + classId,
         L"[]\n[InprocServer32]\n" + textLine(L"", runtimeLibrary) +
             textLine(L"ThreadingModel", L"both") + L"[ProgId]\n" + textLine(L"", progId)},
        {HKEY_CLASSES_ROOT, progId,
         L"[]\n[CLSID]\n" + textLine(L"", classId) + L"[CurVer]\n" + textLine(L"", progId + L".1")},
        {HKEY_CLASSES_ROOT, progId + L".1", L"[]\n[CLSID]\n" + textLine(L"", classId)},
        {HKEY_CLASSES_ROOT, typeLibKey + L"\\1.0\\0\\" + typeLibSystem,
         L"[]\n" + textLine(L"", lib + L"VolmoraSample.tlb")},
    };
}

std::wstring newestPackage(const std::wstring& prefix, const std::wstring& suffix) {
    fs::path newest;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(buildFolder() / "packages", error)) {
        const std::wstring name = entry.path().filename().wstring();
        if (name.starts_with(prefix) && name.ends_with(suffix) &&
            (newest.empty() || entry.last_write_time() > fs::last_write_time(newest))) {
            newest = entry.path();
        }
    }
    return newest.wstring();
}

std::wstring standInRuntimePath() {
    return (buildFolder() / "testFiles" / "VOLM.dll").wstring();
}

}  // namespace volmora::e2e::sample
