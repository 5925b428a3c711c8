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
