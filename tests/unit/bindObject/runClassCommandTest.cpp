// bindObject's command line: the exact usage text, and which lines it refuses or accepts.
#include <gtest/gtest.h>

#include <string>

#include "bindObject.h"
#include "expectedUsage.h"
#include "fakePlatform.h"

namespace volmora {
namespace {

using testing::FakeTool;
using testing::ShownMessage;

const std::wstring& usage = volmora::testing::expectedClassUsage;

TEST(ClassUsage, IsTheTwentyOneLineText) {
    EXPECT_EQ(classUsageText(), usage);
    FakeTool fake;
    showClassUsage(fake.tool, true);
    showClassUsage(fake.tool, false);
    fake.tool.silentMode = true;
    showClassUsage(fake.tool, false);
    const std::vector<ShownMessage> expected{
        {MessageIcon::exclamation, L"Volmora - Bind Object", usage},
        {MessageIcon::information, L"Volmora - Bind Object", usage},
    };
    EXPECT_EQ(fake.messages.shown, expected);
}

struct RefusedLine {
    std::wstring arguments;
    std::int32_t exitCode;
    bool shown;
    MessageIcon icon;
};

TEST(RunClassCommand, RefusesLinesThatFitNoModeWithTheUsage) {
    const RefusedLine lines[] = {
        {L"", 1, true, MessageIcon::exclamation},
        {L"/s", 1, false, MessageIcon::exclamation},
        {L"/?", 0, true, MessageIcon::information},
        {L"/s /?", 0, false, MessageIcon::information},
        {L"/? /s", 0, true, MessageIcon::information},
        {L"/x /?", 1, true, MessageIcon::exclamation},
        {L"/sx", 1, true, MessageIcon::exclamation},
        {L"\"\"", 1, true, MessageIcon::exclamation},
        {L"/l extra", 1, true, MessageIcon::exclamation},
        {L"/l /s", 1, false, MessageIcon::exclamation},
        {L"/s /l", 1, false, MessageIcon::exclamation},
        {L"/u /l x", 1, true, MessageIcon::exclamation},
        {L"/u", 1, true, MessageIcon::exclamation},
        {L"/u a b", 1, true, MessageIcon::exclamation},
        {L"a b c", 1, true, MessageIcon::exclamation},
        {L"a b c d e f", 1, true, MessageIcon::exclamation},
    };
    for (const RefusedLine& line : lines) {
        FakeTool fake;
        const std::int32_t exitCode =
            runClassCommand(fake.tool, getArguments(fake.tool.programPath, line.arguments));
        const std::string text(line.arguments.begin(), line.arguments.end());
        EXPECT_EQ(exitCode, line.exitCode) << text;
        std::vector<ShownMessage> expected;
        if (line.shown) {
            expected.push_back({line.icon, L"Volmora - Bind Object", usage});
        }
        EXPECT_EQ(fake.messages.shown, expected) << text;
    }
}

TEST(RunClassCommand, AcceptedLinesReachTheirOperationWithoutTheUsage) {
    const std::wstring lines[] = {
        L"P C J V", L"P C J V S", L"/s P C J V", L"P C J V /s", L"P C J V \"\"",
        L"/u P",    L"/s /u P",   L"/u /s P",    L"/l",
    };
    for (const std::wstring& line : lines) {
        FakeTool fake;
        try {
            EXPECT_EQ(runClassCommand(fake.tool, getArguments(fake.tool.programPath, line)), 0);
        } catch (const ToolError&) {
            // The operation itself failed: the internal-error handler reports that.
        }
        for (const ShownMessage& message : fake.messages.shown) {
            EXPECT_NE(message.text, usage) << std::string(line.begin(), line.end());
        }
    }
}

}  // namespace
}  // namespace volmora
