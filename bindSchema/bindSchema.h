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

void addTypeLib(Tool& tool, const std::wstring& path);
void removeTypeLib(Tool& tool, const std::wstring& path);

}  // namespace volmora
