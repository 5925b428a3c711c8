// bindObject: registers a Java class as a COM class, unregisters it, or lists all classes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "recordPaths.h"
#include "regUtil.h"
#include "toolUtil.h"

namespace volmora {

extern const ToolDefinition bindObjectTool;

// The REG_SZ values of a class record.
namespace recordValue {
inline constexpr std::wstring_view progId = L"ProgId";
inline constexpr std::wstring_view javaClassName = L"JavaClassName";
inline constexpr std::wstring_view jvmId = L"JvmId";
inline constexpr std::wstring_view serverId = L"ServerId";
}  // namespace recordValue

// The bridge runtime's own COM class; its InprocServer32 default value is the library's path.
inline constexpr std::wstring_view bridgeRuntimeServerKey =
    L"CLSID\\{3A8D888D-0DB5-4a58-A10B-2743F727D0AB}\\InprocServer32";

std::int32_t runClassCommand(Tool& tool, ArgumentList arguments);
std::wstring classUsageText();
void showClassUsage(const Tool& tool, bool asError);

// The runtime library to name as every class's in-process server.
std::wstring bridgeDllPath(Registry& registry, const std::wstring& programPath);
void registerJavaClass(Tool& tool, const std::wstring& progId, const std::wstring& clsid,
                       const std::wstring& javaClassName, const std::wstring& jvmId,
                       const std::wstring& serverId, const std::wstring& libraryPath);
void unregisterJavaClass(Tool& tool, const std::wstring& progId);
void listJavaClasses(Tool& tool);

}  // namespace volmora
