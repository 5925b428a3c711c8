// volmoraRun's command line: the request it reads, and the bound of a caller's wait for it.
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

// The caller's bound always lies beyond the runner's, whatever /timeout the runner was given.
TEST(CallerBound, IsTheRunnersBoundPlusTheMargin) {
    const struct {
        Arguments arguments;
        std::uint64_t seconds;
    } cases[] = {
        {{L"bindHost", L"/s", L"S"}, defaultTimeoutSeconds + runnerMarginSeconds},
        {{L"/timeout", L"1200", L"bindHost", L"/s", L"S"}, 1200 + runnerMarginSeconds},
        {{L"/log", L"a", L"/TIMEOUT", L"2", L"bindRuntime", L"/s", L"J"}, 2 + runnerMarginSeconds},
        {{L"/timeout", L"4294967", L"bindHost", L"/s", L"S"},
         std::uint64_t{maxTimeoutSeconds} + runnerMarginSeconds},
        // Refused at once by the runner.
        {{L"/timeout", L"0", L"bindHost", L"/s", L"S"},
         defaultTimeoutSeconds + runnerMarginSeconds},
        {{L"bindHost", L"S"}, defaultTimeoutSeconds + runnerMarginSeconds},
    };
    for (const auto& c : cases) {
        ArgumentList arguments{L"C:\\VOLM\\bin\\volmoraRun.exe"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        EXPECT_EQ(callerBoundSeconds(arguments), c.seconds) << narrowText(c.arguments.front());
    }
}

TEST(RunRequest, UsageNamesEveryProgram) {
    EXPECT_EQ(usageText(),
              L"usage: volmoraRun [/log <file>] [/timeout <seconds>] "
              L"bindObject|bindRuntime|bindHost|bindSchema <arguments...>");
}

}  // namespace
}  // namespace volmora::runner
