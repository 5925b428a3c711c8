// The installer steps' CustomActionData: the command a step runs, and the type library whose
// registration a rollback removes by its identity, without the library's file.
#include <gtest/gtest.h>

#include <string>
#include <variant>
#include <vector>

#include "memoryRegistry.h"
#include "msiStepData.h"
#include "typeLibRemoval.h"

namespace volmora::msistep {
namespace {

using Items = std::vector<std::wstring>;

TEST(StepCommand, ReadsOneArgumentPerLine) {
    const struct {
        std::wstring data;
        std::wstring program;
        Items arguments;
    } cases[] = {
        {L"C:\\VOLM\\bin\\volmoraRun.exe", L"C:\\VOLM\\bin\\volmoraRun.exe", {}},
        {L"C:\\Program Files\\VOLM\\bin\\volmoraRun.exe\nbindHost\n/s\nSample Server\n"
         L"C:\\Program Files\\VOLM\\lib\\a.jar",
         L"C:\\Program Files\\VOLM\\bin\\volmoraRun.exe",
         {L"bindHost", L"/s", L"Sample Server", L"C:\\Program Files\\VOLM\\lib\\a.jar"}},
        // Empty arguments stay arguments, also the last one after a final line feed.
        {L"c:/v/volmoraRun.exe\n\nx\n", L"c:/v/volmoraRun.exe", {L"", L"x", L""}},
        // Blanks, tabs and a carriage return belong to the argument.
        {L"\\\\server\\share\\volmoraRun.exe\n a\tb \nc\r",
         L"\\\\server\\share\\volmoraRun.exe",
         {L" a\tb ", L"c\r"}},
    };
    for (const auto& c : cases) {
        const auto read = readStepCommand(c.data);
        ASSERT_TRUE(std::holds_alternative<StepCommand>(read)) << std::get<Fault>(read).text;
        EXPECT_EQ(std::get<StepCommand>(read).program, c.program);
        EXPECT_EQ(std::get<StepCommand>(read).arguments, c.arguments);
    }
}

TEST(StepCommand, RefusesWhatCannotRunExactly) {
    const struct {
        std::wstring data;
        std::wstring fault;
    } cases[] = {
        {L"", L"no command in CustomActionData"},
        {L"volmoraRun.exe\nbindHost", L"the program to run is not a full path: volmoraRun.exe"},
        {L"\"C:\\VOLM\\volmoraRun.exe\" bindHost /s",
         L"the program to run is not a full path: \"C:\\VOLM\\volmoraRun.exe\" bindHost /s"},
        {L"bin\\volmoraRun.exe", L"the program to run is not a full path: bin\\volmoraRun.exe"},
        {L"C:volmoraRun.exe", L"the program to run is not a full path: C:volmoraRun.exe"},
        {L"1:\\volmoraRun.exe", L"the program to run is not a full path: 1:\\volmoraRun.exe"},
        // The programs' splitter has no escapes: a double quote would cut or split the argument.
        {L"C:\\v\\volmoraRun.exe\nbindRuntime\n/s\nSampleJVM\nC:\\a\"b",
         L"argument 4 holds a double quote, which the programs cannot receive: C:\\a\"b"},
        {L"C:\\v\\volmoraRun.exe\n\"",
         L"argument 1 holds a double quote, which the programs "
         L"cannot receive: \""},
    };
    for (const auto& c : cases) {
        const auto read = readStepCommand(c.data);
        ASSERT_TRUE(std::holds_alternative<Fault>(read)) << ::testing::PrintToString(c.data);
        EXPECT_EQ(std::get<Fault>(read).text, c.fault);
    }
}

constexpr wchar_t libraryGuid[] = L"{6C1E2B7A-3F0D-4E8B-9A52-1D7C4F0B9E31}";

TEST(TypeLibIdentity, ReadsTheIdentityAndNamesItsKeys) {
    const std::wstring guid = libraryGuid;
    const struct {
        std::wstring data;
        std::wstring systemKey;
    } cases[] = {
        {guid + L"\n1.0\n0\nwin64", L"TypeLib\\" + guid + L"\\1.0\\0\\win64"},
        {guid + L"\n1.0\n0\nwin32", L"TypeLib\\" + guid + L"\\1.0\\0\\win32"},
        // The registry writes version and locale in hex.
        {guid + L"\n10.255\n1033\nwin32", L"TypeLib\\" + guid + L"\\a.ff\\409\\win32"},
        {guid + L"\n65535.0\n4294967295\nwin64",
         L"TypeLib\\" + guid + L"\\ffff.0\\ffffffff\\win64"},
    };
    for (const auto& c : cases) {
        const auto read = readTypeLibIdentity(c.data);
        ASSERT_TRUE(std::holds_alternative<TypeLibIdentity>(read)) << std::get<Fault>(read).text;
        EXPECT_EQ(systemKey(std::get<TypeLibIdentity>(read)), c.systemKey);
    }
}

TEST(TypeLibIdentity, RefusesAnIncompleteOrMalformedIdentity) {
    const std::wstring guid = libraryGuid;
    const std::wstring cases[] = {
        L"",
        guid,
        guid + L"\n1.0\n0",
        guid + L"\n1.0\n0\nwin64\n",
        guid + L"\n1.0\n0\nWin64",
        guid + L"\n1.0\n0\nwin16",
        guid + L"\n1\n0\nwin64",
        guid + L"\n1.\n0\nwin64",
        guid + L"\n1.0.0\n0\nwin64",
        guid + L"\n65536.0\n0\nwin64",
        guid + L"\n1.0\n4294967296\nwin64",
        guid + L"\n1.0\n-1\nwin64",
        guid + L"\n1.0\n0x409\nwin64",
        L"6C1E2B7A-3F0D-4E8B-9A52-1D7C4F0B9E31\n1.0\n0\nwin64",
        L"{6C1E2B7A-3F0D-4E8B-9A52+1D7C4F0B9E31}\n1.0\n0\nwin64",
        L"{6C1E2B7A-3F0D-4E8B-9A52-1D7C4F0B9E3G}\n1.0\n0\nwin64",
    };
    for (const std::wstring& data : cases) {
        const auto read = readTypeLibIdentity(data);
        ASSERT_TRUE(std::holds_alternative<Fault>(read)) << ::testing::PrintToString(data);
        EXPECT_TRUE(
            std::get<Fault>(read).text.starts_with(L"CustomActionData names no type "
                                                   L"library (one line each: {GUID}, "
                                                   L"major.minor, locale id, win32 or "
                                                   L"win64): "));
    }
}

TEST(TypeLibRemoval, RemovesItsOwnKeysAndWhatIsLeftEmpty) {
    const std::wstring library = std::wstring(L"HKCR\\TypeLib\\") + libraryGuid;
    const TypeLibIdentity identity{libraryGuid, 1, 0, 0, SystemKind::win64};
    const struct {
        const char* name;
        Items before;
        long result;
        Items after;  // every key below the library's, in the dump's order
    } cases[] = {
        {"alone",
         {library + L"\\1.0\\0\\win64", library + L"\\1.0\\FLAGS", library + L"\\1.0\\HELPDIR"},
         0,
         {}},
        {"with a key below its system key", {library + L"\\1.0\\0\\win64\\extra"}, 0, {}},
        {"beside the other system kind",
         {library + L"\\1.0\\0\\win64", library + L"\\1.0\\0\\win32", library + L"\\1.0\\FLAGS"},
         0,
         {library, library + L"\\1.0", library + L"\\1.0\\0", library + L"\\1.0\\0\\win32",
          library + L"\\1.0\\FLAGS"}},
        {"beside another locale",
         {library + L"\\1.0\\0\\win64", library + L"\\1.0\\409\\win64"},
         0,
         {library, library + L"\\1.0", library + L"\\1.0\\409", library + L"\\1.0\\409\\win64"}},
        {"beside another version",
         {library + L"\\1.0\\0\\win64", library + L"\\2.0\\0\\win64"},
         0,
         {library, library + L"\\2.0", library + L"\\2.0\\0", library + L"\\2.0\\0\\win64"}},
        {"not registered",
         {library + L"\\2.0\\0\\win64"},
         2,
         {library, library + L"\\2.0", library + L"\\2.0\\0", library + L"\\2.0\\0\\win64"}},
    };
    for (const auto& c : cases) {
        testing::MemoryRegistry registry;
        for (const std::wstring& key : c.before) {
            registry.putKey(key);
        }
        registry.putKey(L"HKCR\\TypeLib\\{00020430-0000-0000-C000-000000000046}\\2.0\\0\\win64");
        EXPECT_EQ(removeTypeLibraryKeys(registry, identity), c.result) << c.name;
        std::wstring expected;
        for (const std::wstring& key : c.after) {
            expected += key + L"\n";
        }
        EXPECT_EQ(registry.dump(library), expected) << c.name;
        EXPECT_TRUE(registry.keyExists(L"HKCR\\TypeLib\\{00020430-0000-0000-C000-000000000046}"))
            << c.name;
        EXPECT_EQ(registry.openHandles(), 0u) << c.name;
    }
}

TEST(TypeLibRemoval, StopsAtTheFirstRegistryError) {
    const std::wstring library = std::wstring(L"HKCR\\TypeLib\\") + libraryGuid;
    testing::MemoryRegistry registry;
    registry.putKey(library + L"\\1.0\\0\\win64");
    registry.failCall(testing::RegistryCall::deleteKey, library + L"\\1.0\\0\\win64", 5);
    EXPECT_EQ(removeTypeLibraryKeys(registry, {libraryGuid, 1, 0, 0, SystemKind::win64}), 5);
    EXPECT_TRUE(registry.keyExists(library + L"\\1.0\\0\\win64"));
}

}  // namespace
}  // namespace volmora::msistep
