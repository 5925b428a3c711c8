// The JVM option check and the bridge archive of the installation layout.
#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "bindRuntime.h"
#include "fakePlatform.h"

namespace volmora::testing {
namespace {

const std::wstring tool = L"C:\\VOLM\\bin\\bindRuntime.exe";
const std::wstring jar = L"C:\\VOLM\\lib\\VOLM.jar";
const std::wstring cp = L"-Djava.class.path=";
const std::wstring noClassPath = L"A non-null \"-Djava.class.path=...\" option must be specified";
const std::wstring noArchive =
    L"VOLM.jar path must be specified in \"-Djava.class.path=...\" option";

struct OptionCase {
    std::vector<std::wstring> options;
    std::optional<std::wstring> stored;  // nullopt: rejected with message
    std::wstring message = {};
    std::wstring programPath = tool;
    std::set<std::wstring> files = {jar};
};

std::vector<std::wstring> manyOptions(int count) {
    std::vector<std::wstring> options{cp + jar};
    for (int i = 2; i <= count; ++i)
        options.push_back(L"-Dn" + std::to_wstring(i) + L"=v");
    return options;
}

std::wstring joinedMany(int count) {
    std::wstring text = cp + jar;
    for (int i = 2; i <= count; ++i)
        text += L" -Dn" + std::to_wstring(i) + L"=v";
    return text;
}

void check(const OptionCase& c, std::size_t row) {
    FakeTool fake(L"Bind Runtime", c.programPath);
    fake.files().files = c.files;
    ArgumentList arguments{c.programPath};
    arguments.insert(arguments.end(), c.options.begin(), c.options.end());
    std::wstring result = L"untouched";
    bool accepted = checkJvmOptions(fake.tool, arguments, result);
    EXPECT_EQ(accepted, c.stored.has_value()) << "row " << row;
    if (c.stored) {
        EXPECT_EQ(result, *c.stored) << "row " << row;
        EXPECT_TRUE(fake.messages.shown.empty()) << "row " << row;
    } else {
        EXPECT_EQ(result, L"untouched") << "row " << row;
        EXPECT_EQ(fake.onlyMessage(),
                  (ShownMessage{MessageIcon::exclamation, L"Volmora - Bind Runtime", c.message}))
            << "row " << row;
    }
}

TEST(CheckJvmOptions, WorkedExamples) {
    const std::wstring pf = L"C:\\Program Files\\VOLM\\";
    const std::vector<OptionCase> cases = {
        {{cp + L"C:\\MyServer\\MyServer.jar;" + jar}, cp + L"C:\\MyServer\\MyServer.jar;" + jar},
        {{L"-Xmx128m", cp + L"C:\\MyServer\\MyServer.jar"},
         L"-Xmx128m " + cp + L"C:\\MyServer\\MyServer.jar;" + jar},
        {{cp + L"D:\\Bridge\\VOLM.JAR"}, cp + L"D:\\Bridge\\VOLM.JAR"},
        {{cp + L"volm.jar"}, cp + L"volm.jar;" + jar},
        {{cp + L"C:\\Old\\volm.jar.bak"}, cp + L"C:\\Old\\volm.jar.bak"},
        {{cp + L"C:\\My Server\\a.jar;" + jar, L"-Xmx64m"},
         L"\"" + cp + L"C:\\My Server\\a.jar;" + jar + L"\" -Xmx64m"},
        {{cp + L"C:\\MyServer\\MyServer.jar"},
         L"\"" + cp + L"C:\\MyServer\\MyServer.jar;" + pf + L"lib\\VOLM.jar\"",
         L"",
         pf + L"bin\\bindRuntime.exe",
         {pf + L"lib\\VOLM.jar"}},
        {{L"-Xmx64m"}, std::nullopt, noClassPath},
        {{cp}, std::nullopt, noClassPath},
        {{L"-djava.class.path=" + jar}, std::nullopt, noClassPath},
        {{cp + L"C:\\MyServer\\MyServer.jar"}, std::nullopt, noArchive, tool, {}},
    };
    for (std::size_t row = 0; row < cases.size(); ++row)
        check(cases[row], row);
}

TEST(CheckJvmOptions, JoiningQuotingAndBadInput) {
    const std::wstring full = cp + jar;
    const std::vector<OptionCase> cases = {
        // empty options keep only their separators
        {{L"", full}, full},
        {{L"-Xa", L"", full}, L"-Xa  " + full},
        {{full, L""}, full + L" "},
        {{full, L"", L""}, full + L"  "},
        // a tab quotes; a double quote is copied as it is, also inside quotes
        {{full, L"-Dx=a\tb"}, full + L" \"-Dx=a\tb\""},
        {{full, L"-Dx=\"q\""}, full + L" -Dx=\"q\""},
        {{full, L"-Dx=a \"b\""}, full + L" \"-Dx=a \"b\"\""},
        // every class path option that lacks the archive is extended
        {{cp + L"a.jar", cp + L"b.jar"}, cp + L"a.jar;" + jar + L" " + cp + L"b.jar;" + jar},
        {{cp + L"a.jar", full}, cp + L"a.jar;" + jar + L" " + full},
        {{cp + L"a.jar", full}, cp + L"a.jar " + full, L"", tool, {}},
        // the archive outside a class path option does not count; the first failure wins
        {{L"-Dx=" + jar}, std::nullopt, noClassPath},
        {{L"-Xmx64m"}, std::nullopt, noClassPath, tool, {}},
        {{L"-DJAVA.CLASS.PATH=" + jar}, std::nullopt, noClassPath},
        {{}, std::nullopt, noClassPath},
        // outside the ANSI code page, kept as typed
        {{cp + L"C:\\\u65e5\u672c\\\u00e9.jar"}, cp + L"C:\\\u65e5\u672c\\\u00e9.jar;" + jar},
        // the most options a command line can carry
        {manyOptions(30), joinedMany(30)},
        // layouts: the archive beside a root-level bin folder, and no layout above a root
        {{cp + L"a.jar"},
         cp + L"a.jar;C:\\lib\\VOLM.jar",
         L"",
         L"C:\\bin\\bindRuntime.exe",
         {L"C:\\lib\\VOLM.jar"}},
        {{cp + L"a.jar"}, std::nullopt, noArchive, L"C:\\bindRuntime.exe", {L"\\lib\\VOLM.jar"}},
        {{cp + L"a.jar"}, std::nullopt, noArchive, L"bindRuntime.exe", {L"\\lib\\VOLM.jar"}},
    };
    for (std::size_t row = 0; row < cases.size(); ++row)
        check(cases[row], row);
}

TEST(CheckJvmOptions, SilentRejectionShowsNothing) {
    FakeTool fake(L"Bind Runtime", tool);
    fake.tool.silentMode = true;
    std::wstring result;
    EXPECT_FALSE(checkJvmOptions(fake.tool, {tool, L"-Xmx64m"}, result));
    EXPECT_TRUE(fake.messages.shown.empty());
}

// A file system whose object refuses to look for files.
class FailingFileSystem : public FakeFileSystem {
  public:
    bool fileExists(const std::wstring&) override { raiseToolError(5, L"denied"); }
};

TEST(BridgeJarPath, FindsTheArchiveOfTheLayoutOrNothing) {
    const std::vector<std::tuple<std::wstring, std::set<std::wstring>, std::wstring>> cases = {
        {tool, {jar}, jar},
        {tool, {}, L""},
        {tool, {L"C:\\VOLM\\bin\\lib\\VOLM.jar"}, L""},
        {L"\\\\srv\\share\\VOLM\\bin\\bindRuntime.exe",
         {L"\\\\srv\\share\\VOLM\\lib\\VOLM.jar"},
         L"\\\\srv\\share\\VOLM\\lib\\VOLM.jar"},
        {L"", {L"\\lib\\VOLM.jar"}, L""},
    };
    for (const auto& [programPath, files, expected] : cases) {
        FakeTool fake(L"Bind Runtime", tool);
        fake.files().files = files;
        EXPECT_EQ(bridgeJarPath(fake.tool, programPath), expected);
    }
    FakeTool fake(L"Bind Runtime", tool);
    fake.tool.fileSystem = std::make_unique<FailingFileSystem>();
    EXPECT_EQ(bridgeJarPath(fake.tool, tool), L"");
}

}  // namespace
}  // namespace volmora::testing
