// bindObject's command line under Wine: the usage text with its icon and caption, the exit codes
// of refused lines, hostile command lines, the start-up failure of the file-system object, a
// copy named vb6.exe and a program installed in a long folder name outside the ANSI code page.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "expectations.h"
#include "expectedUsage.h"
#include "harness.h"
#include "registryWriting.h"

namespace volmora::e2e {
namespace {

const std::wstring caption = L"Volmora - Bind Object";
const std::wstring configurationRoot = L"SOFTWARE\\Tamsiver Software\\VOLM";
const std::wstring fileSystemProgId = L"Scripting.FileSystemObject";

const std::wstring& usageText = volmora::testing::expectedClassUsage;

enum class Usage { none, information, error };

struct LineCase {
    std::wstring arguments;  // passed verbatim after the quoted program path
    Usage usage;
    std::uint32_t exitCode;
};

void PrintTo(const LineCase& c, std::ostream* out) {
    *out << "\"" << narrow(c.arguments) << "\"";
}

// Runs the line and checks the usage box, the exit code, and that nothing was written.
void expectRefusedOrHelp(const LineCase& c, const RunOptions& options = {}) {
    const std::wstring before = dumpKey(HKEY_LOCAL_MACHINE, configurationRoot);
    const RunResult result = runTool(L"bindObject", c.arguments, options);
    switch (c.usage) {
        case Usage::none:
            expectNoBox(result);
            break;
        case Usage::information:
            expectOneBox(result, BoxIcon::information, caption, usageText);
            break;
        case Usage::error:
            expectOneBox(result, BoxIcon::exclamation, caption, usageText);
            break;
    }
    EXPECT_EQ(result.exitCode, c.exitCode);
    EXPECT_TRUE(result.listings.empty());
    EXPECT_EQ(narrow(dumpKey(HKEY_LOCAL_MACHINE, configurationRoot)), narrow(before));
    EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, L"MyServer.CoolService"));
}

class BindObjectLine : public ::testing::TestWithParam<LineCase> {};

TEST_P(BindObjectLine, ShowsTheUsageWhenAskedOrRefusedAndWritesNothing) {
    expectRefusedOrHelp(GetParam());
}

INSTANTIATE_TEST_SUITE_P(
    Switches, BindObjectLine,
    ::testing::Values(LineCase{L"/?", Usage::information, 0},
                      LineCase{L"-?", Usage::information, 0}, LineCase{L"/s /?", Usage::none, 0},
                      LineCase{L"/? /s", Usage::information, 0},
                      LineCase{L"/x /?", Usage::error, 1}, LineCase{L"", Usage::error, 1},
                      LineCase{L"/s", Usage::none, 1}, LineCase{L"/S", Usage::none, 1},
                      LineCase{L"/x", Usage::error, 1}, LineCase{L"/", Usage::error, 1},
                      LineCase{L"-", Usage::error, 1}, LineCase{L"/sx", Usage::error, 1},
                      LineCase{L"//s", Usage::error, 1}, LineCase{L"/silent", Usage::error, 1},
                      LineCase{L"\"\"", Usage::error, 1},
                      LineCase{L"\"\" MyServer.CoolService {1} J V", Usage::error, 1}));

INSTANTIATE_TEST_SUITE_P(
    Modes, BindObjectLine,
    ::testing::Values(LineCase{L"/l extra", Usage::error, 1}, LineCase{L"/l /s", Usage::none, 1},
                      LineCase{L"/s /l", Usage::none, 1}, LineCase{L"/u /l x", Usage::error, 1},
                      LineCase{L"/l /u x", Usage::error, 1}, LineCase{L"/u", Usage::error, 1},
                      LineCase{L"-U", Usage::error, 1}, LineCase{L"/u a b", Usage::error, 1},
                      LineCase{L"/s /u a b", Usage::none, 1},
                      LineCase{L"MyServer.CoolService {1} J", Usage::error, 1},
                      LineCase{L"MyServer.CoolService {1} J V S extra", Usage::error, 1},
                      LineCase{L"/s MyServer.CoolService {1} J V S extra", Usage::none, 1}));

// Blanks, tabs and quotes reach the program exactly as written.
INSTANTIATE_TEST_SUITE_P(Spacing, BindObjectLine,
                         ::testing::Values(LineCase{L"\t/?\t", Usage::information, 0},
                                           LineCase{L"   /s  \t  /?   ", Usage::none, 0},
                                           LineCase{L"\"/?\"", Usage::information, 0},
                                           LineCase{L"\"/\"\"?\"", Usage::information, 0},
                                           LineCase{L"\"/? \"", Usage::error, 1},
                                           LineCase{L"MyServer.CoolService\t\"{1} J V\"",
                                                    Usage::error, 1}));

std::wstring repeated(const std::wstring& piece, std::size_t count) {
    std::wstring text;
    text.reserve(piece.size() * count);
    for (std::size_t i = 0; i < count; ++i) {
        text += piece;
    }
    return text;
}

// The longest argument text that fits Windows' command-line limit (32,767 characters with the
// terminating null) after the quoted program path and its blank.
std::size_t longestArgumentText() {
    return 32766 - (builtToolPath(L"bindObject").size() + 3);
}

std::wstring filledTo(const std::wstring& piece, std::size_t length) {
    std::wstring text = repeated(piece, length / piece.size() + 1);
    text.resize(length);
    return text;
}

std::vector<LineCase> hostileLines() {
    const std::size_t longest = longestArgumentText();
    return {
        // One argument of maximum length: too few operands.
        {filledTo(L"x", longest), Usage::error, 1},
        {L"/s " + filledTo(L"y", longest - 3), Usage::none, 1},
        // Thousands of arguments: only 32 count, far too many operands.
        {filledTo(L"a ", longest), Usage::error, 1},
        {L"\"" + filledTo(L"q ", longest - 1), Usage::error, 1},
        // Outside the ANSI code page.
        {L"/\u03A9", Usage::error, 1},
        {L"\u65E5\u672C\u8A9E \u0416 \U0001F600", Usage::error, 1},
        {L"/s \u65E5 \u672C", Usage::none, 1},
        // Unbalanced quotes: an open quote runs to the end of the line.
        {L"\"MyServer.CoolService {1} J V", Usage::error, 1},
        {L"a \"b c d e", Usage::error, 1},
        {L"/s \"/?", Usage::none, 0},
        {L"/s \"/? x", Usage::none, 1},
        // Control characters are ordinary characters.
        {L"\x01\x07 \x1B a", Usage::error, 1},
        {L"a\r\nb c\r\nd", Usage::error, 1},
        {L"/\x7F", Usage::error, 1},
        // More than 32 arguments: every one is read.
        {repeated(L"/s ", 32) + L"/?", Usage::none, 0},
        {repeated(L"/s ", 40) + L"/?", Usage::none, 0},
        {repeated(L"/s ", 31) + L"/?", Usage::none, 0},
        {repeated(L"x ", 40), Usage::error, 1},
    };
}

INSTANTIATE_TEST_SUITE_P(Hostile, BindObjectLine, ::testing::ValuesIn(hostileLines()));

// Moves a registry key away for the life of the object and puts it back afterwards, also when
// the test fails.
class KeyHiddenForTest {
  public:
    KeyHiddenForTest(HKEY root, std::wstring path)
        : root_(root), path_(std::move(path)), saved_(L"Software\\VolmoraTests\\Saved") {
        deleteTree(HKEY_CURRENT_USER, saved_);
        copyTree(root_, path_, HKEY_CURRENT_USER, saved_);
        deleteTree(root_, path_);
    }
    ~KeyHiddenForTest() {
        copyTree(HKEY_CURRENT_USER, saved_, root_, path_);
        deleteTree(HKEY_CURRENT_USER, L"Software\\VolmoraTests");
    }
    KeyHiddenForTest(const KeyHiddenForTest&) = delete;
    KeyHiddenForTest& operator=(const KeyHiddenForTest&) = delete;

  private:
    HKEY root_;
    std::wstring path_;
    std::wstring saved_;
};

std::wstring systemRoot() {
    wchar_t buffer[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableW(L"SystemRoot", buffer, MAX_PATH);
    return std::wstring(buffer, length < MAX_PATH ? length : 0);
}

// Wine gives every process its own SystemRoot, so the message always names a folder here.
class BindObjectWithoutFileSystemObject : public ::testing::TestWithParam<std::wstring> {};

TEST_P(BindObjectWithoutFileSystemObject, ShowsTheStopMessageAndEndsWithFour) {
    ASSERT_TRUE(keyExists(HKEY_CLASSES_ROOT, fileSystemProgId));
    const std::wstring before = dumpKey(HKEY_LOCAL_MACHINE, configurationRoot);
    RunResult result;
    {
        const KeyHiddenForTest hidden(HKEY_CLASSES_ROOT, fileSystemProgId);
        ASSERT_FALSE(keyExists(HKEY_CLASSES_ROOT, fileSystemProgId));
        result = runTool(L"bindObject", GetParam());
    }
    EXPECT_TRUE(keyExists(HKEY_CLASSES_ROOT, fileSystemProgId));
    ASSERT_FALSE(systemRoot().empty());
    const std::wstring folder = systemRoot() + L"\\System32\\";
    expectOneBox(
        result, BoxIcon::stop, caption,
        L"Cannot create Scripting.FileSystemObject .. is " + folder + L"scrrun.dll registered?");
    EXPECT_EQ(result.exitCode, 4u);
    EXPECT_EQ(narrow(dumpKey(HKEY_LOCAL_MACHINE, configurationRoot)), narrow(before));
}

INSTANTIATE_TEST_SUITE_P(StartUp, BindObjectWithoutFileSystemObject,
                         ::testing::Values(L"", L"/s", L"/s /u MyServer.CoolService", L"/?",
                                           L"/s /?"));

// A folder made for one test and removed with everything in it afterwards.
class ScratchFolder {
  public:
    explicit ScratchFolder(const std::vector<std::wstring>& names) {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        path_ = temp;
        if (!path_.empty() && path_.back() == L'\\') {
            path_.pop_back();
        }
        for (const std::wstring& name : names) {
            path_ += L"\\" + name;
            created_.push_back(path_);
            CreateDirectoryW((L"\\\\?\\" + path_).c_str(), nullptr);
        }
    }
    ~ScratchFolder() {
        for (const std::wstring& file : files_) {
            DeleteFileW((L"\\\\?\\" + file).c_str());
        }
        for (auto folder = created_.rbegin(); folder != created_.rend(); ++folder) {
            RemoveDirectoryW((L"\\\\?\\" + *folder).c_str());
        }
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // Copies the built tool into the folder under the given file name; returns its path.
    std::wstring copyTool(const std::wstring& toolName, const std::wstring& fileName) {
        const std::wstring target = path_ + L"\\" + fileName;
        EXPECT_TRUE(CopyFileW((L"\\\\?\\" + builtToolPath(toolName)).c_str(),
                              (L"\\\\?\\" + target).c_str(), FALSE))
            << "copy to " << narrow(target) << ": error " << GetLastError();
        files_.push_back(target);
        return target;
    }
    const std::wstring& path() const { return path_; }

  private:
    std::wstring path_;
    std::vector<std::wstring> created_;
    std::vector<std::wstring> files_;
};

// The development environment's name only changes whether the process is ended from inside;
// the exit code that the system sees stays the same.
class BindObjectAsVb6 : public ::testing::TestWithParam<LineCase> {};

TEST_P(BindObjectAsVb6, EndsWithTheSameExitCodeAsTheProgram) {
    ScratchFolder folder({L"volmora-vb6"});
    RunOptions options;
    options.program = folder.copyTool(L"bindObject", L"vb6.exe");
    expectRefusedOrHelp(GetParam(), options);
}

INSTANTIATE_TEST_SUITE_P(Lines, BindObjectAsVb6,
                         ::testing::Values(LineCase{L"/?", Usage::information, 0},
                                           LineCase{L"", Usage::error, 1},
                                           LineCase{L"/s", Usage::none, 1},
                                           LineCase{L"/l extra", Usage::error, 1}));

TEST(BindObjectAsVb6, StillEndsWithFourWithoutTheFileSystemObject) {
    ScratchFolder folder({L"volmora-vb6"});
    RunOptions options;
    options.program = folder.copyTool(L"bindObject", L"VB6.EXE");
    RunResult result;
    {
        const KeyHiddenForTest hidden(HKEY_CLASSES_ROOT, fileSystemProgId);
        result = runTool(L"bindObject", L"/s", options);
    }
    ASSERT_EQ(result.boxes.size(), 1u);
    expectBoxIcon(result.boxes[0], BoxIcon::stop);
    EXPECT_EQ(result.exitCode, 4u);
}

TEST(BindObjectInstalledFolder, RunsFromALongFolderNameOutsideTheAnsiCodePage) {
    // 258 characters in all: more than a 255-character path buffer holds, while still within
    // the 260 characters that CreateProcess takes for a program name.
    const std::wstring name =
        L"Volmora \u65E5\u672C\u8A9E \u0394\u03BF\u03BA\u03B9\u03BC\u03AE "
        L"\u041F\u0440\u043E\u0431\u0430";
    const std::wstring fileName = L"bindObject.exe";
    const std::size_t basePath = ScratchFolder({}).path().size();
    const std::size_t padding = 258 - basePath - 3 - name.size() * 2 - fileName.size();
    ScratchFolder folder({name, name + std::wstring(padding, L'x')});
    RunOptions options;
    options.program = folder.copyTool(L"bindObject", fileName);
    ASSERT_EQ(options.program.size(), 258u);
    expectRefusedOrHelp({L"/?", Usage::information, 0}, options);
    expectRefusedOrHelp({L"/l /s", Usage::none, 1}, options);
}

}  // namespace
}  // namespace volmora::e2e
