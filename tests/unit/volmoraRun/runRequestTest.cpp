// volmoraRun's command line: the request it reads, and the child command line that the
// programs' own splitter reads back into exactly the arguments the runner was given.
#include <gtest/gtest.h>

#include <string>
#include <variant>
#include <vector>

#include "arguments.h"
#include "runRequest.h"

namespace volmora::runner {
namespace {

using Arguments = std::vector<std::wstring>;

Arguments splitBack(const std::wstring& commandLine) {
    ArgumentList list = getArguments(L"program", argumentText(commandLine));
    return Arguments(list.begin() + 1, list.end());
}

TEST(ChildCommandLine, QuotesOnlyWhatTheSplitterNeedsQuoted) {
    const struct {
        std::wstring argument;
        std::wstring quoted;
    } cases[] = {
        {L"/s", L"/s"},
        {L"", L"\"\""},
        {L"My JVM", L"\"My JVM\""},
        {L"a\tb", L"\"a\tb\""},
        // No escapes in the programs' splitter: backslashes stay, even before the closing quote.
        {L"C:\\Program Files\\VOLM\\", L"\"C:\\Program Files\\VOLM\\\""},
        {L"C:\\VOLM\\lib\\", L"C:\\VOLM\\lib\\"},
        {L"\\\\server\\share", L"\\\\server\\share"},
        {L"caf\u00E9", L"caf\u00E9"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(quoteArgument(c.argument), c.quoted);
    }
    EXPECT_EQ(childCommandLine(L"C:\\Program Files\\VOLM\\bin\\bindHost.exe", {L"/s", L"S 1", L""}),
              L"\"C:\\Program Files\\VOLM\\bin\\bindHost.exe\" /s \"S 1\" \"\"");
}

TEST(ChildCommandLine, SplitsBackIntoTheSameArguments) {
    const std::wstring pair{wchar_t(0xD83D), wchar_t(0xDE00)};
    const Arguments cases[] = {
        {},
        {L"/s", L"MyJVM", L"C:\\jre\\bin\\server\\jvm.dll", L"-Xmx64m"},
        {L"", L"", L"x"},
        {L"  leading and trailing  ", L"\t"},
        {L"C:\\Program Files\\", L"\\", L"\\\\", L"a\\ b\\"},
        {L"-Djava.class.path=C:\\My Server\\a.jar;C:\\VOLM\\lib\\VOLM.jar", L"-Xss1m"},
        {L"\u65E5\u672C \u8A9E", L"\u00E9\u00E8", pair, L"x" + pair + L" y"},
        {L"{9D3A4E2F-7B61-4F08-B5C2-3E8A1D6F0C57}", L"com.tamsiver.sample.Greeter"},
    };
    for (const Arguments& arguments : cases) {
        const std::wstring line = childCommandLine(L"C:\\a b\\bindObject.exe", arguments);
        EXPECT_EQ(splitBack(line), arguments);
    }
}

// Whatever command line the runner is given, the program receives the arguments it would have
// received had it been given that command line itself.
TEST(ChildCommandLine, PassesOnWhatTheRunnersOwnCommandLineHeld) {
    const std::wstring texts[] = {
        L" /s \"My JVM\" \"\" x",
        L" a\"b c\"d \"e\"\"f\"",
        L" \"unclosed quote runs to the end",
        L" x\\\"y z",
        L"\t\ttabs\t\"and\tquotes\"  ",
        L" \"\" \"\"\"\"",
        L" C:\\Program\" \"Files\\ trailing\\",
    };
    for (const std::wstring& text : texts) {
        const ArgumentList given = getArguments(L"volmoraRun", text);
        const Arguments arguments(given.begin() + 1, given.end());
        EXPECT_EQ(splitBack(childCommandLine(L"p.exe", arguments)), arguments)
            << std::string(text.begin(), text.end());
    }
}

struct RequestCase {
    Arguments arguments;   // after the runner's path
    std::wstring program;  // empty: refused
    Arguments programArguments = {};
    std::wstring logFile = {};
    std::wstring refusal = {};  // a part of the refusal's text
};

TEST(RunRequest, NamesAKnownProgramAndRefusesEverythingElse) {
    const RequestCase cases[] = {
        {{L"bindObject", L"/s", L"Sample.Greeter"}, L"bindObject", {L"/s", L"Sample.Greeter"}},
        {{L"BINDHOST", L"/u", L"/s", L"S"}, L"bindHost", {L"/u", L"/s", L"S"}},
        {{L"bindSchema"}, L"bindSchema", {}},
        {{L"/log", L"C:\\t\\run.log", L"bindRuntime", L"/s", L"J"},
         L"bindRuntime",
         {L"/s", L"J"},
         L"C:\\t\\run.log"},
        {{L"/LOG", L"x.log", L"bindRuntime", L""}, L"bindRuntime", {L""}, L"x.log"},
        // "/l" after the first operand is an operand, and "/?" ends the switches.
        {{L"bindObject", L"/s", L"P", L"/l"}, L"bindObject", {L"/s", L"P", L"/l"}},
        {{L"bindObject", L"/?", L"/l"}, L"bindObject", {L"/?", L"/l"}},
        {{L"bindObject", L"/sl"}, L"bindObject", {L"/sl"}},
        {{}, L"", {}, L"", L"No program named."},
        {{L"/log", L"x.log"}, L"", {}, L"", L"No program named."},
        {{L"/log"}, L"", {}, L"", L"/log needs a file name."},
        {{L"/log", L"", L"bindHost"}, L"", {}, L"", L"/log needs a file name."},
        {{L"bindObject.exe", L"/s"}, L"", {}, L"", L"Unknown program \"bindObject.exe\"."},
        {{L"..\\bindObject"}, L"", {}, L"", L"Unknown program"},
        {{L"cmd", L"/c", L"x"}, L"", {}, L"", L"Unknown program \"cmd\"."},
        {{L"/s", L"bindObject"}, L"", {}, L"", L"Unknown program \"/s\"."},
        {{L"bindObject", L"/l"}, L"", {}, L"", L"A listing (/l)"},
        {{L"bindRuntime", L"/s", L"-L"}, L"", {}, L"", L"A listing (/l)"},
        {{L"bindHost", L"", L"/l"}, L"", {}, L"", L"A listing (/l)"},
        {{L"bindSchema", L"/l"}, L"", {}, L"", L"A listing (/l)"},
        {{L"bindObject", L"/x", L"/l"}, L"", {}, L"", L"A listing (/l)"},
    };
    for (const RequestCase& c : cases) {
        ArgumentList arguments{L"C:\\VOLM\\bin\\volmoraRun.exe"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        const auto request = readRequest(arguments);
        if (c.program.empty()) {
            ASSERT_TRUE(std::holds_alternative<Misuse>(request));
            EXPECT_NE(std::get<Misuse>(request).text.find(c.refusal), std::wstring::npos);
            continue;
        }
        ASSERT_TRUE(std::holds_alternative<RunRequest>(request));
        const RunRequest& run = std::get<RunRequest>(request);
        EXPECT_EQ(run.program, c.program);
        EXPECT_EQ(run.arguments, c.programArguments);
        EXPECT_EQ(run.logFile.value_or(L""), c.logFile);
    }
}

}  // namespace
}  // namespace volmora::runner
