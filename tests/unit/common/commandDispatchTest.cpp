// The shared switch scanner and dispatcher, driven through a command table whose operations
// record what reached them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commandDispatch.h"
#include "fakePlatform.h"

namespace volmora {
namespace {

using testing::FakeTool;

constexpr std::wstring_view testUsage = L"Usage:\ttool";

// Each operation leaves a note in the listing fake (which records even in silent mode): its
// name and the operands it received, separated by "|".
std::wstring operandsText(const ArgumentList& arguments) {
    std::wstring text;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        text += (i > 1 ? L"|" : L"") + arguments[i];
    }
    return text;
}

std::int32_t recordRegistration(Tool& tool, ArgumentList& arguments) {
    tool.listings().open(L"register", operandsText(arguments));
    return 0;
}

std::int32_t recordUnregistration(Tool& tool, ArgumentList& arguments) {
    tool.listings().open(L"unregister", operandsText(arguments));
    return 0;
}

std::int32_t recordListing(Tool& tool, ArgumentList& arguments) {
    tool.listings().open(L"list", operandsText(arguments));
    return 0;
}

const CommandTable recordingCommands{
    L"slu",
    [] { return std::wstring(testUsage); },
    {4, 5, recordRegistration},
    {1, 1, recordUnregistration},
    {0, 0, recordListing},
};

enum class Shown { nothing, usageInfo, usageError };

struct DispatchCase {
    std::wstring arguments;  // the argument text; Q stands for a double quote
    std::int32_t exitCode;
    Shown shown;
    std::wstring operation;  // empty: no operation ran
    std::wstring operands;
    bool silent;
};

std::wstring expandQuotes(std::wstring text) {
    for (auto& c : text) {
        if (c == L'Q') {
            c = L'"';
        }
    }
    return text;
}

std::string narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}

const DispatchCase dispatchCases[] = {
    // arguments, exit code, shown, operation, operands, silent afterwards
    {L"", 1, Shown::usageError, L"", L"", false},
    {L"/s", 1, Shown::nothing, L"", L"", true},
    {L"/?", 0, Shown::usageInfo, L"", L"", false},
    {L"-?", 0, Shown::usageInfo, L"", L"", false},
    {L"/s /?", 0, Shown::nothing, L"", L"", true},
    {L"/? /s", 0, Shown::usageInfo, L"", L"", false},
    {L"/? /x", 0, Shown::usageInfo, L"", L"", false},
    {L"/x /?", 1, Shown::usageError, L"", L"", false},
    {L"/x", 1, Shown::usageError, L"", L"", false},
    {L"/", 1, Shown::usageError, L"", L"", false},
    {L"-", 1, Shown::usageError, L"", L"", false},
    {L"/sx", 1, Shown::usageError, L"", L"", false},
    {L"//s", 1, Shown::usageError, L"", L"", false},
    {L"/silent", 1, Shown::usageError, L"", L"", false},
    {L"/s /x", 1, Shown::nothing, L"", L"", true},
    {L"QQ", 1, Shown::usageError, L"", L"", false},
    {L"QQ P C J V", 1, Shown::usageError, L"", L"", false},
    {L"/u a", 0, Shown::nothing, L"unregister", L"a", false},
    {L"-u a", 0, Shown::nothing, L"unregister", L"a", false},
    {L"/U a", 0, Shown::nothing, L"unregister", L"a", false},
    {L"/u /u a", 0, Shown::nothing, L"unregister", L"a", false},
    {L"/u", 1, Shown::usageError, L"", L"", false},
    {L"/u a b", 1, Shown::usageError, L"", L"", false},
    {L"/s /u MyServer.CoolService", 0, Shown::nothing, L"unregister", L"MyServer.CoolService",
     true},
    {L"/u /s MyServer.CoolService", 0, Shown::nothing, L"unregister", L"MyServer.CoolService",
     true},
    {L"/u /s", 1, Shown::nothing, L"", L"", true},
    {L"/l", 0, Shown::nothing, L"list", L"", false},
    {L"/L", 0, Shown::nothing, L"list", L"", false},
    {L"-l -l", 0, Shown::nothing, L"list", L"", false},
    {L"/l extra", 1, Shown::usageError, L"", L"", false},
    {L"/l /s", 1, Shown::nothing, L"", L"", true},
    {L"/s /l", 1, Shown::nothing, L"", L"", true},
    {L"/u /l x", 1, Shown::usageError, L"", L"", false},
    {L"/l /u x", 1, Shown::usageError, L"", L"", false},
    {L"/l /u", 1, Shown::usageError, L"", L"", false},
    {L"a b c", 1, Shown::usageError, L"", L"", false},
    {L"a b c d e f", 1, Shown::usageError, L"", L"", false},
    {L"/s a b c", 1, Shown::nothing, L"", L"", true},
    {L"P C J V", 0, Shown::nothing, L"register", L"P|C|J|V", false},
    {L"P C J V S", 0, Shown::nothing, L"register", L"P|C|J|V|S", false},
    {L"P C J V /s", 0, Shown::nothing, L"register", L"P|C|J|V|/s", false},
    {L"P /u J V", 0, Shown::nothing, L"register", L"P|/u|J|V", false},
    {L"/S P C J V", 0, Shown::nothing, L"register", L"P|C|J|V", true},
    {L"-s /s P C J V", 0, Shown::nothing, L"register", L"P|C|J|V", true},
    {L"P C J V QQ", 0, Shown::nothing, L"register", L"P|C|J|V|", false},
    {L"Qa bQ {x} Qj kQ v", 0, Shown::nothing, L"register", L"a b|{x}|j k|v", false},
};

TEST(RunCommand, ScansSwitchesChecksOperandsAndRunsOneOperation) {
    for (const DispatchCase& c : dispatchCases) {
        FakeTool fake;
        ArgumentList arguments = getArguments(fake.tool.programPath, expandQuotes(c.arguments));
        const std::int32_t exitCode = runCommand(fake.tool, arguments, recordingCommands);
        const std::string line = narrow(c.arguments);
        EXPECT_EQ(exitCode, c.exitCode) << line;
        EXPECT_EQ(fake.tool.silentMode, c.silent) << line;

        std::vector<testing::ShownMessage> expectedMessages;
        if (c.shown != Shown::nothing) {
            const MessageIcon icon =
                c.shown == Shown::usageInfo ? MessageIcon::information : MessageIcon::exclamation;
            expectedMessages.push_back({icon, L"Volmora - Bind Object", std::wstring(testUsage)});
        }
        EXPECT_EQ(fake.messages.shown, expectedMessages) << line;

        if (c.operation.empty()) {
            EXPECT_TRUE(fake.listings.opened.empty()) << line;
        } else {
            ASSERT_EQ(fake.listings.opened.size(), 1u) << line;
            EXPECT_EQ(fake.listings.opened[0].title, c.operation) << line;
            EXPECT_EQ(fake.listings.opened[0].text, c.operands) << line;
        }
    }
}

TEST(RunCommand, LeavesTheProgramPathAtTheFrontForTheOperation) {
    FakeTool fake(L"Bind Object", L"C:\\VOLM\\bin\\bindObject.exe");
    const CommandTable table{
        L"slu",
        [] { return std::wstring(testUsage); },
        {4, 5,
         [](Tool& tool, ArgumentList& arguments) {
             tool.listings().open(arguments[0], L"");
             return 0;
         }},
        {1, 1, recordUnregistration},
        {0, 0, recordListing},
    };
    EXPECT_EQ(runCommand(fake.tool, getArguments(fake.tool.programPath, L"/s /s P C J V"), table),
              0);
    ASSERT_EQ(fake.listings.opened.size(), 1u);
    EXPECT_EQ(fake.listings.opened[0].title, L"C:\\VOLM\\bin\\bindObject.exe");
}

TEST(RunCommand, ReturnsTheOperationsResultAndPassesItsErrorsOn) {
    FakeTool fake;
    CommandTable table = recordingCommands;
    table.listing.run = [](Tool&, ArgumentList&) { return 42; };
    table.unregistration.run = [](Tool&, ArgumentList&) -> std::int32_t {
        raiseToolError(13, L"type mismatch");
    };
    EXPECT_EQ(runCommand(fake.tool, getArguments(L"p", L"/l"), table), 42);
    EXPECT_THROW(runCommand(fake.tool, getArguments(L"p", L"/u x"), table), ToolError);
}

TEST(RunCommand, ToolWithoutListingRefusesTheListSwitch) {
    FakeTool fake(L"Bind Schema");
    CommandTable table = recordingCommands;
    table.knownSwitches = L"su";
    table.listing = {};
    EXPECT_EQ(runCommand(fake.tool, getArguments(L"p", L"/l"), table), 1);
    EXPECT_EQ(fake.onlyMessage().icon, MessageIcon::exclamation);
    EXPECT_TRUE(fake.listings.opened.empty());
}

}  // namespace
}  // namespace volmora
