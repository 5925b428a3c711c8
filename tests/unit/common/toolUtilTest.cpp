// The program frame: start-up, the start-up failure of the file-system object, the exit rules,
// the development environment and the internal-error handler.
#include <gtest/gtest.h>

#include <new>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "fakePlatform.h"
#include "toolUtil.h"

namespace volmora {
namespace {

using testing::FakeListingWindows;
using testing::FakeMessageBoxes;
using testing::FakeSystem;
using testing::MemoryRegistry;
using testing::ProcessExit;
using testing::ShownMessage;

constexpr std::int32_t classNotRegistered = -2147221164;  // 0x80040154

// A dispatcher driven by its first argument, so each case says on its command line what the
// tool does: "return N", "raise N", "silent" (turn on silent mode, then raise 429), "list"
// (open a listing, return 7), "nomemory", "echo" (show the argument list).
std::int32_t scriptedDispatch(Tool& tool, ArgumentList arguments) {
    const std::wstring action = arguments.size() > 1 ? arguments[1] : L"";
    const bool numbered = (action == L"return" || action == L"raise") && arguments.size() > 2;
    const std::int32_t number = numbered ? std::stoi(arguments[2]) : 0;
    if (action == L"return") {
        return number;
    }
    if (action == L"raise") {
        raiseToolError(number, L"it broke");
    }
    if (action == L"silent") {
        tool.silentMode = true;
        raiseToolError(429, L"quietly");
    }
    if (action == L"list") {
        tool.listings().open(L"Volmora - Listing", L"text");
        return 7;
    }
    if (action == L"nomemory") {
        throw std::bad_alloc();
    }
    if (action == L"foreign") {
        throw ToolError{-2147352567, L"Scripting.FileSystemObject", L"Path not found"};
    }
    std::wstring shown;
    for (const auto& argument : arguments) {
        shown += L"[" + argument + L"]";
    }
    tool.showInfo(shown);
    return 0;
}

// One run of the main routine over fakes: what was shown and how it ended.
struct FrameRun {
    MemoryRegistry registry;
    FakeMessageBoxes messages;
    FakeListingWindows listings;
    FakeSystem system;
    Platform platform{registry, messages, listings, system};
    std::optional<std::uint32_t> processExit;  // set when the process was ended
    std::int32_t returned = -1;                // the main routine's result otherwise

    FrameRun& start(const std::wstring& commandLine,
                    FileSystemStart fileSystemStart = FileSystemStart::exitWithMessage,
                    bool waitsForListing = true, std::wstring_view toolName = L"Bind Object") {
        system.commandLineText = commandLine;
        const ToolDefinition definition{L"bindObject",   toolName,        L"bindObjectProject",
                                        fileSystemStart, waitsForListing, scriptedDispatch};
        try {
            returned = runTool(platform, definition);
        } catch (const ProcessExit& exit) {
            processExit = exit.exitCode;
        }
        return *this;
    }
};

TEST(ToolTitle, IsTheApplicationTitleWithTheToolName) {
    const std::pair<std::wstring_view, std::wstring> cases[] = {
        {L"Bind Object", L"Volmora - Bind Object"},
        {L"Bind Runtime", L"Volmora - Bind Runtime"},
        {L"", L"Volmora"},
    };
    for (const auto& [toolName, title] : cases) {
        FrameRun run;
        run.start(L"tool.exe echo", FileSystemStart::exitWithMessage, true, toolName);
        ASSERT_EQ(run.messages.shown.size(), 1u);
        EXPECT_EQ(run.messages.shown[0].caption, title);
    }
}

TEST(MainRoutine, HandsTheSplitArgumentsToTheDispatcherAfterTheProgramPath) {
    FrameRun run;
    run.system.programPath = L"C:\\Program Files\\VOLM\\bindObject.exe";
    run.start(L"\"C:\\Program Files\\VOLM\\bindObject.exe\"  echo \"a b\"\tc");
    ASSERT_EQ(run.messages.shown.size(), 1u);
    EXPECT_EQ(run.messages.shown[0].text,
              L"[C:\\Program Files\\VOLM\\bindObject.exe][echo][a b][c]");
    EXPECT_EQ(run.processExit, 0u);
}

TEST(MainRoutine, EndsTheProcessWithTheDispatchersResultUnchanged) {
    const std::pair<const wchar_t*, std::uint32_t> cases[] = {
        {L"0", 0u},       {L"1", 1u},           {L"5", 5u},
        {L"1627", 1627u}, {L"-1", 0xFFFFFFFFu}, {L"-2147483648", 0x80000000u},
    };
    for (const auto& [result, exitCode] : cases) {
        FrameRun run;
        run.start(std::wstring(L"tool.exe return ") + result);
        EXPECT_EQ(run.processExit, exitCode) << result;
        EXPECT_TRUE(run.messages.shown.empty());
    }
}

TEST(MainRoutine, ServesAnOpenListingAndThenEndsNormallyWithZero) {
    FrameRun run;
    run.start(L"tool.exe list");
    EXPECT_FALSE(run.processExit.has_value());
    EXPECT_TRUE(run.listings.served);
    EXPECT_EQ(run.returned, 0);
}

TEST(MainRoutine, ToolWithoutListingEndsWithTheDispatchersResultEvenWithAWindowOpen) {
    FrameRun run;
    run.start(L"tool.exe list", FileSystemStart::internalError, false);
    EXPECT_FALSE(run.listings.served);
    EXPECT_EQ(run.processExit, 7u);
}

struct StartFailureCase {
    std::wstring systemRoot;
    std::wstring commandLine;
    std::wstring programPath;
    std::wstring text;
};

TEST(CreateObjectOrExit, ShowsTheStopMessageAndEndsWithFourWhateverTheCommandLine) {
    const std::wstring registered = L"Cannot create Scripting.FileSystemObject .. is ";
    const StartFailureCase cases[] = {
        {L"C:\\WINDOWS", L"bindObject.exe", L"C:\\VOLM\\bindObject.exe",
         registered + L"C:\\WINDOWS\\System32\\scrrun.dll registered?"},
        {L"C:\\WINDOWS", L"bindObject.exe /s a b c d", L"C:\\VOLM\\bindObject.exe",
         registered + L"C:\\WINDOWS\\System32\\scrrun.dll registered?"},
        {L"D:\\Win", L"vb6.exe return 0", L"C:\\VB98\\VB6.EXE",
         registered + L"D:\\Win\\System32\\scrrun.dll registered?"},
        {L"", L"bindObject.exe /?", L"C:\\VOLM\\bindObject.exe",
         registered + L"scrrun.dll registered?"},
    };
    for (const auto& c : cases) {
        FrameRun run;
        run.system.systemRoot = c.systemRoot;
        run.system.programPath = c.programPath;
        run.system.fileSystemResult = classNotRegistered;
        run.start(c.commandLine);
        EXPECT_EQ(run.processExit, 4u) << c.commandLine;
        ASSERT_EQ(run.messages.shown.size(), 1u) << c.commandLine;
        EXPECT_EQ(run.messages.shown[0],
                  (ShownMessage{MessageIcon::stop, L"Volmora - Bind Object", c.text}));
    }
}

TEST(InitTool, FileSystemFailureOfAToolWithoutStartMessageIsAnInternalErrorShownDespiteSilent) {
    FrameRun run;
    run.system.fileSystemResult = classNotRegistered;
    run.start(L"bindRuntime.exe /s return 0", FileSystemStart::internalError, true,
              L"Bind Runtime");
    EXPECT_EQ(run.processExit, 0x80040154u);
    ASSERT_EQ(run.messages.shown.size(), 1u);
    EXPECT_EQ(run.messages.shown[0].icon, MessageIcon::exclamation);
    EXPECT_EQ(run.messages.shown[0].caption, L"Volmora - Bind Runtime");
    EXPECT_EQ(run.messages.shown[0].text.rfind(L"Internal error: number=0x80040154, source=", 0),
              0u)
        << run.messages.shown[0].text;
}

TEST(InternalError, IsReportedWithItsNumberInHexAndEndsWithTheNumber) {
    struct Case {
        std::wstring commandLine;
        std::wstring text;
        std::uint32_t exitCode;
    };
    const std::wstring own = L", source=bindObjectProject, description=it broke";
    const Case cases[] = {
        {L"t raise 5", L"Internal error: number=0x5" + own, 5u},
        {L"t raise 429", L"Internal error: number=0x1AD" + own, 429u},
        // A failure without a number of its own must not end the process as a success.
        {L"t raise 0", L"Internal error: number=0x80004005" + own, 0x80004005u},
        {L"t raise -2147221164", L"Internal error: number=0x80040154" + own, 0x80040154u},
        {L"t raise -1", L"Internal error: number=0xFFFFFFFF" + own, 0xFFFFFFFFu},
        {L"t foreign",
         L"Internal error: number=0x80020009, source=Scripting.FileSystemObject, "
         L"description=Path not found",
         0x80020009u},
    };
    for (const auto& c : cases) {
        FrameRun run;
        run.start(c.commandLine);
        EXPECT_EQ(run.processExit, c.exitCode) << c.commandLine;
        ASSERT_EQ(run.messages.shown.size(), 1u) << c.commandLine;
        EXPECT_EQ(run.messages.shown[0],
                  (ShownMessage{MessageIcon::exclamation, L"Volmora - Bind Object", c.text}));
    }
}

TEST(InternalError, InSilentModeShowsNothingAndStillEndsWithTheNumber) {
    FrameRun run;
    run.start(L"t silent");
    EXPECT_TRUE(run.messages.shown.empty());
    EXPECT_EQ(run.processExit, 429u);
}

TEST(InternalError, OutOfMemoryIsReportedLikeAnyOtherInternalError) {
    FrameRun run;
    run.start(L"t nomemory");
    ASSERT_EQ(run.messages.shown.size(), 1u);
    const std::wstring& text = run.messages.shown[0].text;
    EXPECT_EQ(text.rfind(L"Internal error: number=0x", 0), 0u) << text;
    EXPECT_NE(text.find(L"description=Out of memory"), std::wstring::npos) << text;
    ASSERT_TRUE(run.processExit.has_value());
    EXPECT_NE(*run.processExit, 0u);
}

TEST(DevelopmentEnvironment, IsSetOnlyForAProgramFileNamedVb6) {
    const std::pair<std::wstring, bool> cases[] = {
        {L"C:\\VB98\\VB6.EXE", true},        {L"C:\\VB98\\vb6.exe", true},
        {L"C:\\x\\Vb6.Exe", true},           {L"C:\\x\\vb6", true},
        {L"C:\\VB6\\bindObject.exe", false}, {L"C:\\x\\vb6x.exe", false},
        {L"C:\\x\\myvb6.exe", false},        {L"C:\\x\\vb6.exe.bak", false},
    };
    for (const auto& [path, inDev] : cases) {
        MemoryRegistry registry;
        FakeMessageBoxes messages;
        FakeListingWindows listings;
        FakeSystem system;
        system.programPath = path;
        Platform platform{registry, messages, listings, system};
        Tool tool(platform);
        tool.initTool(L"Bind Object", FileSystemStart::exitWithMessage);
        EXPECT_EQ(tool.inDevEnvironment, inDev) << std::string(path.begin(), path.end());
        EXPECT_EQ(tool.programPath, path);
        EXPECT_FALSE(tool.silentMode);
    }
}

TEST(DevelopmentEnvironment, ReturnsTheExitCodeInsteadOfEndingTheProcess) {
    struct Case {
        std::wstring commandLine;
        std::int32_t returned;
        std::size_t messages;
    };
    const Case cases[] = {
        {L"vb6.exe return 0", 0, 0},
        {L"vb6.exe return 1", 1, 0},
        {L"vb6.exe return 5", 5, 0},
        {L"vb6.exe raise 429", 429, 1},
        {L"vb6.exe raise -2147221164", classNotRegistered, 1},
        {L"vb6.exe silent", 429, 0},
    };
    for (const auto& c : cases) {
        FrameRun run;
        run.system.programPath = L"C:\\VB98\\VB6.EXE";
        run.start(c.commandLine);
        EXPECT_FALSE(run.processExit.has_value()) << c.commandLine;
        EXPECT_EQ(run.returned, c.returned) << c.commandLine;
        EXPECT_EQ(run.messages.shown.size(), c.messages) << c.commandLine;
    }
}

TEST(Messages, AreShownWithTheirIconAndTitleAndNotInSilentMode) {
    MemoryRegistry registry;
    FakeMessageBoxes messages;
    FakeListingWindows listings;
    FakeSystem system;
    Platform platform{registry, messages, listings, system};
    Tool tool(platform);
    tool.initTool(L"Bind Host", FileSystemStart::exitWithMessage);
    tool.showError(L"bad");
    tool.showInfo(L"good");
    tool.silentMode = true;
    tool.showError(L"hidden");
    tool.showInfo(L"hidden");
    const std::vector<ShownMessage> expected{
        {MessageIcon::exclamation, L"Volmora - Bind Host", L"bad"},
        {MessageIcon::information, L"Volmora - Bind Host", L"good"},
    };
    EXPECT_EQ(messages.shown, expected);
}

struct OutcomeCase {
    std::wstring commandLine;
    std::wstring programPath;
    std::int32_t fileSystemResult;
    const char* messages;  // the expected "messages" member as JSON
    bool silent;
    const char* listing;  // nullptr: no listing member
    std::uint32_t exitCode;
};

// Every way a run ends leaves exactly one record, appended to the file the variable names.
TEST(OutcomeLog, RecordsEveryWayARunEnds) {
    const std::wstring tool = L"C:\\VOLM\\bindObject.exe";
    const OutcomeCase outcomes[] = {
        {L"t return 1", tool, 0, "[]", false, nullptr, 1u},
        {L"t echo \"a b\"", tool, 0,
         R"([{"kind":"information","text":"[C:\\VOLM\\bindObject.exe][echo][a b]","shown":true}])",
         false, nullptr, 0u},
        {L"t silent", tool, 0,
         R"([{"kind":"error","text":"Internal error: number=0x1AD, source=bindObjectProject, description=quietly","shown":false}])",
         true, nullptr, 429u},
        {L"t raise -2147221164", tool, 0,
         R"([{"kind":"error","text":"Internal error: number=0x80040154, source=bindObjectProject, description=it broke","shown":true}])",
         false, nullptr, 0x80040154u},
        {L"t nomemory", tool, 0,
         R"([{"kind":"error","text":"Internal error: number=0x8, source=bindObjectProject, description=Out of memory","shown":true}])",
         false, nullptr, 8u},
        {L"t list", tool, 0, "[]", false, "Volmora - Volmora - Listing", 0u},
        {L"t /s", tool, classNotRegistered,
         R"([{"kind":"critical","text":"Cannot create Scripting.FileSystemObject .. is C:\\WINDOWS\\System32\\scrrun.dll registered?","shown":true}])",
         false, nullptr, 4u},
        {L"vb6 raise 5", L"C:\\VB98\\VB6.EXE", 0,
         R"([{"kind":"error","text":"Internal error: number=0x5, source=bindObjectProject, description=it broke","shown":true}])",
         false, nullptr, 5u},
    };
    for (const auto& c : outcomes) {
        SCOPED_TRACE(std::string(c.commandLine.begin(), c.commandLine.end()));
        FrameRun run;
        run.system.outcomeLogPath = L"setup.log";
        run.system.programPath = c.programPath;
        run.system.fileSystemResult = c.fileSystemResult;
        run.start(c.commandLine);
        ASSERT_EQ(run.system.appended.size(), 1u);
        EXPECT_EQ(run.system.appended[0].first, L"setup.log");
        const std::string& line = run.system.appended[0].second;
        EXPECT_EQ(line.find('\n'), line.size() - 1);
        nlohmann::ordered_json expected = {
            {"time", "2026-12-07T09:05:03.042Z"},
            {"program", "bindObject"},
            {"pid", 4242},
            {"commandLine", std::string(c.commandLine.begin(), c.commandLine.end())},
            {"silent", c.silent},
            {"messages", nlohmann::ordered_json::parse(c.messages)},
        };
        if (c.listing != nullptr) {
            expected["listing"] = c.listing;
        }
        expected["exitCode"] = c.exitCode;
        EXPECT_EQ(nlohmann::ordered_json::parse(line), expected);
    }
}

TEST(OutcomeLog, WithoutTheVariableNothingIsAppended) {
    for (const wchar_t* commandLine : {L"t echo", L"t raise 5", L"t list"}) {
        FrameRun run;
        run.start(commandLine);
        EXPECT_TRUE(run.system.appended.empty()) << commandLine;
    }
}

}  // namespace
}  // namespace volmora
