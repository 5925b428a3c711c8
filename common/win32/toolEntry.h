// The Windows entry of every tool: the Win32 platform handed to the frame's main routine.
#pragma once

#include "toolUtil.h"

namespace volmora {

// typeLibraries: the type library services of a tool that has them.
int runWindowsTool(const ToolDefinition& definition, TypeLibraries* typeLibraries = nullptr);

}  // namespace volmora
