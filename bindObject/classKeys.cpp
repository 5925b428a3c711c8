// The COM keys of a class below HKEY_CLASSES_ROOT.
#include "classKeys.h"

namespace volmora {

namespace {

constexpr std::wstring_view progIdSubkey = L"ProgId";
constexpr std::wstring_view clsidSubkey = L"CLSID";
constexpr std::wstring_view curVerSubkey = L"CurVer";
// The one version a bridged class has; the plain ProgID names it as the current one.
constexpr std::wstring_view versionSuffix = L".1";

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

std::vector<std::wstring> ClassKeys::leavesFirst(bool withProgIdKeys) const {
    std::vector<std::wstring> keys;
    const std::vector<const OwnKey*> owned =
        withProgIdKeys ? std::vector<const OwnKey*>{&comClass, &progId, &versioned}
                       : std::vector<const OwnKey*>{&comClass};
    for (const OwnKey* own : owned) {
        for (const auto& entry : own->defaults) {
            keys.push_back(own->path + L"\\" + std::wstring(entry.subkey));
        }
        keys.push_back(own->path);
    }
    return keys;
}

}  // namespace volmora
