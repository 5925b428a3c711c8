// The COM keys of a class below HKEY_CLASSES_ROOT.
#include "classKeys.h"

namespace volmora {

namespace {

constexpr std::wstring_view progIdSubkey = L"ProgId";
constexpr std::wstring_view clsidSubkey = L"CLSID";
constexpr std::wstring_view curVerSubkey = L"CurVer";

}  // namespace

ClassKeys classKeys(const std::wstring& progId, const std::wstring& clsid,
                    const std::wstring& libraryPath) {
    const std::wstring versioned = progId + std::wstring(versionSuffix);
    return {
        {L"CLSID\\" + clsid,
         L"CLSID",
         L"",
         {{inprocServerSubkey, libraryPath}, {progIdSubkey, progId}}},
        {progId, progId, progId + L"\\", {{clsidSubkey, clsid}, {curVerSubkey, versioned}}},
        {versioned, versioned, versioned + L"\\", {{clsidSubkey, clsid}}},
    };
}

std::vector<std::wstring> keysLeavesFirst(const std::vector<const OwnKey*>& owned) {
    std::vector<std::wstring> keys;
    for (const OwnKey* own : owned) {
        for (const auto& entry : own->defaults) {
            keys.push_back(own->path + L"\\" + std::wstring(entry.subkey));
        }
        keys.push_back(own->path);
    }
    return keys;
}

std::vector<std::wstring> ClassKeys::leavesFirst() const {
    return keysLeavesFirst({&comClass, &progId, &versioned});
}

std::wstring classPointerOf(const OwnKey& progIdKey) {
    return progIdKey.path + L"\\" + std::wstring(clsidSubkey);
}

std::vector<ComValue> comValues(const ClassKeys& keys) {
    std::vector<ComValue> values;
    for (const OwnKey* own : {&keys.comClass, &keys.progId, &keys.versioned}) {
        for (const auto& entry : own->defaults) {
            const std::wstring subkey = own->path + L"\\" + std::wstring(entry.subkey);
            // Every value of the ProgID keys names a key: the class's CLSID, its current version.
            values.push_back({subkey, L"", entry.text, own != &keys.comClass});
            if (own == &keys.comClass && entry.subkey == inprocServerSubkey) {
                values.push_back({subkey, threadingModelValue, std::wstring(threadingModel)});
            }
        }
    }
    return values;
}

long deleteClassKeys(Registry& registry, const std::vector<std::wstring>& keys,
                     std::wstring& failedKey) {
    for (const auto& key : keys) {
        const long result = registry.deleteKey(classesRoot, key);
        if (result != status::success && result != status::fileNotFound &&
            result != status::invalidParameter) {
            failedKey = key;
            return result;
        }
    }
    return status::success;
}

}  // namespace volmora
