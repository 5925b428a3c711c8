// The Windows entry of every tool: the Win32 platform handed to the frame's main routine.
#include "toolEntry.h"

#include "listingForm.h"
#include "winPlatform.h"
#include "winRegistry.h"

namespace volmora {

int runWindowsTool(const ToolDefinition& definition, TypeLibraries* typeLibraries) {
    WinRegistry registry;
    WinMessageBoxes messages;
    ListingForms listings(registry);
    WinSystem system;
    Platform platform{registry, messages, listings, system, typeLibraries};
    return runTool(platform, definition);
}

}  // namespace volmora
