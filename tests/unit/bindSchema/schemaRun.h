// A whole run of bindSchema's main routine over fakes: the command line goes in, the exit code,
// the messages and the type library calls come out.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "bindSchema.h"
#include "fakePlatform.h"

namespace volmora::testing {

// Records every call as one line ("load <path>", "register <path> help <folder>",
// "unregister") and answers with the results a test chose. Registering or unregistering
// without a loaded library fails the test.
class FakeTypeLibraries : public TypeLibraries {
  public:
    std::int32_t load(const std::wstring& path) override {
        calls.push_back(L"load " + path);
        loaded_ = loadResult == 0;
        return loadResult;
    }
    std::int32_t registerLoaded(const std::wstring& path, const std::wstring& helpDir) override {
        EXPECT_TRUE(loaded_) << "registered without a loaded type library";
        calls.push_back(L"register " + path + L" help " + helpDir);
        return registerResult;
    }
    std::int32_t unregisterLoaded() override {
        EXPECT_TRUE(loaded_) << "unregistered without a loaded type library";
        calls.push_back(L"unregister");
        if (missingRuntime) {
            throw *missingRuntime;
        }
        return unregisterResult;
    }

    std::int32_t loadResult = 0;
    std::int32_t registerResult = 0;
    std::int32_t unregisterResult = 0;
    std::optional<ToolError> missingRuntime;  // raised by unregisterLoaded when set
    std::vector<std::wstring> calls;

  private:
    bool loaded_ = false;
};

struct SchemaRun {
    MemoryRegistry registry;
    FakeMessageBoxes messages;
    FakeListingWindows listings;
    FakeSystem system;
    FakeTypeLibraries typeLibraries;
    Platform platform{registry, messages, listings, system, &typeLibraries};

    SchemaRun() { system.programPath = L"C:\\VOLM\\bin\\bindSchema.exe"; }

    // Runs the program with the argument text; returns the code the process ended with.
    std::uint32_t run(const std::wstring& argumentText) {
        system.commandLineText = L"\"" + system.programPath + L"\" " + argumentText;
        try {
            runTool(platform, bindSchemaTool);
        } catch (const ProcessExit& exit) {
            return exit.exitCode;
        }
        ADD_FAILURE() << "bindSchema returned without ending the process";
        return 0xFFFFFFFF;
    }
};

}  // namespace volmora::testing
