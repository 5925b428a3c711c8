// bindRuntime's command line: switches, operand counts, exit codes and the usage text.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "bindRuntime.h"
#include "expectedUsage.h"
#include "fakePlatform.h"

namespace volmora::testing {
namespace {

const std::wstring tool = L"C:\\VOLM\\bin\\bindRuntime.exe";
const std::wstring records = L"HKLM\\SOFTWARE\\Tamsiver Software\\VOLM\\JVMs";
const std::wstring cp = L"-Djava.class.path=C:\\VOLM\\lib\\VOLM.jar";

const std::wstring& usage = expectedJvmUsage;

const auto info = MessageIcon::information;
const auto error = MessageIcon::exclamation;

struct CommandCase {
    std::wstring commandLine;
    std::int32_t exitCode;
    MessageIcon icon;
    std::wstring shown;  // empty: no message
    // MyJVM's values afterwards (nullopt: no record); Old stays registered unless removed.
    std::optional<std::pair<std::wstring, std::wstring>> record = std::nullopt;
    bool oldRemains = true;
};

std::wstring registered(const std::wstring& dll, const std::wstring& options) {
    return L"JVM \"MyJVM\" successfully registered.\r\n    Dll Path: \t" + dll +
           L"\r\n    Options:  \t" + options;
}

std::wstring numberedOptions(int from, int to) {
    std::wstring text;
    for (int i = from; i <= to; ++i)
        text += L" -D" + std::to_wstring(i);
    return text;
}

TEST(RunJvmCommand, SwitchesOperandsAndExitCodes) {
    const std::pair<std::wstring, std::wstring> stored{L"C:\\jvm.dll", cp};
    const std::vector<CommandCase> cases = {
        {L"", 1, error, usage},
        {L"/?", 0, info, usage},
        {L"/s /?", 0, info, L""},
        {L"/? /s", 0, info, usage},
        {L"/? /x", 0, info, usage},
        {L"/x", 1, error, usage},
        {L"/", 1, error, usage},
        {L"-", 1, error, usage},
        {L"/sx", 1, error, usage},
        {L"/silent MyJVM C:\\jvm.dll " + cp, 1, error, usage},
        {L"\"\" MyJVM", 1, error, usage},
        {L"/l extra", 1, error, usage},
        {L"/l /s", 1, info, L""},
        {L"/s /l", 1, info, L""},
        {L"/u /l x", 1, error, usage},
        {L"/L /U Old", 1, error, usage},
        {L"/u", 1, error, usage},
        {L"/u a b", 1, error, usage},
        {L"-u Old", 0, info, L"JVM \"Old\" successfully unregistered.", std::nullopt, false},
        {L"/U Old", 0, info, L"JVM \"Old\" successfully unregistered.", std::nullopt, false},
        {L"/s /u Old", 0, info, L"", std::nullopt, false},
        {L"/u /s Old", 0, info, L"", std::nullopt, false},
        {L"/u MyJVM", 0, error, L"JVM \"MyJVM\" isn't registered."},
        {L"/u Old /s", 1, error, usage},
        {L"MyJVM C:\\jvm.dll", 1, error, usage},
        {L"-MyJVM C:\\jvm.dll " + cp, 1, error, usage},
        {L"MyJVM C:\\jvm.dll " + cp, 0, info, registered(L"C:\\jvm.dll", cp), stored},
        {L"/S -s MyJVM C:\\jvm.dll " + cp, 0, info, L"", stored},
        {L"MyJVM jvm.dll " + cp, 0, info, registered(L"C:\\Work\\jvm.dll", cp),
         std::pair{std::wstring(L"C:\\Work\\jvm.dll"), cp}},
        {L"MyJVM C:\\jvm.dll /s " + cp, 0, info, registered(L"C:\\jvm.dll", L"/s " + cp),
         std::pair{std::wstring(L"C:\\jvm.dll"), L"/s " + cp}},
        {L"MyJVM C:\\jvm.dll -Xmx64m", 1, error,
         L"A non-null \"-Djava.class.path=...\" option must be specified"},
        {L"/s MyJVM C:\\jvm.dll -Xmx64m", 1, info, L""},
        // No argument is dropped: the class path is found as the 33rd argument, and every
        // option is stored.
        {L"MyJVM C:\\jvm.dll " + cp + numberedOptions(2, 31), 0, info,
         registered(L"C:\\jvm.dll", cp + numberedOptions(2, 31)),
         std::pair{std::wstring(L"C:\\jvm.dll"), cp + numberedOptions(2, 31)}},
        {L"/s MyJVM C:\\jvm.dll -X1" + numberedOptions(2, 29) + L" " + cp, 0, info, L"",
         std::pair{std::wstring(L"C:\\jvm.dll"), L"-X1" + numberedOptions(2, 29) + L" " + cp}},
    };
    for (const auto& c : cases) {
        FakeTool fake(L"Bind Runtime", tool);
        fake.files().files = {L"C:\\VOLM\\lib\\VOLM.jar"};
        fake.registry.putText(records + L"\\Old", L"DllPath", L"C:\\old.dll");
        std::string where(c.commandLine.begin(), c.commandLine.end());

        std::int32_t exitCode = runJvmCommand(fake.tool, getArguments(tool, c.commandLine));

        EXPECT_EQ(exitCode, c.exitCode) << where;
        std::vector<std::pair<MessageIcon, std::wstring>> expected;
        if (!c.shown.empty())
            expected.emplace_back(c.icon, c.shown);
        std::vector<std::pair<MessageIcon, std::wstring>> shown;
        for (const auto& m : fake.messages.shown) {
            EXPECT_EQ(m.caption, L"Volmora - Bind Runtime") << where;
            shown.emplace_back(m.icon, m.text);
        }
        EXPECT_EQ(shown, expected) << where;
        EXPECT_EQ(fake.registry.keyExists(records + L"\\Old"), c.oldRemains) << where;
        if (c.record) {
            EXPECT_EQ(fake.registry.text(records + L"\\MyJVM", L"DllPath"), c.record->first)
                << where;
            EXPECT_EQ(fake.registry.text(records + L"\\MyJVM", L"JvmOptions"), c.record->second)
                << where;
        } else {
            EXPECT_FALSE(fake.registry.keyExists(records + L"\\MyJVM")) << where;
        }
        EXPECT_TRUE(fake.listings.opened.empty()) << where;
    }
}

TEST(RunJvmCommand, ListsWithTheListingSwitch) {
    FakeTool fake(L"Bind Runtime", tool);
    fake.registry.putText(records + L"\\Old", L"DllPath", L"C:\\old.dll");
    EXPECT_EQ(runJvmCommand(fake.tool, getArguments(tool, L"-L")), 0);
    ASSERT_EQ(fake.listings.opened.size(), 1u);
    EXPECT_EQ(fake.listings.opened[0].text,
              L"Old:\r\n    Dll Path: \tC:\\old.dll\r\n    Options:  \t?? missing ??");
    EXPECT_TRUE(fake.messages.shown.empty());
}

// A library path the file system cannot resolve is an unexpected failure: it travels up to the
// internal-error handler instead of being registered half-made.
class UnresolvableFileSystem : public FakeFileSystem {
  public:
    std::wstring absolutePathName(const std::wstring&) override {
        raiseToolError(206, L"too long");
    }
};

TEST(RunJvmCommand, UnresolvableLibraryPathIsAnInternalError) {
    FakeTool fake(L"Bind Runtime", tool);
    fake.tool.fileSystem = std::make_unique<UnresolvableFileSystem>();
    try {
        runJvmCommand(fake.tool, getArguments(tool, L"MyJVM jvm.dll " + cp));
        ADD_FAILURE() << "no error raised";
    } catch (const ToolError& raised) {
        EXPECT_EQ(raised.number, 206);
    }
    EXPECT_FALSE(fake.registry.keyExists(records));
}

}  // namespace
}  // namespace volmora::testing
