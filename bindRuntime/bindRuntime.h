// bindRuntime: registers a named JVM configuration, unregisters it, or lists all of them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "jvmRecord.h"
#include "recordPaths.h"
#include "toolText.h"
#include "toolUtil.h"

namespace volmora {

extern const ToolDefinition bindRuntimeTool;

// The two lines that show a record's values, in the success message and in the listing.
inline std::wstring jvmValueLines(std::wstring_view dllPath, std::wstring_view options) {
    constexpr std::size_t labelWidth = 14;
    return joinLines({labelledLine(L"Dll Path:", labelWidth, dllPath),
                      labelledLine(L"Options:", labelWidth, options)});
}

std::int32_t runJvmCommand(Tool& tool, ArgumentList arguments);
std::wstring jvmUsageText();
void showJvmUsage(const Tool& tool, bool asError);

// Checks the JVM options (elements 1 to m; element 0 is the program path) and joins them into
// the stored options string; false after an error message.
bool checkJvmOptions(Tool& tool, ArgumentList arguments, std::wstring& options);
// The bridge archive of the installation layout, or empty when that file does not exist.
std::wstring bridgeJarPath(Tool& tool, const std::wstring& programPath);
void addJvm(Tool& tool, const std::wstring& jvmId, const std::wstring& dllPath,
            const std::wstring& options);
void removeJvm(Tool& tool, const std::wstring& jvmId);
void listJvms(Tool& tool);

}  // namespace volmora
