// The command-line splitting rules and the argument list.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "arguments.h"

namespace volmora {
namespace {

// Q stands for a double quote, T for a tab, so the table reads like the rules.
std::wstring expand(std::wstring text) {
    for (auto& c : text) {
        if (c == L'Q')
            c = L'"';
        if (c == L'T')
            c = L'\t';
    }
    return text;
}

std::wstring numbers(int from, int to) {
    std::wstring text;
    for (int i = from; i <= to; ++i) {
        text += (text.empty() ? L"" : L" ") + std::to_wstring(i);
    }
    return text;
}

std::vector<std::wstring> numberList(int from, int to) {
    std::vector<std::wstring> list;
    for (int i = from; i <= to; ++i)
        list.push_back(std::to_wstring(i));
    return list;
}

struct SplitCase {
    std::wstring text;
    std::vector<std::wstring> expected;
};

TEST(GetArguments, SplitsByTheRulesOfTheCommandLine) {
    const std::vector<SplitCase> cases = {
        {L"", {}},
        {L"  TT  ", {}},
        {L"/s a b", {L"/s", L"a", L"b"}},
        {L"  a   bT", {L"a", L"b"}},
        {L"QC:\\Program Files\\Java\\bin\\client\\jvm.dllQ x",
         {L"C:\\Program Files\\Java\\bin\\client\\jvm.dll", L"x"}},
        {L"aQb cQd", {L"ab cd"}},
        {L"QQ x", {L"", L"x"}},
        {L"aQQb", {L"ab"}},
        {L"QQQQ", {L""}},
        {L"Qa b", {L"a b"}},
        {L"x\\Qy z", {L"x\\y z"}},
        {L"-Dx=Qa bQ", {L"-Dx=a b"}},
        {L"a\r\nb c", {L"a\r\nb", L"c"}},
        {L"QaTbQ", {L"aTb"}},
        // No argument is dropped, however many there are.
        {numbers(1, 40), numberList(1, 40)},
        {numbers(1, 33), numberList(1, 33)},
        {numbers(1, 32) + L" ", numberList(1, 32)},
        {numbers(1, 500), numberList(1, 500)},
    };
    for (const auto& c : cases) {
        ArgumentList arguments = getArguments(L"C:\\bin\\tool.exe", expand(c.text));
        std::vector<std::wstring> expected{L"C:\\bin\\tool.exe"};
        for (const auto& e : c.expected)
            expected.push_back(expand(e));
        EXPECT_EQ(arguments, expected)
            << "argument text: " << std::string(c.text.begin(), c.text.end());
    }
}

TEST(GetArguments, KeepsArgumentsOfAnyLength) {
    std::wstring longArgument(32000, L'x');
    ArgumentList arguments = getArguments(L"p", L"\"" + longArgument + L"\" y");
    ASSERT_EQ(arguments.size(), 3u);
    EXPECT_EQ(arguments[1], longArgument);
}

TEST(ArgumentText, TakesTheProgramNameOffTheCommandLine) {
    const std::vector<std::pair<std::wstring, std::wstring>> cases = {
        {L"bindObject.exe /s a", L" /s a"},
        {L"\"C:\\Program Files\\VOLM\\bindObject.exe\" /s a", L" /s a"},
        {L"\"C:\\a b\\x.exe\"/s", L"/s"},
        {L"x.exe", L""},
        {L"\"unclosed", L""},
        {L"x.exe\t/u", L"\t/u"},
        {L"", L""},
    };
    for (const auto& [line, expected] : cases) {
        EXPECT_EQ(argumentText(line), expected);
    }
}

// The one quoting grammar that starts the programs and volmoraRun: what getArguments reads back.
TEST(JoinArguments, QuotesOnlyWhatTheSplitterNeedsQuoted) {
    const struct {
        ArgumentList arguments;
        std::wstring line;
    } cases[] = {
        {{L"C:\\VOLM\\bindHost.exe"}, L"\"C:\\VOLM\\bindHost.exe\""},
        {{L"C:\\Program Files\\VOLM\\bin\\bindHost.exe", L"/s", L"S 1", L""},
         L"\"C:\\Program Files\\VOLM\\bin\\bindHost.exe\" /s \"S 1\" \"\""},
        {{L"p", L"a\tb", L"caf\u00E9"}, L"\"p\" \"a\tb\" caf\u00E9"},
        // No escapes in the programs' splitter: backslashes stay, even before the closing quote.
        {{L"p", L"C:\\Program Files\\VOLM\\", L"C:\\VOLM\\lib\\", L"\\\\server\\share"},
         L"\"p\" \"C:\\Program Files\\VOLM\\\" C:\\VOLM\\lib\\ \\\\server\\share"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(joinArguments(c.arguments), c.line);
    }
}

TEST(JoinArguments, RefusesADoubleQuoteAnywhere) {
    const ArgumentList cases[] = {
        {L"p", L"a\"b"},
        {L"p", L"/s", L"\""},
        {L"C:\\a\"b\\x.exe", L"/s"},
    };
    for (const ArgumentList& arguments : cases) {
        EXPECT_EQ(joinArguments(arguments), std::nullopt);
    }
}

// Whatever command line the runner is given, the program receives the arguments it would have
// received had it been given that command line itself.
TEST(JoinArguments, IsReadBackIntoTheArgumentsItJoined) {
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
        const ArgumentList given = getArguments(L"C:\\a b\\bindObject.exe", text);
        const auto line = joinArguments(given);
        ASSERT_TRUE(line.has_value()) << std::string(text.begin(), text.end());
        EXPECT_EQ(getArguments(given[0], argumentText(*line)), given)
            << std::string(text.begin(), text.end());
    }
}

TEST(DropFirstArgument, RemovesElementOneAndKeepsTheProgramPath) {
    ArgumentList arguments{L"p", L"/s", L"a", L"b"};
    dropFirstArgument(arguments);
    EXPECT_EQ(arguments, (ArgumentList{L"p", L"a", L"b"}));
    ArgumentList single{L"p", L"/l"};
    dropFirstArgument(single);
    EXPECT_EQ(single, ArgumentList{L"p"});
}

}  // namespace
}  // namespace volmora
