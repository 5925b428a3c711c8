// The harness's own registry readers, on a key the test writes itself through the registry API.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "expectations.h"
#include "harness.h"
#include "registryWriting.h"
#include "testFolder.h"

namespace volmora::e2e {
namespace {

const std::wstring scratchKey = L"Software\\VolmoraTests\\Harness";

void setValue(const std::wstring& path, const wchar_t* name, DWORD type, const void* data,
              DWORD size) {
    writeValue(HKEY_CURRENT_USER, path, name ? name : L"", type, data, size);
}

class HarnessRegistry : public ::testing::Test {
  protected:
    void SetUp() override { deleteTree(HKEY_CURRENT_USER, scratchKey); }
    void TearDown() override { deleteTree(HKEY_CURRENT_USER, scratchKey); }
};

TEST_F(HarnessRegistry, DumpsKeysAndValuesSortedWithTypesAndExactBytes) {
    const wchar_t text[] = L"C:\\VOLM\\VOLM.dll";
    setValue(scratchKey, nullptr, REG_SZ, text, sizeof text);
    // Without a terminator: the registry adds one only when the next character is a null.
    setValue(scratchKey, L"ProgId", REG_SZ, L"A.BX", 3 * sizeof(wchar_t));
    const DWORD number = 0x1234ABCD;
    setValue(scratchKey, L"count", REG_DWORD, &number, sizeof number);
    const BYTE bytes[] = {0x00, 0x7F, 0xFF};
    setValue(scratchKey + L"\\Sub\\Deeper", L"Data", REG_BINARY, bytes, sizeof bytes);
    setValue(scratchKey + L"\\a", L"Path", REG_EXPAND_SZ, L"%x%", 4 * sizeof(wchar_t));

    EXPECT_EQ(narrow(dumpKey(HKEY_CURRENT_USER, scratchKey)),
              "[]\n"
              "@=REG_SZ \"C:\\\\VOLM\\\\VOLM.dll\\0\"\n"
              "count=REG_DWORD 0x1234ABCD\n"
              "ProgId=REG_SZ \"A.B\"\n"
              "[a]\n"
              "Path=REG_EXPAND_SZ \"%x%\\0\"\n"
              "[Sub]\n"
              "[Sub\\Deeper]\n"
              "Data=REG_BINARY 00,7F,FF\n");
    EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, scratchKey + L"\\Sub\\Deeper"));
    EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, scratchKey + L"\\SUB"));
}

TEST_F(HarnessRegistry, MissingKeysDumpEmptyAndDeleteQuietly) {
    EXPECT_EQ(dumpKey(HKEY_CURRENT_USER, scratchKey), L"");
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, scratchKey));
    EXPECT_NO_THROW(deleteTree(HKEY_CURRENT_USER, scratchKey));

    setValue(scratchKey + L"\\x\\y", L"v", REG_SZ, L"", sizeof(wchar_t));
    deleteTree(HKEY_CURRENT_USER, scratchKey);
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, scratchKey));
    EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, L"Software\\VolmoraTests"));
    deleteTree(HKEY_CURRENT_USER, L"Software\\VolmoraTests");
}

// What a child is started with: its variables, set, removed or inherited, and its current
// folder, as the system's command interpreter reports them.
struct StartCase {
    const char* name;
    std::vector<std::pair<std::wstring, std::wstring>> environment;
    bool inFolder;             // started in the test's folder, which the second line then names
    std::string variableLine;  // the first line the interpreter prints
};

TEST(HarnessRun, StartsTheChildWithTheGivenVariablesAndFolder) {
    constexpr wchar_t variable[] = L"VOLMORA_HARNESS_PROBE";
    const StartCase cases[] = {
        {"inherited", {}, false, "[inherited]"},
        {"set", {{variable, L"set for the child"}}, false, "[set for the child]"},
        {"removed", {{variable, L""}}, false, "[%VOLMORA_HARNESS_PROBE%]"},
        {"other set, this one inherited", {{L"VOLMORA_OTHER", L"x"}}, false, "[inherited]"},
        {"in a folder", {}, true, "[inherited]"},
    };
    wchar_t system[MAX_PATH] = {};
    ASSERT_NE(GetSystemDirectoryW(system, MAX_PATH), 0u);
    ASSERT_TRUE(SetEnvironmentVariableW(variable, L"inherited"));
    const TestFolder folder(L"harnessStart");
    for (const StartCase& c : cases) {
        SCOPED_TRACE(c.name);
        RunOptions options;
        options.program = std::wstring(system) + L"\\cmd.exe";
        options.environment = c.environment;
        options.captureOutput = true;
        if (c.inFolder) {
            options.currentFolder = folder.path();
        }
        const RunResult result = runTool(L"cmd", L"/c echo [%VOLMORA_HARNESS_PROBE%]&cd", options);
        EXPECT_FALSE(result.timedOut);
        EXPECT_EQ(result.exitCode, 0u);
        const std::size_t lineEnd = result.output.find("\r\n");
        ASSERT_NE(lineEnd, std::string::npos) << result.output;
        EXPECT_EQ(result.output.substr(0, lineEnd), c.variableLine);
        if (c.inFolder) {
            EXPECT_EQ(result.output.substr(lineEnd + 2), narrow(folder.path()) + "\r\n");
        }
    }
    SetEnvironmentVariableW(variable, nullptr);
}

TEST(HarnessRun, ReportsAProgramThatCannotStart) {
    RunOptions options;
    options.program = builtToolPath(L"noSuchTool");
    EXPECT_THROW(runTool(L"noSuchTool", L"", options), std::runtime_error);
}

}  // namespace
}  // namespace volmora::e2e
