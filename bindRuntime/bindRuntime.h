// bindRuntime: registers a named JVM configuration, unregisters it, or lists all of them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "recordPaths.h"
#include "toolText.h"
#include "toolUtil.h"

namespace volmora {

extern const ToolDefinition bindRuntimeTool;

// The two REG_SZ values of a JVM record (recordCollection::jvms, one subkey per identifier).
inline constexpr std::wstring_view dllPathValue = L"DllPath";
inline constexpr std::wstring_view jvmOptionsValue = L"JvmOptions";

// The two lines that show a record's values, in the success message and in the listing.
inline std::wstring jvmValueLines(std::wstring_view dllPath, std::wstring_view options) {
    constexpr std::size_t labelWidth = 14;
    return joinLines({labelledLine(L"Dll Path:", labelWidth, dllPath),
                      labelledLine(L"Options:", labelWidth, options)});
}

std::int32_t runJvmCommand(Tool& tool, ArgumentList arguments);
std::wstring jvmUsageText();
void showJvmUsage(const Tool& tool, bool asError);

// What keeps JVM options (elements 1 to m of arguments) from serving the bridge: no class path
// option, or none that names the bridge archive.
enum class JvmOptionsFault { none, noClassPath, noArchive };
JvmOptionsFault jvmOptionsFault(const ArgumentList& arguments);
// The message that reports the fault ("A non-null ..."); empty for none.
std::wstring_view jvmOptionsFaultMessage(JvmOptionsFault fault);

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
