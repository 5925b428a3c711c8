// bindSchema: registers a COM type library file, or removes its registration.
#pragma once

#include <cstdint>
#include <string>

#include "toolUtil.h"

namespace volmora {

extern const ToolDefinition bindSchemaTool;

std::int32_t runTypeLibCommand(Tool& tool, ArgumentList arguments);
std::wstring typeLibUsageText();
void showTypeLibUsage(const Tool& tool, bool asError);

// Both take the absolute path of the file and report their outcome in one message.
void addTypeLib(Tool& tool, const std::wstring& path);
void removeTypeLib(Tool& tool, const std::wstring& path);
// Loads the file for either operation; shows the load failure and returns false when it fails.
bool loadTypeLib(Tool& tool, const std::wstring& path);

}  // namespace volmora
