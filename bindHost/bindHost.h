// bindHost: registers a named server, unregisters it, or lists all of them.
#pragma once

#include <cstdint>
#include <string>

#include "toolUtil.h"

namespace volmora {

extern const ToolDefinition bindHostTool;

std::int32_t runServerCommand(Tool& tool, ArgumentList arguments);
std::wstring serverUsageText();
void showServerUsage(const Tool& tool, bool asError);

// Joins arguments 1 to n with ", " into the stored imports text.
void joinImports(const ArgumentList& arguments, std::wstring& imports);
void addServer(Tool& tool, const std::wstring& serverId, const std::wstring& classpath,
               const std::wstring& imports);
void removeServer(Tool& tool, const std::wstring& serverId);
void listServers(Tool& tool);

}  // namespace volmora
