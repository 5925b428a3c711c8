// bindSchema's command line: which command lines are refused, which run an operation, on which
// absolute path, and what is shown.
#include <gtest/gtest.h>

#include "expectedUsage.h"
#include "schemaRun.h"

namespace volmora::testing {
namespace {

constexpr wchar_t title[] = L"Volmora - Bind Schema";

const std::wstring& usage = expectedTypeLibUsage;

const ShownMessage usageError{MessageIcon::exclamation, title, usage};
const ShownMessage usageInfo{MessageIcon::information, title, usage};

ShownMessage registered(const std::wstring& path) {
    return {MessageIcon::information, title,
            L"Type library \"" + path + L"\" successfully registered."};
}

ShownMessage unregistered(const std::wstring& path) {
    return {MessageIcon::information, title,
            L"Type library \"" + path + L"\" successfully unregistered."};
}

struct CommandCase {
    std::wstring argumentText;
    std::uint32_t exitCode;
    std::vector<ShownMessage> shown;
    std::vector<std::wstring> calls;
};

TEST(RunTypeLibCommand, RefusesBadCommandLinesAndRunsOneOperationOnTheAbsolutePath) {
    const CommandCase cases[] = {
        // Wrong operand counts.
        {L"", 1, {usageError}, {}},
        {L"/u", 1, {usageError}, {}},
        {L"/s", 1, {}, {}},
        {L"/s /u", 1, {}, {}},
        {L"a.tlb b.tlb", 1, {usageError}, {}},
        {L"/u a.tlb b.tlb", 1, {usageError}, {}},
        {L"C:\\My Server\\x.tlb", 1, {usageError}, {}},
        // A switch after the first operand is an operand.
        {L"x.tlb /u", 1, {usageError}, {}},
        // No listing in this tool; unknown, empty and bare switches.
        {L"/l", 1, {usageError}, {}},
        {L"/l x.tlb", 1, {usageError}, {}},
        {L"-L x.tlb", 1, {usageError}, {}},
        {L"/us x.tlb", 1, {usageError}, {}},
        {L"/x /s x.tlb", 1, {usageError}, {}},
        {L"/s /x x.tlb", 1, {}, {}},
        {L"- x.tlb", 1, {usageError}, {}},
        {L"/ x.tlb", 1, {usageError}, {}},
        {L"\"\" x.tlb", 1, {usageError}, {}},
        // Help: shown as information, nothing after it is looked at.
        {L"/?", 0, {usageInfo}, {}},
        {L"/u -? /x a b c", 0, {usageInfo}, {}},
        {L"/s /?", 0, {}, {}},
        // Registration, with the path resolved against the current folder C:\Work.
        {L"x.tlb",
         0,
         {registered(L"C:\\Work\\x.tlb")},
         {L"load C:\\Work\\x.tlb", L"register C:\\Work\\x.tlb help C:\\Work"}},
        {L"sub\\x.tlb",
         0,
         {registered(L"C:\\Work\\sub\\x.tlb")},
         {L"load C:\\Work\\sub\\x.tlb", L"register C:\\Work\\sub\\x.tlb help C:\\Work\\sub"}},
        {L"\\x.tlb",
         0,
         {registered(L"C:\\x.tlb")},
         {L"load C:\\x.tlb", L"register C:\\x.tlb help C:\\"}},
        {L"\"C:\\My Server\\x.tlb\"",
         0,
         {registered(L"C:\\My Server\\x.tlb")},
         {L"load C:\\My Server\\x.tlb", L"register C:\\My Server\\x.tlb help C:\\My Server"}},
        {L"C:\\\u03A3\u03C7\u03AE\u03BC\u03B1\\\u578B.tlb",
         0,
         {registered(L"C:\\\u03A3\u03C7\u03AE\u03BC\u03B1\\\u578B.tlb")},
         {L"load C:\\\u03A3\u03C7\u03AE\u03BC\u03B1\\\u578B.tlb",
          L"register C:\\\u03A3\u03C7\u03AE\u03BC\u03B1\\\u578B.tlb help "
          L"C:\\\u03A3\u03C7\u03AE\u03BC\u03B1"}},
        {L"/s x.tlb", 0, {}, {L"load C:\\Work\\x.tlb", L"register C:\\Work\\x.tlb help C:\\Work"}},
        // Unregistration, in any letter case and with either switch character.
        {L"/U x.tlb",
         0,
         {unregistered(L"C:\\Work\\x.tlb")},
         {L"load C:\\Work\\x.tlb", L"unregister"}},
        {L"-u x.tlb",
         0,
         {unregistered(L"C:\\Work\\x.tlb")},
         {L"load C:\\Work\\x.tlb", L"unregister"}},
        {L"/s /u C:\\MyServer\\MyServer.tlb",
         0,
         {},
         {L"load C:\\MyServer\\MyServer.tlb", L"unregister"}},
        {L"-S\t/u\t/u  x.tlb", 0, {}, {L"load C:\\Work\\x.tlb", L"unregister"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.argumentText);
        SchemaRun schema;
        EXPECT_EQ(schema.run(c.argumentText), c.exitCode);
        EXPECT_EQ(schema.messages.shown, c.shown);
        EXPECT_EQ(schema.typeLibraries.calls, c.calls);
        EXPECT_TRUE(schema.listings.opened.empty());
    }
}

TEST(RunTypeLibCommand, SilentFailureShowsNothingAndStillEndsWithZero) {
    SchemaRun schema;
    schema.typeLibraries.unregisterResult = -2147024809;
    EXPECT_EQ(schema.run(L"/s /u C:\\MyServer\\MyServer.tlb"), 0u);
    EXPECT_TRUE(schema.messages.shown.empty());
    EXPECT_EQ(schema.typeLibraries.calls.size(), 2u);
}

}  // namespace
}  // namespace volmora::testing
