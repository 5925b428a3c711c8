// The registry layout of one registered class, as data: what a complete registration writes, in
// order, so that tests can build the state after any number of its writes.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "memoryRegistry.h"

namespace volmora::testing {

struct ClassOperands {
    std::wstring progId = L"MyServer.CoolService";
    std::wstring clsid = L"{B036ABD6-EE02-4d8e-8D67-186DFEE9A903}";
    std::wstring javaClassName = L"com.tamsiver.myserver.CoolService";
    std::wstring jvmId = L"MyJVM";
    std::wstring serverId;
    std::wstring libraryPath = L"C:\\VOLM\\bin\\VOLM.dll";
};

inline const std::wstring recordsPath = L"HKLM\\SOFTWARE\\Tamsiver Software\\VOLM\\CLSIDs";

// One write: a key alone (no value name), or a text value of a key ("" is the default value).
struct LayoutWrite {
    std::wstring key;
    std::optional<std::wstring> name;
    std::wstring text;
};

inline std::vector<LayoutWrite> classLayout(const ClassOperands& c) {
    const std::wstring record = recordsPath + L"\\" + c.clsid;
    const std::wstring comClass = L"HKCR\\CLSID\\" + c.clsid;
    const std::wstring progIdKey = L"HKCR\\" + c.progId;
    std::vector<LayoutWrite> writes = {
        {record, std::nullopt, {}},
        {record, L"ProgId", c.progId},
        {record, L"JavaClassName", c.javaClassName},
        {record, L"JvmId", c.jvmId},
    };
    if (!c.serverId.empty()) {
        writes.push_back({record, L"ServerId", c.serverId});
    }
    const LayoutWrite com[] = {
        {comClass, std::nullopt, {}},
        {comClass + L"\\InprocServer32", L"", c.libraryPath},
        {comClass + L"\\ProgId", L"", c.progId},
        {comClass + L"\\InprocServer32", L"ThreadingModel", L"both"},
        {progIdKey, std::nullopt, {}},
        {progIdKey + L"\\CLSID", L"", c.clsid},
        {progIdKey + L"\\CurVer", L"", c.progId + L".1"},
        {progIdKey + L".1", std::nullopt, {}},
        {progIdKey + L".1\\CLSID", L"", c.clsid},
    };
    writes.insert(writes.end(), std::begin(com), std::end(com));
    return writes;
}

// Applies the first count writes of the layout (all by default).
inline void writeLayout(MemoryRegistry& registry, const ClassOperands& c,
                        std::size_t count = SIZE_MAX) {
    auto writes = classLayout(c);
    for (std::size_t i = 0; i < writes.size() && i < count; ++i) {
        if (writes[i].name) {
            registry.putText(writes[i].key, *writes[i].name, writes[i].text);
        } else {
            registry.putKey(writes[i].key);
        }
    }
}

}  // namespace volmora::testing
