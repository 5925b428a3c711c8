// The class record: a subkey of CLSIDs under the configuration root, named by the CLSID, that
// tells the runtime which Java class to load for it, in which JVM and for which server; and where
// the runtime library lies that every class's COM keys name as its in-process server.
#pragma once

#include <string>
#include <string_view>

#include "registry.h"

namespace volmora {

// The REG_SZ values of a class record.
namespace recordValue {
inline constexpr std::wstring_view progId = L"ProgId";
inline constexpr std::wstring_view javaClassName = L"JavaClassName";
inline constexpr std::wstring_view jvmId = L"JvmId";
inline constexpr std::wstring_view serverId = L"ServerId";
}  // namespace recordValue

// The values registration always writes; ServerId only for a server.
inline constexpr std::wstring_view requiredClassValues[] = {
    recordValue::progId, recordValue::javaClassName, recordValue::jvmId};

// Whether a ServerId names a server: an empty one is no server, as registration takes an empty
// server identifier.
inline bool namesServer(std::wstring_view serverId) {
    return !serverId.empty();
}

// The bridge runtime's own COM class; its InprocServer32 default value is the library's path.
inline constexpr std::wstring_view bridgeRuntimeServerKey =
    L"CLSID\\{3A8D888D-0DB5-4a58-A10B-2743F727D0AB}\\InprocServer32";

// The runtime library to name as every class's in-process server: the runtime's own registration,
// or VOLM.dll beside the program.
std::wstring bridgeDllPath(Registry& registry, const std::wstring& programPath);

}  // namespace volmora
