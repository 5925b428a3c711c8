// Fakes of the frame's platform for unit tests: message boxes and listing windows that record
// what they were asked to show, a file system with FSO rules and a chosen current folder, and a
// process whose exit ends the test's run of the main routine.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "memoryRegistry.h"
#include "platform.h"
#include "toolUtil.h"

namespace volmora::testing {

struct ShownMessage {
    MessageIcon icon;
    std::wstring caption;
    std::wstring text;
    friend bool operator==(const ShownMessage&, const ShownMessage&) = default;
};

class FakeMessageBoxes : public MessageBoxes {
  public:
    void show(MessageIcon icon, const std::wstring& caption, const std::wstring& text) override {
        shown.push_back({icon, caption, text});
    }
    std::vector<ShownMessage> shown;
};

class FakeFileSystem : public FileSystem {
  public:
    // Resolves against currentFolder; a path starting with a drive or "\\" is already absolute.
    std::wstring absolutePathName(const std::wstring& path) override;
    bool fileExists(const std::wstring& path) override { return files.count(path) != 0; }

    std::wstring currentFolder = L"C:\\Work";
    std::set<std::wstring> files;
};

struct OpenedListing {
    std::wstring title;
    std::wstring text;
};

class FakeListingWindows : public ListingWindows {
  public:
    void open(const std::wstring& title, const std::wstring& text) override {
        opened.push_back({title, text});
    }
    bool anyOpen() override { return !opened.empty() && !served; }
    void serveUntilClosed() override { served = true; }
    std::vector<OpenedListing> opened;
    bool served = false;
};

// Thrown by FakeSystem::exitProcess so that a test sees where the process would have ended.
struct ProcessExit {
    std::uint32_t exitCode;
};

class FakeSystem : public System {
  public:
    std::wstring moduleFileName() override { return programPath; }
    std::wstring commandLine() override { return commandLineText; }
    std::wstring environmentVariable(const std::wstring& name) override {
        if (name == L"SystemRoot") {
            return systemRoot;
        }
        return name == outcomeLogVariable ? outcomeLogPath : std::wstring();
    }
    std::int32_t createFileSystem(std::unique_ptr<FileSystem>& fileSystem) override;
    UtcTime utcNow() override { return now; }
    std::uint32_t processId() override { return pid; }
    void appendToFile(const std::wstring& path, std::string_view bytes) override {
        appended.push_back({path, std::string(bytes)});
    }

    std::wstring programPath = L"C:\\VOLM\\bin\\bindObject.exe";
    std::wstring commandLineText = L"bindObject.exe";
    std::wstring systemRoot = L"C:\\WINDOWS";
    std::int32_t fileSystemResult = 0;     // a failing HRESULT makes the object unavailable
    FakeFileSystem* fileSystem = nullptr;  // the last one created, owned by the tool
    std::wstring currentFolder = L"C:\\Work";
    std::set<std::wstring> files;
    std::wstring outcomeLogPath;  // the outcome log's variable; empty: unset
    UtcTime now{2026, 12, 7, 9, 5, 3, 42};
    std::uint32_t pid = 4242;
    std::vector<std::pair<std::wstring, std::string>> appended;  // each append: file, bytes

  protected:
    void endProcess(std::uint32_t exitCode) override { throw ProcessExit{exitCode}; }
};

// Everything a unit test of a tool needs: the fakes, the platform over them, and a Tool that
// has gone through initTool.
struct FakeTool {
    explicit FakeTool(std::wstring_view toolName = L"Bind Object",
                      std::wstring programPath = L"C:\\VOLM\\bin\\bindObject.exe");

    MemoryRegistry registry;
    FakeMessageBoxes messages;
    FakeListingWindows listings;
    FakeSystem system;
    Platform platform{registry, messages, listings, system};
    Tool tool{platform};

    FakeFileSystem& files() { return *system.fileSystem; }
    // The one message shown; fails the test when there is not exactly one.
    ShownMessage onlyMessage() const;
};

}  // namespace volmora::testing
