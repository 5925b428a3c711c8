// bindSchema under Wine: type library registration read back from HKEY_CLASSES_ROOT\TypeLib, the
// five messages with absolute paths, the runtime library's search rules, and the internal error
// when the runtime library is missing. The type library and the stand-in VOLM.dll come from the
// build's testFiles folder.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "expectations.h"
#include "fileHandle.h"
#include "harness.h"
#include "testFolder.h"

namespace volmora::e2e {
namespace {

const std::wstring caption = L"Volmora - Bind Schema";
// The sample library's identity (tests/schemaFixtures/sampleSchema.idl).
const std::wstring libraryKey = L"TypeLib\\{E4D004C9-B840-44FD-A48D-F9524C0E03EB}";
const std::wstring libraryName = L"Volmora sample schema";
constexpr wchar_t sampleFile[] = L"sampleSchema.tlb";
constexpr wchar_t forcedResultVariable[] = L"VOLM_STANDIN_RESULT";
constexpr std::uint32_t moduleNotFound = 126;

std::wstring folderOf(const std::wstring& path) {
    return path.substr(0, path.find_last_of(L"\\/"));
}

std::wstring testFile(const std::wstring& name) {
    return folderOf(folderOf(builtToolPath(L"bindSchema"))) + L"\\testFiles\\" + name;
}

// What registering the sample library from path leaves under its TypeLib key.
std::wstring registeredDump(const std::wstring& path, const std::wstring& systemKind) {
    return L"[]\n[1.2]\n" + textLine(L"", libraryName) + L"[1.2\\0]\n[1.2\\0\\" + systemKind +
           L"]\n" + textLine(L"", path) + L"[1.2\\FLAGS]\n" + textLine(L"", L"8") +
           L"[1.2\\HELPDIR]\n" + textLine(L"", folderOf(path));
}

std::wstring registeredText(const std::wstring& path) {
    return L"Type library \"" + path + L"\" successfully registered.";
}
std::wstring unregisteredText(const std::wstring& path) {
    return L"Type library \"" + path + L"\" successfully unregistered.";
}
std::wstring failureText(const std::wstring& step, const std::wstring& path, std::int32_t code) {
    return L"Can't " + step + L" \"" + path + L"\" type library: error=" + std::to_wstring(code);
}
const std::wstring missingRuntimeText =
    L"Internal error: number=0x7E, source=bindSchemaProject, description=Can't load VOLM.dll";

// Each test works in its own folders below a fresh temporary folder, with the sample library's
// registration removed before and after.
class BindSchema : public ::testing::Test {
  protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        ASSERT_NE(GetTempPathW(MAX_PATH, temp), 0u);
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        root_ = std::wstring(temp) + L"volmoraSchema" + std::to_wstring(GetCurrentProcessId()) +
                L"-" + std::wstring(test->name(), test->name() + std::strlen(test->name()));
        removeFolder(root_);
        ASSERT_TRUE(CreateDirectoryW(root_.c_str(), nullptr));
        deleteTree(HKEY_CLASSES_ROOT, libraryKey);
    }
    void TearDown() override {
        deleteTree(HKEY_CLASSES_ROOT, libraryKey);
        removeFolder(root_);
    }

    // A folder below the test's own, created on first use.
    std::wstring folder(const std::wstring& name) const {
        const std::wstring path = root_ + L"\\" + name;
        CreateDirectoryW(path.c_str(), nullptr);
        return path;
    }
    static std::wstring copyInto(const std::wstring& from, const std::wstring& folder,
                                 const std::wstring& name) {
        const std::wstring to = folder + L"\\" + name;
        EXPECT_TRUE(CopyFileW(from.c_str(), to.c_str(), FALSE)) << narrow(from);
        return to;
    }
    // The program copied to a folder of its own, with the stand-in beside it or not.
    std::wstring program(bool withStandIn) const {
        const std::wstring programFolder = folder(L"program");
        if (withStandIn) {
            copyInto(testFile(L"VOLM.dll"), programFolder, L"VOLM.dll");
        }
        return copyInto(builtToolPath(L"bindSchema"), programFolder, L"bindSchema.exe");
    }
    static std::wstring sample(const std::wstring& folder,
                               const std::wstring& systemKind = L"win64") {
        return copyInto(testFile(L"sampleSchema-" + systemKind + L".tlb"), folder, sampleFile);
    }
    static void registerSilently(const std::wstring& path) {
        const RunResult result = runTool(L"bindSchema", L"/s \"" + path + L"\"");
        expectNoBox(result);
        ASSERT_EQ(result.exitCode, 0u);
        ASSERT_EQ(dumpKey(HKEY_CLASSES_ROOT, libraryKey), registeredDump(path, L"win64"));
    }

  private:
    std::wstring root_;
};

// The library's system kind picks the subkey; registering again succeeds again and changes
// nothing.
TEST_F(BindSchema, RegistersUnderTheLibrarysSystemKindAndAgain) {
    for (const std::wstring systemKind : {L"win32", L"win64"}) {
        SCOPED_TRACE(narrow(systemKind));
        const std::wstring path = sample(folder(systemKind), systemKind);
        for (int run = 0; run < 2; ++run) {
            const RunResult result = runTool(L"bindSchema", L"\"" + path + L"\"");
            expectOneBox(result, BoxIcon::information, caption, registeredText(path));
            EXPECT_EQ(result.exitCode, 0u);
            EXPECT_EQ(dumpKey(HKEY_CLASSES_ROOT, libraryKey), registeredDump(path, systemKind));
        }
        deleteTree(HKEY_CLASSES_ROOT, libraryKey);
    }
}

enum class Before { nothing, registered };

struct OutcomeCase {
    const wchar_t* name;
    std::wstring arguments;  // the file name is relative to the current folder
    const wchar_t* file;
    Before before;
    bool standInBesideProgram;
    std::vector<std::pair<std::wstring, std::wstring>> environment;
    BoxIcon icon;
    std::wstring text;  // "<path>" stands for the absolute path of file
    std::uint32_t exitCode;
    bool registeredAfter;
};

std::wstring withPath(std::wstring text, const std::wstring& path) {
    const std::wstring placeholder = L"<path>";
    const std::size_t at = text.find(placeholder);
    return at == std::wstring::npos ? text : text.replace(at, placeholder.size(), path);
}

// Every message with the path given relative to the current folder; a failing load never
// reaches the runtime library (there is none, and the load failure is shown, not the internal
// error); the stand-in removes the registration or returns the code it is told to.
TEST_F(BindSchema, ReportsEachOutcomeWithTheAbsolutePath) {
    constexpr std::int32_t cantLoad = -2147312566;       // 0x80029C4A
    constexpr std::int32_t chosen = -2147024891;         // 0x80070005, what the stand-in is told
    constexpr std::int32_t notRegistered = -2147024809;  // 0x80070057, E_INVALIDARG
    const OutcomeCase cases[] = {
        {L"register",
         L"",
         sampleFile,
         Before::nothing,
         false,
         {},
         BoxIcon::information,
         registeredText(L"<path>"),
         0,
         true},
        {L"register missing file",
         L"",
         L"missing.tlb",
         Before::nothing,
         false,
         {},
         BoxIcon::exclamation,
         failureText(L"load", L"<path>", cantLoad),
         0,
         false},
        {L"register no type library",
         L"",
         L"notATypeLibrary.tlb",
         Before::nothing,
         false,
         {},
         BoxIcon::exclamation,
         failureText(L"load", L"<path>", cantLoad),
         0,
         false},
        {L"unregister missing file",
         L"/u ",
         L"missing.tlb",
         Before::registered,
         false,
         {},
         BoxIcon::exclamation,
         failureText(L"load", L"<path>", cantLoad),
         0,
         true},
        {L"unregister no type library",
         L"-U ",
         L"notATypeLibrary.tlb",
         Before::registered,
         false,
         {},
         BoxIcon::exclamation,
         failureText(L"load", L"<path>", cantLoad),
         0,
         true},
        {L"unregister",
         L"/u ",
         sampleFile,
         Before::registered,
         true,
         {},
         BoxIcon::information,
         unregisteredText(L"<path>"),
         0,
         false},
        {L"unregister failure",
         L"/u ",
         sampleFile,
         Before::registered,
         true,
         {{forcedResultVariable, std::to_wstring(chosen)}},
         BoxIcon::exclamation,
         failureText(L"unregister", L"<path>", chosen),
         0,
         true},
        {L"unregister what is not registered",
         L"/u ",
         sampleFile,
         Before::nothing,
         true,
         {},
         BoxIcon::exclamation,
         failureText(L"unregister", L"<path>", notRegistered),
         0,
         false},
        {L"unregister without runtime",
         L"/u ",
         sampleFile,
         Before::registered,
         false,
         {},
         BoxIcon::exclamation,
         missingRuntimeText,
         moduleNotFound,
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(narrow(c.name));
        const std::wstring work = folder(L"work");
        const std::wstring registered = sample(work);
        {
            const FileHandle text(CreateFileW((work + L"\\notATypeLibrary.tlb").c_str(),
                                              GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0,
                                              nullptr));
            ASSERT_TRUE(text.valid());
            DWORD written = 0;
            ASSERT_TRUE(WriteFile(text.get(), "not a type library\r\n", 20, &written, nullptr));
        }
        if (c.before == Before::registered) {
            registerSilently(registered);
        }
        RunOptions options;
        options.program = program(c.standInBesideProgram);
        options.currentFolder = work;
        options.environment = c.environment;
        const RunResult result = runTool(L"bindSchema", c.arguments + c.file, options);
        expectOneBox(result, c.icon, caption, withPath(c.text, work + L"\\" + c.file));
        EXPECT_EQ(result.exitCode, c.exitCode);
        EXPECT_EQ(dumpKey(HKEY_CLASSES_ROOT, libraryKey),
                  c.registeredAfter ? registeredDump(registered, L"win64") : L"");
        deleteTree(HKEY_CLASSES_ROOT, libraryKey);
        DeleteFileW(options.program.c_str());
        DeleteFileW((folderOf(options.program) + L"\\VOLM.dll").c_str());
    }
}

struct SearchCase {
    const wchar_t* standInFolder;  // below the test's folder
    bool onPath;
    bool loaded;
};

// The runtime library is looked for beside the program and on PATH, never in the current folder.
TEST_F(BindSchema, LoadsTheRuntimeLibraryBesideTheProgramOrOnPathButNeverFromTheCurrentFolder) {
    const SearchCase cases[] = {
        {L"work", false, false},
        {L"program", false, true},
        {L"onPath", true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(narrow(c.standInFolder));
        const std::wstring work = folder(L"work");
        const std::wstring path = sample(work);
        registerSilently(path);
        RunOptions options;
        options.program = program(false);
        options.currentFolder = work;
        const std::wstring standIn =
            copyInto(testFile(L"VOLM.dll"), folder(c.standInFolder), L"VOLM.dll");
        if (c.onPath) {
            wchar_t inherited[32767];
            const DWORD length = GetEnvironmentVariableW(L"PATH", inherited, 32767);
            options.environment = {
                {L"PATH", folder(c.standInFolder) + L";" + std::wstring(inherited, length)}};
        }
        const RunResult result = runTool(L"bindSchema", L"/u sampleSchema.tlb", options);
        if (c.loaded) {
            expectOneBox(result, BoxIcon::information, caption, unregisteredText(path));
            EXPECT_EQ(result.exitCode, 0u);
            EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, libraryKey));
        } else {
            expectOneBox(result, BoxIcon::exclamation, caption, missingRuntimeText);
            EXPECT_EQ(result.exitCode, moduleNotFound);
            EXPECT_EQ(dumpKey(HKEY_CLASSES_ROOT, libraryKey), registeredDump(path, L"win64"));
        }
        EXPECT_TRUE(DeleteFileW(standIn.c_str()));
        deleteTree(HKEY_CLASSES_ROOT, libraryKey);
    }
}

// Paths outside the ANSI code page reach the type library functions and the messages whole.
TEST_F(BindSchema, RegistersAndUnregistersAPathOutsideTheAnsiCodePage) {
    const std::wstring path = sample(folder(L"\u03A3\u03C7\u03AE\u03BC\u03B1 \u578B\u5E93"));
    RunOptions options;
    options.program = program(true);
    RunResult result = runTool(L"bindSchema", L"\"" + path + L"\"", options);
    expectOneBox(result, BoxIcon::information, caption, registeredText(path));
    EXPECT_EQ(dumpKey(HKEY_CLASSES_ROOT, libraryKey), registeredDump(path, L"win64"));

    result = runTool(L"bindSchema", L"/u \"" + path + L"\"", options);
    expectOneBox(result, BoxIcon::information, caption, unregisteredText(path));
    EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, libraryKey));
}

struct SilentCase {
    std::wstring arguments;
    bool standInBesideProgram;
    std::uint32_t exitCode;
    bool registeredAfter;
};

// Silent mode shows nothing, failures included; the exit code still tells an internal error.
TEST_F(BindSchema, SilentRunsShowNothing) {
    const SilentCase cases[] = {
        {L"/s /u missing.tlb", false, 0, true},
        {L"/u /s sampleSchema.tlb", true, 0, false},
        {L"/s /u sampleSchema.tlb", false, moduleNotFound, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(narrow(c.arguments));
        const std::wstring work = folder(L"work");
        const std::wstring path = sample(work);
        registerSilently(path);
        RunOptions options;
        options.program = program(c.standInBesideProgram);
        options.currentFolder = work;
        const RunResult result = runTool(L"bindSchema", c.arguments, options);
        expectNoBox(result);
        EXPECT_EQ(result.exitCode, c.exitCode);
        EXPECT_EQ(keyExists(HKEY_CLASSES_ROOT, libraryKey), c.registeredAfter);
        deleteTree(HKEY_CLASSES_ROOT, libraryKey);
        DeleteFileW((folderOf(options.program) + L"\\VOLM.dll").c_str());
    }
}

}  // namespace
}  // namespace volmora::e2e
