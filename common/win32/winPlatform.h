// The Win32 implementations of the frame's message boxes, file system and process services.
#pragma once

#include <oaidl.h>
#include <windows.h>

#include "comPtr.h"
#include "platform.h"

namespace volmora {

class WinMessageBoxes : public MessageBoxes {
  public:
    void show(MessageIcon icon, const std::wstring& caption, const std::wstring& text) override;
};

// Holds the file-system object for the life of the process; path names follow its rules.
class WinFileSystem : public FileSystem {
  public:
    explicit WinFileSystem(ComPtr<IDispatch> object) : object_(std::move(object)) {}
    std::wstring absolutePathName(const std::wstring& path) override;
    bool fileExists(const std::wstring& path) override;

  private:
    ComPtr<IDispatch> object_;
};

class WinSystem : public System {
  public:
    std::wstring moduleFileName() override;
    std::wstring commandLine() override;
    std::wstring environmentVariable(const std::wstring& name) override;
    std::int32_t createFileSystem(std::unique_ptr<FileSystem>& fileSystem) override;
    UtcTime utcNow() override;
    std::uint32_t processId() override;
    void appendToFile(const std::wstring& path, std::string_view bytes) override;

  protected:
    void endProcess(std::uint32_t exitCode) override;
};

// Calls fill(buffer, capacity) with a growing buffer until the result fits; fill returns the
// length it needs or wrote, like GetModuleFileNameW and GetFullPathNameW; 0 means failure.
template <typename Fill>
std::wstring growingBufferText(Fill fill) {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = fill(buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) {
            return {};
        }
        if (length < buffer.size()) {
            buffer.resize(length);
            return buffer;
        }
        buffer.resize(std::max<std::size_t>(buffer.size() * 2, length + 1));
    }
}

}  // namespace volmora
