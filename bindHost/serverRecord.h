// The server record: a subkey of Servers under the configuration root, named by the server
// identifier, holding the class path and the imported server identifiers as REG_SZ values.
#pragma once

#include <string>
#include <string_view>

namespace volmora {

inline constexpr std::wstring_view classpathValueName = L"Classpath";
inline constexpr std::wstring_view importsValueName = L"Imports";

// Appends the "Classpath:" line and, for non-empty imports, the "Imports:" line, each preceded
// by a line break: the tail shared by the success text and a listing block.
void appendServerValues(std::wstring& text, const std::wstring& classpath,
                        const std::wstring& imports);

}  // namespace volmora
