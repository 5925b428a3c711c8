// The file facts the configuration check relies on: a library's machine from its header, the
// class path entries it looks for, and one look per path.
#include <gtest/gtest.h>

#include "check/check.h"
#include "check/recordFiles.h"
#include "checkFilesFake.h"
#include "nameRules.h"

namespace volmora::testing {
namespace {

using config::imageMachine;

std::vector<std::uint8_t> withByte(std::vector<std::uint8_t> bytes, std::size_t at,
                                   std::uint8_t value) {
    bytes.at(at) = value;
    return bytes;
}

TEST(ImageMachine, ReadsTheMachineOnlyFromAWholeImageHeader) {
    const std::vector<std::uint8_t> amd64 = imageHeader(config::amd64Machine);
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
        std::optional<std::uint16_t> machine;
    };
    const Case cases[] = {
        {"64-bit", amd64, config::amd64Machine},
        {"32-bit", imageHeader(config::i386Machine), config::i386Machine},
        {"new header right after the DOS header", imageHeader(config::arm64Machine, 0x40),
         config::arm64Machine},
        {"new header far into the file", imageHeader(config::i386Machine, 0x1F00),
         config::i386Machine},
        {"empty file", {}, std::nullopt},
        {"text", std::vector<std::uint8_t>(200, 'x'), std::nullopt},
        {"no MZ", withByte(amd64, 1, 'X'), std::nullopt},
        {"no PE signature", withByte(amd64, 0x81, 'X'), std::nullopt},
        {"signature not followed by zeros", withByte(amd64, 0x82, 1), std::nullopt},
        {"cut inside the machine field",
         std::vector<std::uint8_t>(amd64.begin(), amd64.begin() + 0x85), std::nullopt},
        {"cut inside the DOS header",
         std::vector<std::uint8_t>(amd64.begin(), amd64.begin() + 0x3E), std::nullopt},
        {"e_lfanew past the end", withByte(amd64, 0x3F, 0x7F), std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeCheckFiles files;
        files.files[L"C:\\x.dll"] = c.bytes;
        EXPECT_EQ(imageMachine(files, L"C:\\x.dll"), c.machine);
    }
    FakeCheckFiles none;
    EXPECT_EQ(imageMachine(none, L"C:\\missing.dll"), std::nullopt);
}

TEST(ImageMachine, NamesTheMachinesAViewCanNeed) {
    EXPECT_EQ(config::machineName(config::i386Machine), L"32-bit x86");
    EXPECT_EQ(config::machineName(config::amd64Machine), L"x64");
    EXPECT_EQ(config::machineName(0x1C4), L"machine 0x1C4");
}

TEST(ClassPathEntries, LooksOnlyForAbsoluteEntriesAndAWildcardsFolder) {
    struct Case {
        std::wstring classPath;
        std::vector<std::pair<std::wstring, std::wstring>> entries;  // text, path
    };
    const Case cases[] = {
        {L"", {}},
        {L"C:\\a.jar", {{L"C:\\a.jar", L"C:\\a.jar"}}},
        {L"C:\\a.jar;;D:/b/classes;",
         {{L"C:\\a.jar", L"C:\\a.jar"}, {L"D:/b/classes", L"D:/b/classes"}}},
        {L"lib\\a.jar;.;C:\\lib\\*", {{L"C:\\lib\\*", L"C:\\lib"}}},
        {L"\\\\host\\share\\a.jar;C:relative.jar;C:",
         {{L"\\\\host\\share\\a.jar", L"\\\\host\\share\\a.jar"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.classPath.begin(), c.classPath.end()));
        std::vector<std::pair<std::wstring, std::wstring>> found;
        for (const config::ClassPathEntry& entry : config::classPathEntries(c.classPath)) {
            found.emplace_back(entry.text, entry.path);
        }
        EXPECT_EQ(found, c.entries);
    }
}

TEST(RememberedFiles, AsksTheFileSystemOncePerPath) {
    FakeCheckFiles files;
    files.files[L"C:\\VOLM.dll"] = imageHeader(config::amd64Machine);
    config::RememberedFiles remembered(files);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(remembered.pathKind(L"C:\\VOLM.dll"), config::PathKind::file);
        EXPECT_EQ(remembered.pathKind(L"C:\\gone"), config::PathKind::missing);
        EXPECT_EQ(remembered.imageMachine(L"C:\\VOLM.dll"), config::amd64Machine);
    }
    EXPECT_EQ(files.asked[L"C:\\gone"], 1);
    EXPECT_EQ(files.asked[L"C:\\VOLM.dll"], 3);  // its kind, then two reads of its header
}

TEST(BracedGuid, AcceptsOnlyWhatCOMTakesAsACLSID) {
    const std::pair<std::wstring, bool> cases[] = {
        {L"{B036ABD6-EE02-4d8e-8D67-186DFEE9A903}", true},
        {L"{b036abd6-ee02-4D8E-8d67-186dfee9a903}", true},
        {L"B036ABD6-EE02-4d8e-8D67-186DFEE9A903", false},
        {L"{B036ABD6-EE02-4d8e-8D67-186DFEE9A903", false},
        {L"{B036ABD6-EE02-4d8e-8D67-186DFEE9A90G}", false},
        {L"{B036ABD6EEE02-4d8e-8D67-186DFEE9A903}", false},
        {L"{B036ABD6-EE02-4d8e-8D67-186DFEE9A9031}", false},
        {L"(B036ABD6-EE02-4d8e-8D67-186DFEE9A903)", false},
        {L"", false},
    };
    for (const auto& [name, usable] : cases) {
        EXPECT_EQ(volmora::isBracedGuid(name), usable) << std::string(name.begin(), name.end());
    }
}

}  // namespace
}  // namespace volmora::testing
