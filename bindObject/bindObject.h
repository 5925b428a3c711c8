// bindObject: registers a Java class as a COM class, unregisters it, or lists all classes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "classRecord.h"
#include "recordPaths.h"
#include "regUtil.h"
#include "toolUtil.h"

namespace volmora {

extern const ToolDefinition bindObjectTool;

std::int32_t runClassCommand(Tool& tool, ArgumentList arguments);
std::wstring classUsageText();
void showClassUsage(const Tool& tool, bool asError);

void registerJavaClass(Tool& tool, const std::wstring& progId, const std::wstring& clsid,
                       const std::wstring& javaClassName, const std::wstring& jvmId,
                       const std::wstring& serverId, const std::wstring& libraryPath);
void unregisterJavaClass(Tool& tool, const std::wstring& progId);
void listJavaClasses(Tool& tool);

}  // namespace volmora
