// The JVM record: a subkey of JVMs under the configuration root, named by the JVM identifier,
// holding the JVM library's path and the options the JVM is created with, as REG_SZ values; and
// the rule those options must meet to serve the bridge.
#pragma once

#include <string>
#include <string_view>

#include "arguments.h"

namespace volmora {

inline constexpr std::wstring_view dllPathValue = L"DllPath";
inline constexpr std::wstring_view jvmOptionsValue = L"JvmOptions";

// The values without which the runtime cannot create the JVM.
inline constexpr std::wstring_view requiredJvmValues[] = {dllPathValue, jvmOptionsValue};

// A class path option: case-sensitive, and the prefix alone is not a class path.
bool isClassPathOption(const std::wstring& option);
// Whether an option names the bridge archive, in any letter case.
bool namesBridgeArchive(const std::wstring& option);

// What keeps JVM options (elements 1 to m of arguments) from serving the bridge: no class path
// option, or none that names the bridge archive.
enum class JvmOptionsFault { none, noClassPath, noArchive };
JvmOptionsFault jvmOptionsFault(const ArgumentList& arguments);
// The message that reports the fault ("A non-null ..."); empty for none.
std::wstring_view jvmOptionsFaultMessage(JvmOptionsFault fault);

// The fault of an options text as stored: it splits as the runtime splits it, blanks separating
// and quotes grouping.
JvmOptionsFault storedJvmOptionsFault(const std::wstring& options);

}  // namespace volmora
