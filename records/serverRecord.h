// The server record: a subkey of Servers under the configuration root, named by the server
// identifier, holding the class path and the imported server identifiers as REG_SZ values.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace volmora {

inline constexpr std::wstring_view classpathValueName = L"Classpath";
inline constexpr std::wstring_view importsValueName = L"Imports";

// What registration writes between two imported server identifiers.
inline constexpr std::wstring_view importsSeparator = L", ";

// The values without which the runtime cannot use the record. Imports is always written too,
// but a record without it is a server that imports nothing.
inline constexpr std::wstring_view requiredServerValues[] = {classpathValueName};

// The server identifiers an Imports text names: its comma-separated items without the blanks
// around them; empty items name nothing.
std::vector<std::wstring> importedServers(std::wstring_view imports);

}  // namespace volmora
