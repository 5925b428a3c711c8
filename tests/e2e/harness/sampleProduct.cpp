// The sample product of both sample installers: its keys and what the programs write.
#include "sampleProduct.h"

#include <filesystem>

#include "harness.h"

namespace volmora::e2e::sample {

namespace {

namespace fs = std::filesystem;

// The type library's system kind: the build's own.
const std::wstring typeLibSystem = testingI686Build ? L"win32" : L"win64";

}  // namespace

std::vector<Key> registeredKeys() {
    std::vector<Key> keys = {
        {HKEY_LOCAL_MACHINE, configRoot + L"\\JVMs\\" + jvmId},
        {HKEY_LOCAL_MACHINE, configRoot + L"\\Servers\\" + serverId},
        {HKEY_LOCAL_MACHINE, configRoot + L"\\CLSIDs\\" + classId},
        {HKEY_CLASSES_ROOT, L"CLSID\\" + classId},
        {HKEY_CLASSES_ROOT, progId},
        {HKEY_CLASSES_ROOT, progId + L".1"},
        {HKEY_CLASSES_ROOT, typeLibKey},
    };
    for (const std::wstring& iid : interfaceIds) {
        keys.push_back({HKEY_CLASSES_ROOT, L"Interface\\" + iid});
    }
    return keys;
}

std::wstring registeredState() {
    std::wstring state;
    for (const Key& key : registeredKeys()) {
        state += key.path + L":\n" + dumpKey(key.root, key.path) + L"\n";
    }
    return state;
}

bool sharedByBothViews(const Key& key) {
    return key.path.starts_with(L"TypeLib\\") || key.path.starts_with(progId) ||
           isInterfaceKey(key);
}

bool isInterfaceKey(const Key& key) {
    return key.root == HKEY_CLASSES_ROOT && key.path.starts_with(L"Interface\\");
}

std::vector<ExpectedKey> configuredKeys(const std::wstring& installFolder,
                                        const std::wstring& runtimeLibrary,
                                        const std::wstring& jvmLibrary) {
    const std::wstring lib = installFolder + L"\\lib\\";
    const std::wstring jvm =
        jvmLibrary.empty() ? installFolder + L"\\jre\\bin\\server\\jvm.dll" : jvmLibrary;
    return {
        {HKEY_LOCAL_MACHINE, configRoot + L"\\JVMs\\" + jvmId,
         L"[]\n" + textLine(L"DllPath", jvm) +
             textLine(L"JvmOptions", L"\"-Djava.class.path=" + lib + L"VOLM.jar\" " + jvmOption)},
        {HKEY_LOCAL_MACHINE, configRoot + L"\\Servers\\" + serverId,
         L"[]\n" + textLine(L"Classpath", lib + serverJar) + textLine(L"Imports", L"")},
        {HKEY_LOCAL_MACHINE, configRoot + L"\\CLSIDs\\" + classId,
         L"[]\n" + textLine(L"JavaClassName", javaClass) + textLine(L"JvmId", jvmId) +
             textLine(L"ProgId", progId) + textLine(L"ServerId", serverId)},
        {HKEY_CLASSES_ROOT, L"CLSID\\" + classId,
         L"[]\n[InprocServer32]\n" + textLine(L"", runtimeLibrary) +
             textLine(L"ThreadingModel", L"both") + L"[ProgId]\n" + textLine(L"", progId)},
        {HKEY_CLASSES_ROOT, progId,
         L"[]\n[CLSID]\n" + textLine(L"", classId) + L"[CurVer]\n" + textLine(L"", progId + L".1")},
        {HKEY_CLASSES_ROOT, progId + L".1", L"[]\n[CLSID]\n" + textLine(L"", classId)},
        // The registry names version and locale in hex: for the sample's, the same digits.
        {HKEY_CLASSES_ROOT,
         typeLibKey + L"\\" + typeLibVersion + L"\\" + typeLibLocale + L"\\" + typeLibSystem,
         L"[]\n" + textLine(L"", lib + typeLibFile)},
    };
}

std::wstring newestPackage(const std::wstring& prefix, const std::wstring& suffix) {
    fs::path newest;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(fs::path(buildFolder()) / "packages", error)) {
        const std::wstring name = entry.path().filename().wstring();
        if (name.starts_with(prefix) && name.ends_with(suffix) &&
            (newest.empty() || entry.last_write_time() > fs::last_write_time(newest))) {
            newest = entry.path();
        }
    }
    return newest.wstring();
}

}  // namespace volmora::e2e::sample
