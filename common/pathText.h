// Base and parent names of paths, as the file-system object gives them: plain text operations
// that accept "\" and "/" as separators and never touch the disk.
#pragma once

#include <string>
#include <string_view>

namespace volmora {

// The path without its last component and without a trailing separator; a drive root keeps
// its separator ("C:\x.exe" gives "C:\"); a single component gives the empty text.
std::wstring parentFolderName(std::wstring_view path);

// The last component without its extension ("C:\VOLM\bin\vb6.exe" gives "vb6").
std::wstring baseName(std::wstring_view path);

}  // namespace volmora
