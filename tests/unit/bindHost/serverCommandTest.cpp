// bindHost's command line: switches, operand counts, the operation each runs, and the usage.
#include <gtest/gtest.h>

#include <optional>

#include "bindHost.h"
#include "expectedUsage.h"
#include "hostTesting.h"

namespace volmora::testing {
namespace {

const std::wstring& expectedUsage = volmora::testing::expectedServerUsage;

TEST(ServerUsage, IsTheSixteenLineText) {
    EXPECT_EQ(serverUsageText(), expectedUsage);
}

// What a run shows.
enum class Shown { nothing, usageInfo, usageError, registered, unregistered, listing };
// What a run leaves in the registry, which starts with ServerA (C:\old.jar, no imports).
enum class Effect { none, registered, removed };

struct CommandCase {
    std::wstring arguments;  // Q: double quote, T: tab
    std::int32_t exitCode;
    Shown shown;
    bool silent;
    Effect effect;
    std::wstring imports = L"";  // stored Imports of ServerA after a registration
};

std::wstring numberedImports(int count) {
    std::wstring text;
    for (int i = 1; i <= count; ++i)
        text += L" " + std::to_wstring(i);
    return text;
}

std::wstring joinedNumbers(int count) {
    std::wstring text;
    for (int i = 1; i <= count; ++i)
        text += (i > 1 ? L", " : L"") + std::to_wstring(i);
    return text;
}

void expectShown(const HostTool& host, Shown shown) {
    const auto& messages = host.messages.shown;
    const auto& listings = host.listings.opened;
    switch (shown) {
        case Shown::nothing:
            EXPECT_TRUE(messages.empty());
            EXPECT_TRUE(listings.empty());
            return;
        case Shown::listing:
            EXPECT_TRUE(messages.empty());
            EXPECT_EQ(listings.size(), 1u);
            return;
        default:
            break;
    }
    EXPECT_TRUE(listings.empty());
    ASSERT_EQ(messages.size(), 1u);
    const ShownMessage& message = messages.front();
    EXPECT_EQ(message.caption, hostTitle);
    switch (shown) {
        case Shown::usageInfo:
            EXPECT_EQ(message, (ShownMessage{MessageIcon::information, hostTitle, expectedUsage}));
            break;
        case Shown::usageError:
            EXPECT_EQ(message, (ShownMessage{MessageIcon::exclamation, hostTitle, expectedUsage}));
            break;
        case Shown::registered:
            EXPECT_EQ(message.icon, MessageIcon::information);
            EXPECT_EQ(message.text.rfind(L"Server \"ServerA\" successfully registered.\r\n", 0), 0u)
                << narrow(message.text);
            break;
        case Shown::unregistered:
            EXPECT_EQ(message, (ShownMessage{MessageIcon::information, hostTitle,
                                             L"Server \"ServerA\" successfully unregistered."}));
            break;
        default:
            break;
    }
}

TEST(RunServerCommand, ChoosesTheOperationFromSwitchesAndOperands) {
    const std::vector<CommandCase> cases = {
        {L"", 1, Shown::usageError, false, Effect::none},
        {L"/?", 0, Shown::usageInfo, false, Effect::none},
        {L"/? /x", 0, Shown::usageInfo, false, Effect::none},
        {L"/? /s", 0, Shown::usageInfo, false, Effect::none},
        {L"/s /?", 0, Shown::nothing, true, Effect::none},
        {L"/x /?", 1, Shown::usageError, false, Effect::none},
        {L"/S ServerA C:\\a.jar", 0, Shown::nothing, true, Effect::registered},
        {L"-s ServerA C:\\a.jar", 0, Shown::nothing, true, Effect::registered},
        {L"/U ServerA", 0, Shown::unregistered, false, Effect::removed},
        {L"-u ServerA", 0, Shown::unregistered, false, Effect::removed},
        {L"-L", 0, Shown::listing, false, Effect::none},
        {L"/l /l", 0, Shown::listing, false, Effect::none},
        {L"/u /u ServerA", 0, Shown::unregistered, false, Effect::removed},
        {L"/silent ServerA C:\\a.jar", 1, Shown::usageError, false, Effect::none},
        {L"//s ServerA C:\\a.jar", 1, Shown::usageError, false, Effect::none},
        {L"/us ServerA", 1, Shown::usageError, false, Effect::none},
        {L"- ServerA C:\\a.jar", 1, Shown::usageError, false, Effect::none},
        {L"/ ServerA C:\\a.jar", 1, Shown::usageError, false, Effect::none},
        {L"QQ ServerA C:\\a.jar", 1, Shown::usageError, false, Effect::none},
        {L"/s", 1, Shown::nothing, true, Effect::none},
        {L"/s /x", 1, Shown::nothing, true, Effect::none},
        {L"/x /s", 1, Shown::usageError, false, Effect::none},
        {L"/l /s", 1, Shown::nothing, true, Effect::none},
        {L"/s /l", 1, Shown::nothing, true, Effect::none},
        {L"/l /u", 1, Shown::usageError, false, Effect::none},
        {L"/u /l", 1, Shown::usageError, false, Effect::none},
        {L"/u /l ServerA", 1, Shown::usageError, false, Effect::none},
        {L"/l x", 1, Shown::usageError, false, Effect::none},
        {L"/u", 1, Shown::usageError, false, Effect::none},
        {L"/u a b", 1, Shown::usageError, false, Effect::none},
        {L"/s /u", 1, Shown::nothing, true, Effect::none},
        {L"ServerA", 1, Shown::usageError, false, Effect::none},
        {L"/s /u ServerA", 0, Shown::nothing, true, Effect::removed},
        {L"/u /s ServerA", 0, Shown::nothing, true, Effect::removed},
        {L"ServerA C:\\a.jar", 0, Shown::registered, false, Effect::registered, L""},
        {L"ServerA C:\\a.jar /s", 0, Shown::registered, false, Effect::registered, L"/s"},
        {L"ServerA C:\\a.jar /u /l", 0, Shown::registered, false, Effect::registered, L"/u, /l"},
        {L"ServerA C:\\a.jar B C", 0, Shown::registered, false, Effect::registered, L"B, C"},
        {L"ServerA C:\\a.jar QQ B", 0, Shown::registered, false, Effect::registered, L"B"},
        {L"ServerA C:\\a.jar B QQ C", 0, Shown::registered, false, Effect::registered, L"B, , C"},
        {L"ServerA C:\\a.jar B QQ", 0, Shown::registered, false, Effect::registered, L"B, "},
        {L"ServerA C:\\a.jar QQ QQ", 0, Shown::registered, false, Effect::registered, L""},
        {L"ServerA C:\\a.jar QB CQ", 0, Shown::registered, false, Effect::registered, L"B C"},
        {L"ServerA C:\\a.jar TBTT,C ", 0, Shown::registered, false, Effect::registered, L"B, ,C"},
        {L"ServerA C:\\a.jar" + numberedImports(30), 0, Shown::registered, false,
         Effect::registered, joinedNumbers(30)},
        // No argument is dropped: every import arrives, however many there are.
        {L"ServerA C:\\a.jar" + numberedImports(40), 0, Shown::registered, false,
         Effect::registered, joinedNumbers(40)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(narrow(c.arguments));
        HostTool host;
        host.putRecord(L"ServerA", L"C:\\old.jar", L"");
        const std::wstring before = host.registry.dump(L"HKLM");

        std::int32_t exitCode =
            runServerCommand(host.tool, getArguments(hostProgram, expandQuotes(c.arguments)));

        EXPECT_EQ(exitCode, c.exitCode);
        EXPECT_EQ(host.tool.silentMode, c.silent);
        expectShown(host, c.shown);
        switch (c.effect) {
            case Effect::none:
                EXPECT_EQ(host.registry.dump(L"HKLM"), before);
                break;
            case Effect::registered:
                EXPECT_EQ(host.registry.text(recordPath(L"ServerA"), L"Classpath"), L"C:\\a.jar");
                EXPECT_EQ(host.registry.text(recordPath(L"ServerA"), L"Imports"), c.imports);
                break;
            case Effect::removed:
                EXPECT_FALSE(host.registry.keyExists(recordPath(L"ServerA")));
                EXPECT_TRUE(host.registry.keyExists(serversPath));
                break;
        }
        EXPECT_EQ(host.registry.openHandles(), 0u);
    }
}

TEST(RunServerCommand, ReportsAFailedRegistrationOnlyThroughItsMessage) {
    const std::pair<std::wstring, std::size_t> cases[] = {
        {L"ServerA C:\\a.jar", 1},
        {L"/s ServerA C:\\a.jar", 0},
    };
    for (const auto& [arguments, messages] : cases) {
        HostTool host;
        host.registry.failCall(RegistryCall::createKey, recordPath(L"ServerA"),
                               status::accessDenied);
        EXPECT_EQ(runServerCommand(host.tool, getArguments(hostProgram, arguments)), 0);
        EXPECT_EQ(host.messages.shown.size(), messages);
        EXPECT_FALSE(host.registry.keyExists(serversPath));
    }
}

}  // namespace
}  // namespace volmora::testing
