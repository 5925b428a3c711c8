// The server record: a subkey of Servers under the configuration root, named by the server
// identifier, holding the class path and the imported server identifiers as REG_SZ values.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace volmora {

inline constexpr std::wstring_view classpathValueName = L"Classpath";
inline constexpr std::wstring_view importsValueName = L"Imports";

// The server identifiers an Imports text names: its comma-separated items without the blanks
// around them; empty items name nothing.
std::vector<std::wstring> importedServers(std::wstring_view imports);

// Appends the "Classpath:" line and, for non-empty imports, the "Imports:" line, each preceded
// by a line break: the tail shared by the success text and a listing block.
void appendServerValues(std::wstring& text, const std::wstring& classpath,
                        const std::wstring& imports);

}  // namespace volmora
