// The lines that show a server record's values, in the success message and in the listing.
#pragma once

#include <string>

namespace volmora {

// Appends the "Classpath:" line and, for non-empty imports, the "Imports:" line, each preceded
// by a line break: the tail shared by the success text and a listing block.
void appendServerValues(std::wstring& text, const std::wstring& classpath,
                        const std::wstring& imports);

}  // namespace volmora
