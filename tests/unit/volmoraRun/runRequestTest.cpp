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

std::string narrowText(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}

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

// Whatever command line the runner is given, the program receives the arguments it would have
// received had it been given that command line itself.
TEST(ChildCommandLine, PassesOnWhatTheRunnersOwnCommandLineHeld) {
    const std::wstring texts[] = {
        L" /s MyJVM C:\\jre\\bin\\server\\jvm.dll -Xmx64m",
        L" /s \"My JVM\" \"\" x",
        L" a\"b c\"d \"e\"\"f\"",
        L" \"unclosed quote runs to the end",
        L" x\\\"y z",
        L"\t\ttabs\t\"and\tquotes\"  ",
        L" \"\" \"\"\"\"",
        L" C:\\Program\" \"Files\\ trailing\\ \\\\server\\share",
        L" \"-Djava.class.path=C:\\My Server\\a.jar;C:\\VOLM\\lib\\VOLM.jar\" -Xss1m",
        L" \u65E5\u672C\" \"\u8A9E \u00E9\u00E8",
    };
    for (const std::wstring& text : texts) {
        const ArgumentList given = getArguments(L"volmoraRun", text);
        const Arguments arguments(given.begin() + 1, given.end());
        EXPECT_EQ(splitBack(childCommandLine(L"C:\\a b\\bindObject.exe", arguments)), arguments)
            << narrowText(text);
    }
}

struct RequestCase {
    Arguments arguments;   // after the runner's path
    std::wstring program;  // empty: refused
    Arguments programArguments = {};
    std::wstring logFile = {};
    std::uint32_t timeoutSeconds = defaultTimeoutSeconds;
    std::wstring refusal = {};  // the refusal's text begins with it
};

TEST(RunRequest, RunsOnlyWhatTheProgramRunsSilentlyAndRefusesEverythingElse) {
    const std::wstring noS = L"Without /s, ";
    const std::wstring listing = L"A listing (/l) waits for a user";
    const RequestCase cases[] = {
        {{L"bindObject", L"/s", L"Sample.Greeter"}, L"bindObject", {L"/s", L"Sample.Greeter"}},
        {{L"BINDHOST", L"/u", L"/s", L"S"}, L"bindHost", {L"/u", L"/s", L"S"}},
        {{L"bindSchema", L"-S", L"/U", L"x.tlb"}, L"bindSchema", {L"-S", L"/U", L"x.tlb"}},
        // The program refuses wrong operands itself, silently.
        {{L"bindSchema", L"/s"}, L"bindSchema", {L"/s"}},
        {{L"bindRuntime", L"/s", L"J"}, L"bindRuntime", {L"/s", L"J"}},
        // After the first operand nothing is a switch.
        {{L"bindObject", L"/s", L"P", L"/l", L"/?"}, L"bindObject", {L"/s", L"P", L"/l", L"/?"}},
        {{L"/log", L"C:\\t\\run.log", L"bindRuntime", L"/s", L"J"},
         L"bindRuntime",
         {L"/s", L"J"},
         L"C:\\t\\run.log"},
        {{L"/TIMEOUT", L"2", L"/LOG", L"x.log", L"bindHost", L"/s", L"S"},
         L"bindHost",
         {L"/s", L"S"},
         L"x.log",
         2},
        {{L"/timeout", L"4294967", L"bindHost", L"/s", L"S"},
         L"bindHost",
         {L"/s", L"S"},
         L"",
         4294967},
        // What would wait for a user: no /s, help, a listing, a switch the program refuses.
        {{L"bindObject", L"P", L"C", L"J", L"V"}, L"", {}, L"", 300, noS + L"bindObject shows"},
        {{L"bindHost", L"/u", L"S"}, L"", {}, L"", 300, noS + L"bindHost shows"},
        {{L"bindSchema"}, L"", {}, L"", 300, noS},
        {{L"bindObject", L"/s", L"/?"}, L"", {}, L"", 300, L"/? shows bindObject's usage"},
        {{L"bindRuntime", L"-?"}, L"", {}, L"", 300, L"/? shows"},
        {{L"bindObject", L"/l"}, L"", {}, L"", 300, listing},
        {{L"bindRuntime", L"/s", L"-L"}, L"", {}, L"", 300, listing},
        {{L"bindHost", L"/u", L"/l", L"S"}, L"", {}, L"", 300, listing},
        {{L"bindSchema", L"/s", L"/l"},
         L"",
         {},
         L"",
         300,
         L"bindSchema does not accept the switch \"/l\""},
        {{L"bindObject", L"/s", L"/x", L"/l"},
         L"",
         {},
         L"",
         300,
         L"bindObject does not accept the switch \"/x\""},
        {{L"bindHost", L"/s", L""}, L"", {}, L"", 300, L"bindHost does not accept the switch \"\""},
        {{L"bindObject", L"/sl"}, L"", {}, L"", 300, L"bindObject does not accept"},
        // The runner's own command line.
        {{}, L"", {}, L"", 300, L"No program named."},
        {{L"/log", L"x.log"}, L"", {}, L"", 300, L"No program named."},
        {{L"/log"}, L"", {}, L"", 300, L"/log needs one file name."},
        {{L"/log", L"", L"bindHost"}, L"", {}, L"", 300, L"/log needs one file name."},
        {{L"/log", L"a", L"/log", L"b", L"bindHost"}, L"", {}, L"", 300, L"/log needs one"},
        {{L"/timeout", L"0", L"bindHost", L"/s", L"S"}, L"", {}, L"", 300, L"/timeout needs"},
        {{L"/timeout", L"4294968", L"bindHost"}, L"", {}, L"", 300, L"/timeout needs"},
        {{L"/timeout", L"-5", L"bindHost"}, L"", {}, L"", 300, L"/timeout needs"},
        {{L"/timeout", L"2s", L"bindHost"}, L"", {}, L"", 300, L"/timeout needs"},
        {{L"/timeout", L"bindHost", L"/s"}, L"", {}, L"", 300, L"/timeout needs"},
        {{L"/timeout", L"2", L"/timeout", L"3", L"bindHost"}, L"", {}, L"", 300, L"/timeout needs"},
        {{L"bindObject.exe", L"/s"}, L"", {}, L"", 300, L"Unknown program \"bindObject.exe\"."},
        {{L"..\\bindObject"}, L"", {}, L"", 300, L"Unknown program"},
        {{L"cmd", L"/c", L"x"}, L"", {}, L"", 300, L"Unknown program \"cmd\"."},
        {{L"/s", L"bindObject"}, L"", {}, L"", 300, L"Unknown program \"/s\"."},
    };
    for (const RequestCase& c : cases) {
        ArgumentList arguments{L"C:\\VOLM\\bin\\volmoraRun.exe"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        const auto request = readRequest(arguments);
        const std::string trace = c.arguments.empty() ? "" : narrowText(c.arguments.front());
        if (c.program.empty()) {
            ASSERT_TRUE(std::holds_alternative<Misuse>(request)) << trace;
            EXPECT_TRUE(std::get<Misuse>(request).text.starts_with(c.refusal))
                << narrowText(std::get<Misuse>(request).text);
            continue;
        }
        ASSERT_TRUE(std::holds_alternative<RunRequest>(request)) << trace;
        const RunRequest& run = std::get<RunRequest>(request);
        EXPECT_EQ(run.program, c.program);
        EXPECT_EQ(run.arguments, c.programArguments);
        EXPECT_EQ(run.logFile.value_or(L""), c.logFile);
        EXPECT_EQ(run.timeoutSeconds, c.timeoutSeconds);
    }
}

TEST(RunRequest, UsageNamesEveryProgram) {
    EXPECT_EQ(usageText(),
              L"usage: volmoraRun [/log <file>] [/timeout <seconds>] "
              L"bindObject|bindRuntime|bindHost|bindSchema <arguments...>");
}

}  // namespace
}  // namespace volmora::runner
