// The Windows services a tool uses besides the registry, as small interfaces: the programs
// implement them with Win32, the unit tests with fakes.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "registry.h"

namespace volmora {

enum class MessageIcon { exclamation, information, stop };

class MessageBoxes {
  public:
    virtual ~MessageBoxes() = default;
    // An application-modal box with one OK button; returns when the user closes it.
    virtual void show(MessageIcon icon, const std::wstring& caption, const std::wstring& text) = 0;
};

// What the tools ask of the file system, with the file-system object's rules: absolute paths
// resolve against the current folder. (Parent and base names are plain text: pathText.h.)
class FileSystem {
  public:
    virtual ~FileSystem() = default;
    // Throws ToolError when the path cannot be resolved.
    virtual std::wstring absolutePathName(const std::wstring& path) = 0;
    virtual bool fileExists(const std::wstring& path) = 0;
};

// The listing window: opened without waiting; the process serves it until it is closed.
class ListingWindows {
  public:
    virtual ~ListingWindows() = default;
    // Creates a listing window, fills it (initListing) and shows it modeless.
    virtual void open(const std::wstring& listingTitle, const std::wstring& listingText) = 0;
    virtual bool anyOpen() = 0;
    // Handles window events until the last window has closed.
    virtual void serveUntilClosed() = 0;
};

// The type library services of bindSchema: OLE Automation and the runtime library's
// UnregisterTypeLibrary. Each result is an HRESULT or the runtime's signed result.
class TypeLibraries {
  public:
    virtual ~TypeLibraries() = default;
    // LoadTypeLibEx with REGKIND_NONE; the loaded library is kept for the calls below.
    virtual std::int32_t load(const std::wstring& path) = 0;
    // RegisterTypeLib of the loaded library.
    virtual std::int32_t registerLoaded(const std::wstring& path, const std::wstring& helpDir) = 0;
    // UnregisterTypeLibrary of the runtime library with the loaded library; raises an internal
    // error when the runtime library or its export cannot be found.
    virtual std::int32_t unregisterLoaded() = 0;
};

// A moment in UTC, to the millisecond.
struct UtcTime {
    std::uint16_t year = 0;
    std::uint16_t month = 0;
    std::uint16_t day = 0;
    std::uint16_t hour = 0;
    std::uint16_t minute = 0;
    std::uint16_t second = 0;
    std::uint16_t millisecond = 0;
};

// Process-wide services of the frame.
class System {
  public:
    virtual ~System() = default;
    virtual std::wstring moduleFileName() = 0;
    virtual std::wstring commandLine() = 0;
    virtual std::wstring environmentVariable(const std::wstring& name) = 0;
    // Creates the file-system object ("Scripting.FileSystemObject"); returns the HRESULT.
    virtual std::int32_t createFileSystem(std::unique_ptr<FileSystem>& fileSystem) = 0;
    virtual UtcTime utcNow() = 0;
    virtual std::uint32_t processId() = 0;
    // Appends the bytes to the file (a relative path from the current folder) with one write, so
    // that processes appending at once never mix their lines; creates the file when missing. A
    // file that cannot be opened or written is left as it is, without an error: the outcome log
    // never changes how a run ends.
    virtual void appendToFile(const std::wstring& path, std::string_view bytes) = 0;
    // Ends the process at once with the exit code.
    [[noreturn]] void exitProcess(std::uint32_t exitCode) {
        endProcess(exitCode);
        std::abort();  // endProcess never returns
    }

  protected:
    virtual void endProcess(std::uint32_t exitCode) = 0;
};

struct Platform {
    Registry& registry;
    MessageBoxes& messages;
    ListingWindows& listings;
    System& system;
    TypeLibraries* typeLibraries = nullptr;  // only bindSchema has them
};

}  // namespace volmora
