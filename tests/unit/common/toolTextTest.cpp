// Number formatting, labels and line joining of the tools' texts.
#include <gtest/gtest.h>

#include "pathText.h"
#include "toolText.h"

namespace volmora {
namespace {

TEST(HexNumber, UsesUpperCaseWithoutLeadingZerosAndTwosComplementForNegatives) {
    const std::pair<std::int32_t, std::wstring> cases[] = {
        {0, L"0"},
        {5, L"5"},
        {429, L"1AD"},
        {-2147221164, L"80040154"},
        {-1, L"FFFFFFFF"},
        {INT32_MIN, L"80000000"},
        {INT32_MAX, L"7FFFFFFF"},
    };
    for (const auto& [number, text] : cases) {
        EXPECT_EQ(hexNumber(number), text) << number;
    }
}

TEST(ToolText, BuildsLabelsErrorsAndLines) {
    EXPECT_EQ(label(L"/?", 18), L"    /?            \t");
    EXPECT_EQ(label(L"javaclassname", 18), L"    javaclassname \t");
    EXPECT_EQ(labelledLine(L"CLSID:", 16, L"{x}"), L"    CLSID:      \t{x}");
    EXPECT_EQ(errorText(L"Can't set ProgId registry value: ", 5),
              L"Can't set ProgId registry value: error=5");
    EXPECT_EQ(errorText(L"x: ", -2147312566), L"x: error=-2147312566");
    EXPECT_EQ(quoted(L"My JVM"), L"\"My JVM\"");
    EXPECT_EQ(joinLines({L"a", L"", L"b"}), L"a\r\n\r\nb");
    EXPECT_EQ(joinLines({L""}), L"");
    EXPECT_EQ(asciiLower(L"VB6/S\u00C4"), L"vb6/s\u00C4");
}

TEST(PathText, FollowsTheFileSystemObjectsRules) {
    const std::tuple<std::wstring, std::wstring, std::wstring> cases[] = {
        // path, parent folder, base name
        {L"C:\\VOLM\\bin\\bindRuntime.exe", L"C:\\VOLM\\bin", L"bindRuntime"},
        {L"C:\\VOLM\\bin", L"C:\\VOLM", L"bin"},
        {L"C:\\VOLM\\bin\\", L"C:\\VOLM", L"bin"},
        {L"C:\\x.exe", L"C:\\", L"x"},
        {L"C:\\", L"", L"C:"},
        {L"x.tlb", L"", L"x"},
        {L"C:\\Dev\\VB6.EXE", L"C:\\Dev", L"VB6"},
        {L"\\\\server\\share\\a.b.c", L"\\\\server\\share", L"a.b"},
        {L"C:/a/b", L"C:/a", L"b"},
        {L"", L"", L""},
    };
    for (const auto& [path, parent, base] : cases) {
        EXPECT_EQ(parentFolderName(path), parent);
        EXPECT_EQ(baseName(path), base);
    }
}

}  // namespace
}  // namespace volmora
