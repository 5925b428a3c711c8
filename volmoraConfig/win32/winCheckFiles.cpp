// The configuration check's view of the file system, through Win32. A 32-bit process sees the
// file system redirected as a 32-bit COM client does, so it judges the paths that client loads.
#include "win32/winCheckFiles.h"

#include <windows.h>

#include "fileHandle.h"

namespace volmora::config {

PathKind WinCheckFiles::pathKind(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return PathKind::missing;
    }
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? PathKind::folder : PathKind::file;
}

bool WinCheckFiles::readBytes(const std::wstring& path, std::uint64_t offset, std::size_t count,
                              std::vector<std::uint8_t>& bytes) {
    const FileHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        return false;
    }
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(file.get(), position, nullptr, FILE_BEGIN)) {
        return false;
    }
    bytes.assign(count, 0);
    DWORD read = 0;
    if (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(count), &read, nullptr)) {
        return false;
    }
    bytes.resize(read);
    return true;
}

}  // namespace volmora::config
