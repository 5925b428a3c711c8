// bindHost under Wine: its command line, the server records it writes, removes and lists, and
// what each run shows and returns. Every case reads the registry back afterwards.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "expectations.h"
#include "expectedUsage.h"
#include "harness.h"
#include "platformLimits.h"
#include "programWithoutScripting.h"
#include "registryWriting.h"

namespace volmora::e2e {
namespace {

const std::wstring caption = L"Volmora - Bind Host";
const std::wstring serversKey = L"SOFTWARE\\Tamsiver Software\\VOLM\\Servers";
// The listing window keeps its placement below this key.
const std::wstring listingSettingsKey = L"Software\\Tamsiver Software\\Volmora";

const std::wstring& usageText = volmora::testing::expectedServerUsage;

std::wstring recordKey(const std::wstring& serverId) {
    return serversKey + L"\\" + serverId;
}

// The dump of one record key: its two values and nothing else.
std::wstring recordDump(const std::wstring& classpath, const std::wstring& imports) {
    return L"[]\n" + textLine(L"Classpath", classpath) + textLine(L"Imports", imports);
}

std::wstring registeredText(const std::wstring& serverId, const std::wstring& classpath,
                            const std::wstring& imports) {
    std::wstring text = L"Server \"" + serverId + L"\" successfully registered.\r\n" +
                        L"    Classpath: \t" + classpath;
    if (!imports.empty()) {
        text += L"\r\n    Imports:   \t" + imports;
    }
    return text;
}

void deleteValue(const std::wstring& key, const std::wstring& name) {
    ASSERT_EQ(RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, key.c_str(), name.c_str()), ERROR_SUCCESS);
}

// Every case starts and ends without server records and without the listing window's saved
// placement, which a closed listing leaves behind.
class BindHost : public ::testing::Test {
  protected:
    void SetUp() override { clean(); }
    void TearDown() override { clean(); }
    static void clean() {
        deleteTree(HKEY_LOCAL_MACHINE, serversKey);
        deleteTree(HKEY_CURRENT_USER, listingSettingsKey);
    }

    // A silent run that must be accepted and show nothing.
    void runSilently(const std::wstring& arguments) {
        const RunResult result = runTool(L"bindHost", L"/s " + arguments);
        expectNoBox(result);
        EXPECT_EQ(result.exitCode, 0u);
    }
};

struct UsageCase {
    const wchar_t* arguments;
    bool shown;
    BoxIcon icon;
    std::uint32_t exitCode;
};

TEST_F(BindHost, RefusedCommandLinesShowTheUsageAndWriteNothing) {
    const UsageCase cases[] = {
        {L"/?", true, BoxIcon::information, 0},
        {L"/? /x", true, BoxIcon::information, 0},
        {L"", true, BoxIcon::exclamation, 1},
        {L"/x /?", true, BoxIcon::exclamation, 1},
        {L"/silent ServerA C:\\a.jar", true, BoxIcon::exclamation, 1},
        {L"\"\" ServerA C:\\a.jar", true, BoxIcon::exclamation, 1},
        {L"ServerA", true, BoxIcon::exclamation, 1},
        // One argument: the quote groups both names into one.
        {L"Server\"A C:\\\"a.jar", true, BoxIcon::exclamation, 1},
        {L"/u /l ServerA", true, BoxIcon::exclamation, 1},
        {L"/l x", true, BoxIcon::exclamation, 1},
        {L"/U a b", true, BoxIcon::exclamation, 1},
        {L"/s", false, BoxIcon::none, 1},
        {L"/s /l", false, BoxIcon::none, 1},
        {L"-S /?", false, BoxIcon::none, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(narrow(c.arguments));
        const RunResult result = runTool(L"bindHost", c.arguments);
        if (c.shown) {
            expectOneBox(result, c.icon, caption, usageText);
        } else {
            expectNoBox(result);
        }
        EXPECT_TRUE(result.listings.empty());
        EXPECT_EQ(result.exitCode, c.exitCode);
        EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, serversKey));
    }
}

TEST_F(BindHost, EndsWithFourWhenTheFileSystemObjectCannotBeCreated) {
    wchar_t systemRoot[MAX_PATH] = {};
    GetEnvironmentVariableW(L"SystemRoot", systemRoot, MAX_PATH);
    const ProgramWithoutScripting program(L"bindHost");
    RunOptions options;
    options.program = program.path();

    // Shown even in silent mode: the silent switch has not been read yet.
    const RunResult result = runTool(L"bindHost", L"/s ServerA C:\\a.jar", options);
    expectOneBox(result, BoxIcon::stop, caption,
                 L"Cannot create Scripting.FileSystemObject .. is " + std::wstring(systemRoot) +
                     L"\\System32\\scrrun.dll registered?");
    EXPECT_EQ(result.exitCode, 4u);
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, serversKey));
}

struct SplitCase {
    std::wstring arguments;  // the whole argument text, exactly as the program receives it
    std::wstring serverId;
    std::wstring classpath;
    std::wstring imports;
};

std::wstring numbers(int from, int to, const std::wstring& separator) {
    std::wstring text;
    for (int i = from; i <= to; ++i) {
        text += (i > from ? separator : L"") + std::to_wstring(i);
    }
    return text;
}

// The command-line splitting as the records show it: the imports are the arguments after the
// first two, joined by ", ".
TEST_F(BindHost, StoresTheArgumentsAsTheCommandLineSplitsThem) {
    const std::wstring jvm = L"C:\\Program Files\\Java\\bin\\client\\jvm.dll";
    const std::vector<SplitCase> cases = {
        {L"ServerA C:\\a.jar", L"ServerA", L"C:\\a.jar", L""},
        {L"ServerA C:\\a.jar  \t \t", L"ServerA", L"C:\\a.jar", L""},
        {L"ServerA C:\\a.jar /s a b", L"ServerA", L"C:\\a.jar", L"/s, a, b"},
        {L"  ServerA\t\tC:\\a.jar  a   b\t", L"ServerA", L"C:\\a.jar", L"a, b"},
        {L"ServerA C:\\a.jar \"" + jvm + L"\" x", L"ServerA", L"C:\\a.jar", jvm + L", x"},
        {L"ServerA \"C:\\My Jars\\a.jar\"", L"ServerA", L"C:\\My Jars\\a.jar", L""},
        {L"ServerA C:\\a.jar a\"b c\"d", L"ServerA", L"C:\\a.jar", L"ab cd"},
        {L"ServerA C:\\a.jar \"\" x", L"ServerA", L"C:\\a.jar", L"x"},
        {L"ServerA C:\\a.jar y \"\" x", L"ServerA", L"C:\\a.jar", L"y, , x"},
        {L"ServerA C:\\a.jar a\"\"b", L"ServerA", L"C:\\a.jar", L"ab"},
        {L"ServerA C:\\a.jar y \"\"\"\"", L"ServerA", L"C:\\a.jar", L"y, "},
        {L"ServerA C:\\a.jar \"a b", L"ServerA", L"C:\\a.jar", L"a b"},
        {L"ServerA C:\\a.jar x\\\"y z", L"ServerA", L"C:\\a.jar", L"x\\y z"},
        {L"ServerA C:\\a.jar -Dx=\"a b\"", L"ServerA", L"C:\\a.jar", L"-Dx=a b"},
        {L"ServerA C:\\a.jar \"a\tb\" c", L"ServerA", L"C:\\a.jar", L"a\tb, c"},
        // No argument is dropped: every import is stored, however many there are.
        {numbers(1, 40, L" "), L"1", L"2", numbers(3, 40, L", ")},
        {numbers(1, 33, L" "), L"1", L"2", numbers(3, 33, L", ")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(narrow(c.arguments));
        const RunResult result = runTool(L"bindHost", c.arguments);
        expectOneBox(result, BoxIcon::information, caption,
                     registeredText(c.serverId, c.classpath, c.imports));
        EXPECT_EQ(result.exitCode, 0u);
        EXPECT_EQ(dumpKey(HKEY_LOCAL_MACHINE, serversKey), L"[]\n[" + c.serverId + L"]\n" +
                                                               textLine(L"Classpath", c.classpath) +
                                                               textLine(L"Imports", c.imports));
        deleteTree(HKEY_LOCAL_MACHINE, serversKey);
    }
}

TEST_F(BindHost, RegistersAgainOverTheSameRecord) {
    runSilently(L"ServerA C:\\old.jar ServerB");
    writeText(HKEY_LOCAL_MACHINE, recordKey(L"ServerA"), L"Note", L"kept");

    const RunResult result = runTool(L"bindHost", L"SERVERA C:\\new.jar");

    expectOneBox(result, BoxIcon::information, caption,
                 registeredText(L"SERVERA", L"C:\\new.jar", L""));
    EXPECT_EQ(result.exitCode, 0u);
    // Identifiers differing in case name one record, which keeps its first name.
    EXPECT_EQ(dumpKey(HKEY_LOCAL_MACHINE, serversKey),
              L"[]\n[ServerA]\n" + textLine(L"Classpath", L"C:\\new.jar") +
                  textLine(L"Imports", L"") + textLine(L"Note", L"kept"));
}

TEST_F(BindHost, UnregistersOneRecordAndKeepsTheServersKey) {
    runSilently(L"ServerA C:\\a.jar");
    runSilently(L"ServerB C:\\b.jar ServerA");

    RunResult result = runTool(L"bindHost", L"/u servera");
    expectOneBox(result, BoxIcon::information, caption,
                 L"Server \"servera\" successfully unregistered.");
    EXPECT_EQ(result.exitCode, 0u);
    EXPECT_EQ(dumpKey(HKEY_LOCAL_MACHINE, serversKey), L"[]\n[ServerB]\n" +
                                                           textLine(L"Classpath", L"C:\\b.jar") +
                                                           textLine(L"Imports", L"ServerA"));

    result = runTool(L"bindHost", L"/u ServerA");
    expectOneBox(result, BoxIcon::exclamation, caption, L"Server \"ServerA\" isn't registered.");
    EXPECT_EQ(result.exitCode, 0u);

    result = runTool(L"bindHost", L"/s /u ServerB");
    expectNoBox(result);
    EXPECT_EQ(result.exitCode, 0u);
    EXPECT_EQ(dumpKey(HKEY_LOCAL_MACHINE, serversKey), L"[]\n");

    result = runTool(L"bindHost", L"/u /s ServerB");
    expectNoBox(result);
    EXPECT_EQ(result.exitCode, 0u);
    EXPECT_EQ(dumpKey(HKEY_LOCAL_MACHINE, serversKey), L"[]\n");
}

TEST_F(BindHost, ListsEveryRecordInTheListingWindow) {
    RunResult result = runTool(L"bindHost", L"/l");
    expectOneBox(result, BoxIcon::information, caption, L"No servers registered");
    EXPECT_TRUE(result.listings.empty());
    EXPECT_EQ(result.exitCode, 0u);

    runSilently(L"ServerA C:\\ServerA\\ServerA.jar ServerB ServerC");
    runSilently(L"ServerB C:\\b.jar");
    runSilently(L"ServerC C:\\c.jar x");
    runSilently(L"ServerD C:\\d.jar");
    deleteValue(recordKey(L"ServerC"), L"Imports");
    deleteValue(recordKey(L"ServerD"), L"Classpath");
    const std::wstring before = dumpKey(HKEY_LOCAL_MACHINE, serversKey);

    if (checkableHere(PlatformLimit::noListingPaint, "the listing of four servers")) {
        result = runTool(L"bindHost", L"/L");

        expectNoBox(result);
        EXPECT_EQ(result.exitCode, 0u);
        ASSERT_EQ(result.listings.size(), 1u);
        EXPECT_EQ(result.listings[0].caption, L"Volmora - Registered Servers");
        EXPECT_EQ(narrow(result.listings[0].text),
                  narrow(L"ServerA:\r\n"
                         L"    Classpath: \tC:\\ServerA\\ServerA.jar\r\n"
                         L"    Imports:   \tServerB, ServerC\r\n"
                         L"ServerB:\r\n"
                         L"    Classpath: \tC:\\b.jar\r\n"
                         L"ServerC:\r\n"
                         L"    Classpath: \tC:\\c.jar\r\n"
                         L"    Imports:   \t?? missing ??\r\n"
                         L"ServerD:\r\n"
                         L"    Classpath: \t?? missing ??"));
        EXPECT_EQ(dumpKey(HKEY_LOCAL_MACHINE, serversKey), before);
    }

    // A Servers key without records lists nothing either.
    for (const wchar_t* id : {L"ServerA", L"ServerB", L"ServerC", L"ServerD"}) {
        runSilently(std::wstring(L"/u ") + id);
    }
    result = runTool(L"bindHost", L"/l");
    expectOneBox(result, BoxIcon::information, caption, L"No servers registered");
    EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, serversKey));
}

TEST_F(BindHost, SilentRegistrationShowsNothingAndWrites) {
    const RunResult result = runTool(L"bindHost", L"-s ServerA C:\\a.jar ServerB");
    expectNoBox(result);
    EXPECT_EQ(result.exitCode, 0u);
    EXPECT_EQ(dumpKey(HKEY_LOCAL_MACHINE, recordKey(L"ServerA")),
              recordDump(L"C:\\a.jar", L"ServerB"));
}

TEST_F(BindHost, AcceptsIdentifiersAndPathsOutsideTheAnsiCodePage) {
    const std::wstring serverId = L"Serv\u00E9r\u03A9\u4E2D\U0001F600";
    const std::wstring classpath = L"C:\\\u0416\u00FC\\a.jar";
    const RunResult result = runTool(L"bindHost", serverId + L" " + classpath + L" \u0394");

    expectOneBox(result, BoxIcon::information, caption,
                 registeredText(serverId, classpath, L"\u0394"));
    EXPECT_EQ(dumpKey(HKEY_LOCAL_MACHINE, recordKey(serverId)), recordDump(classpath, L"\u0394"));

    VOLMORA_SKIP_WHERE(PlatformLimit::noListingPaint);
    const RunResult listing = runTool(L"bindHost", L"/l");
    ASSERT_EQ(listing.listings.size(), 1u);
    EXPECT_EQ(narrow(listing.listings[0].text), narrow(serverId + L":\r\n    Classpath: \t" +
                                                       classpath + L"\r\n    Imports:   \t\u0394"));
}

TEST_F(BindHost, StoresAClassPathAsLongAsTheCommandLineAllows) {
    // A command line holds at most 32767 characters, the program path included.
    const std::wstring classpath(32000, L'j');
    const RunResult result = runTool(L"bindHost", L"/s ServerA " + classpath + L" B");
    expectNoBox(result);
    EXPECT_EQ(result.exitCode, 0u);
    EXPECT_EQ(dumpKey(HKEY_LOCAL_MACHINE, recordKey(L"ServerA")), recordDump(classpath, L"B"));
}

struct BadIdentifierCase {
    std::wstring serverId;
    std::wstring code;
};

TEST_F(BindHost, RefusesIdentifiersThatCannotNameOneRecord) {
    runSilently(L"ServerA C:\\a.jar");
    const std::wstring before = dumpKey(HKEY_LOCAL_MACHINE, serversKey);
    const BadIdentifierCase cases[] = {
        {L"ServerA\\Sub", L"161"},
        {L"\\ServerB", L"161"},
        {L"ServerB\\", L"161"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(narrow(c.serverId));
        RunResult result = runTool(L"bindHost", c.serverId + L" C:\\x.jar");
        expectOneBox(result, BoxIcon::exclamation, caption,
                     L"Can't create VOLM Servers registry settings: error=" + c.code);
        EXPECT_EQ(result.exitCode, 0u);

        result = runTool(L"bindHost", L"/u " + c.serverId);
        expectOneBox(result, BoxIcon::exclamation, caption,
                     L"Server \"" + c.serverId + L"\" isn't registered.");
        EXPECT_EQ(result.exitCode, 0u);
        EXPECT_EQ(dumpKey(HKEY_LOCAL_MACHINE, serversKey), before);
    }
}

TEST_F(BindHost, ReportsAnIdentifierLongerThanAKeyName) {
    const std::wstring serverId(300, L's');
    RunResult result = runTool(L"bindHost", serverId + L" C:\\x.jar");
    expectOneBox(result, BoxIcon::exclamation, caption,
                 L"Can't create VOLM Servers registry settings: error=87");
    EXPECT_EQ(result.exitCode, 0u);
    // The keys on the way may have been created, but no record.
    const std::wstring servers = dumpKey(HKEY_LOCAL_MACHINE, serversKey);
    EXPECT_TRUE(servers.empty() || servers == L"[]\n") << narrow(servers);

    // This box is wider than the screen, which leaves its icon out of sight: compare the text.
    result = runTool(L"bindHost", L"/u " + serverId);
    ASSERT_EQ(result.boxes.size(), 1u);
    EXPECT_EQ(result.boxes[0].caption, caption);
    EXPECT_EQ(result.boxes[0].text, L"Server \"" + serverId + L"\" isn't registered.");
    EXPECT_EQ(result.exitCode, 0u);
}

}  // namespace
}  // namespace volmora::e2e
