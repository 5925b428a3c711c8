// The installer steps' CustomActionData: the command a step runs, and the type library whose
// registration a rollback removes by its identity, without the library's file.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <variant>
#include <vector>

#include "memoryRegistry.h"
#include "stepData.h"
#include "typeLibRemoval.h"

namespace volmora::msistep {
namespace {

using Items = std::vector<std::wstring>;

// The count catches a line feed that a property's value brought in; a carriage return is refused
// wherever it stands.
TEST(DataItems, ReadsTheCountedItemsAndRefusesAnythingElse) {
    const std::wstring lineFeed =
        L": a property's value holds a line feed, which would make two arguments of one";
    const std::wstring carriageReturn =
        L", which no item may hold: a property's value holds a line break";
    const struct {
        std::wstring data;
        Items items;
        std::wstring fault;  // empty: read
    } cases[] = {
        {L"0", {}, L""},
        {L"1\n", {L""}, L""},
        {L"3\na b\n\n\"q\"", {L"a b", L"", L"\"q\""}, L""},
        {L"12\n1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n11\n12",
         {L"1", L"2", L"3", L"4", L"5", L"6", L"7", L"8", L"9", L"10", L"11", L"12"},
         L""},
        {L"", {}, L"CustomActionData is empty"},
        {L"2\na", {}, L"CustomActionData holds 1 items where its first line names 2" + lineFeed},
        {L"1\nC:\\jvm.dll\n-Xdebug",
         {},
         L"CustomActionData holds 2 items where its first line names 1" + lineFeed},
        {L"1\na\n", {}, L"CustomActionData holds 2 items where its first line names 1" + lineFeed},
        {L"2\na\r\nb", {}, L"CustomActionData holds a carriage return in item 1" + carriageReturn},
        {L"2\na\nb\r", {}, L"CustomActionData holds a carriage return in item 2" + carriageReturn},
        {L"1\r\na",
         {},
         L"CustomActionData holds a carriage return in its first line" + carriageReturn},
        {L"a\nb", {}, L"CustomActionData does not start with its number of items: a"},
        {L"C:\\v\\volmoraRun.exe\nbindHost",
         {},
         L"CustomActionData does not start with its number of items: C:\\v\\volmoraRun.exe"},
        {L"+1\na", {}, L"CustomActionData does not start with its number of items: +1"},
        {L"01\na", {}, L"CustomActionData does not start with its number of items: 01"},
        {L"\na", {}, L"CustomActionData does not start with its number of items: "},
        {L"99999\na", {}, L"CustomActionData does not start with its number of items: 99999"},
    };
    for (const auto& c : cases) {
        const auto read = dataItems(c.data);
        if (c.fault.empty()) {
            ASSERT_TRUE(std::holds_alternative<Items>(read)) << std::get<Fault>(read).text;
            EXPECT_EQ(std::get<Items>(read), c.items);
        } else {
            ASSERT_TRUE(std::holds_alternative<Fault>(read)) << ::testing::PrintToString(c.data);
            EXPECT_EQ(std::get<Fault>(read).text, c.fault);
        }
    }
}

TEST(StepCommand, ReadsOneArgumentPerLine) {
    const struct {
        std::wstring data;
        std::wstring program;
        Items arguments;
    } cases[] = {
        {L"1\nC:\\VOLM\\bin\\volmoraRun.exe", L"C:\\VOLM\\bin\\volmoraRun.exe", {}},
        {L"5\nC:\\Program Files\\VOLM\\bin\\volmoraRun.exe\nbindHost\n/s\nSample Server\n"
         L"C:\\Program Files\\VOLM\\lib\\a.jar",
         L"C:\\Program Files\\VOLM\\bin\\volmoraRun.exe",
         {L"bindHost", L"/s", L"Sample Server", L"C:\\Program Files\\VOLM\\lib\\a.jar"}},
        // Empty arguments stay arguments, also the last one after a final line feed.
        {L"4\nc:/v/volmoraRun.exe\n\nx\n", L"c:/v/volmoraRun.exe", {L"", L"x", L""}},
        // Blanks and tabs belong to the argument.
        {L"3\n\\\\server\\share\\volmoraRun.exe\n a\tb \nc",
         L"\\\\server\\share\\volmoraRun.exe",
         {L" a\tb ", L"c"}},
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
        {L"0", L"no command in CustomActionData"},
        {L"", L"CustomActionData is empty"},
        {L"2\nvolmoraRun.exe\nbindHost", L"the program to run is not a full path: volmoraRun.exe"},
        {L"1\n\"C:\\VOLM\\volmoraRun.exe\" bindHost /s",
         L"the program to run is not a full path: \"C:\\VOLM\\volmoraRun.exe\" bindHost /s"},
        {L"1\nbin\\volmoraRun.exe", L"the program to run is not a full path: bin\\volmoraRun.exe"},
        {L"1\nC:volmoraRun.exe", L"the program to run is not a full path: C:volmoraRun.exe"},
        {L"1\n1:\\volmoraRun.exe", L"the program to run is not a full path: 1:\\volmoraRun.exe"},
        // The programs' splitter has no escapes: a double quote would cut or split the argument.
        {L"5\nC:\\v\\volmoraRun.exe\nbindRuntime\n/s\nSampleJVM\nC:\\a\"b",
         L"argument 4 holds a double quote, which the programs cannot receive: C:\\a\"b"},
        {L"2\nC:\\v\\volmoraRun.exe\n\"",
         L"argument 1 holds a double quote, which the programs "
         L"cannot receive: \""},
        // A value with a line feed: the count no longer matches, and nothing runs.
        {L"5\nC:\\v\\volmoraRun.exe\nbindRuntime\n/s\nSampleJVM\nC:\\jvm.dll\n-Xdebug",
         L"CustomActionData holds 6 items where its first line names 5: a property's value holds "
         L"a line feed, which would make two arguments of one"},
    };
    for (const auto& c : cases) {
        const auto read = readStepCommand(c.data);
        ASSERT_TRUE(std::holds_alternative<Fault>(read)) << ::testing::PrintToString(c.data);
        EXPECT_EQ(std::get<Fault>(read).text, c.fault);
    }
}

// The number of items of data without its count.
std::size_t dataItemsIn(const std::wstring& items) {
    return static_cast<std::size_t>(std::count(items.begin(), items.end(), L'\n')) + 1;
}

constexpr wchar_t libraryGuid[] = L"{6C1E2B7A-3F0D-4E8B-9A52-1D7C4F0B9E31}";

TEST(TypeLibIdentity, ReadsTheIdentityAndNamesItsKeys) {
    const std::wstring guid = libraryGuid;
    const std::wstring iid = L"{1A2B3C4D-0000-4000-8000-00000000000A}";
    const struct {
        std::wstring data;
        std::wstring systemKey;
        Items interfaces;
    } cases[] = {
        {L"4\n" + guid + L"\n1.0\n0\nwin64", L"TypeLib\\" + guid + L"\\1.0\\0\\win64", {}},
        {L"4\n" + guid + L"\n1.0\n0\nwin32", L"TypeLib\\" + guid + L"\\1.0\\0\\win32", {}},
        // The registry writes version and locale in hex.
        {L"4\n" + guid + L"\n10.255\n1033\nwin32", L"TypeLib\\" + guid + L"\\a.ff\\409\\win32", {}},
        {L"4\n" + guid + L"\n65535.0\n4294967295\nwin64",
         L"TypeLib\\" + guid + L"\\ffff.0\\ffffffff\\win64",
         {}},
        {L"6\n" + guid + L"\n1.0\n0\nwin64\n" + iid + L"\n" + guid,
         L"TypeLib\\" + guid + L"\\1.0\\0\\win64",
         {iid, guid}},
    };
    for (const auto& c : cases) {
        const auto read = readTypeLibIdentity(c.data);
        ASSERT_TRUE(std::holds_alternative<TypeLibIdentity>(read)) << std::get<Fault>(read).text;
        EXPECT_EQ(systemKey(std::get<TypeLibIdentity>(read)), c.systemKey);
        EXPECT_EQ(std::get<TypeLibIdentity>(read).interfaces, c.interfaces);
    }
}

TEST(TypeLibIdentity, RefusesAnIncompleteOrMalformedIdentity) {
    const std::wstring guid = libraryGuid;
    const std::wstring cases[] = {
        L"0",
        guid,
        guid + L"\n1.0\n0",
        guid + L"\n1.0\n0\nwin64\n",
        guid + L"\n1.0\n0\nwin64\n{1A2B3C4D-0000-4000-8000-00000000000A",
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
    for (const std::wstring& items : cases) {
        const std::wstring data =
            items == L"0" ? items : std::to_wstring(dataItemsIn(items)) + L"\n" + items;
        const auto read = readTypeLibIdentity(data);
        ASSERT_TRUE(std::holds_alternative<Fault>(read)) << ::testing::PrintToString(data);
        EXPECT_TRUE(std::get<Fault>(read).text.starts_with(
            L"CustomActionData names no type library (one item each: {GUID}, major.minor, "
            L"locale id, win32 or win64, then the {IID} of each interface): "))
            << ::testing::PrintToString(std::get<Fault>(read).text);
    }
}

TEST(TypeLibRemoval, RemovesItsOwnKeysAndWhatIsLeftEmpty) {
    const std::wstring library = std::wstring(L"HKCR\\TypeLib\\") + libraryGuid;
    const TypeLibIdentity identity{libraryGuid, 1, 0, 0, SystemKind::win64, {}};
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
    EXPECT_EQ(removeTypeLibraryKeys(registry, {libraryGuid, 1, 0, 0, SystemKind::win64, {}}), 5);
    EXPECT_TRUE(registry.keyExists(library + L"\\1.0\\0\\win64"));
}

// An interface key goes only when its TypeLib subkey names this library: registration wrote it
// for this library's interface. One that another library or nothing claims stays.
TEST(TypeLibRemoval, RemovesOnlyTheInterfaceKeysThatNameThisLibrary) {
    const std::wstring ours = L"{1A2B3C4D-0000-4000-8000-00000000000A}";
    const std::wstring another = L"{1A2B3C4D-0000-4000-8000-00000000000B}";
    const std::wstring unclaimed = L"{1A2B3C4D-0000-4000-8000-00000000000C}";
    const std::wstring missing = L"{1A2B3C4D-0000-4000-8000-00000000000D}";
    const std::wstring lowerCaseGuid = L"{6c1e2b7a-3f0d-4e8b-9a52-1d7c4f0b9e31}";
    const TypeLibIdentity identity{
        libraryGuid, 1, 0, 0, SystemKind::win64, {ours, another, unclaimed, missing}};
    testing::MemoryRegistry registry;
    registry.putText(L"HKCR\\Interface\\" + ours + L"\\TypeLib", L"", lowerCaseGuid);
    registry.putText(L"HKCR\\Interface\\" + ours + L"\\TypeLib", L"Version", L"1.0");
    registry.putText(L"HKCR\\Interface\\" + ours + L"\\ProxyStubClsid32", L"",
                     L"{00020424-0000-0000-C000-000000000046}");
    registry.putText(L"HKCR\\Interface\\" + another + L"\\TypeLib", L"",
                     L"{00020430-0000-0000-C000-000000000046}");
    registry.putKey(L"HKCR\\Interface\\" + unclaimed + L"\\ProxyStubClsid32");
    EXPECT_EQ(removeInterfaceKeys(registry, identity), 0);
    EXPECT_FALSE(registry.keyExists(L"HKCR\\Interface\\" + ours));
    EXPECT_TRUE(registry.keyExists(L"HKCR\\Interface\\" + another + L"\\TypeLib"));
    EXPECT_TRUE(registry.keyExists(L"HKCR\\Interface\\" + unclaimed + L"\\ProxyStubClsid32"));
    EXPECT_EQ(registry.openHandles(), 0u);

    // A key that cannot be read or deleted stops the removal with the registry's error.
    const std::wstring typeLib = L"HKCR\\Interface\\" + ours + L"\\TypeLib";
    const std::pair<testing::RegistryCall, std::wstring> failures[] = {
        {testing::RegistryCall::queryDefaultValue, typeLib + L"@"},
        {testing::RegistryCall::deleteKey, typeLib},
    };
    for (const auto& [call, target] : failures) {
        testing::MemoryRegistry failing;
        failing.putText(typeLib, L"", libraryGuid);
        failing.failCall(call, target, 5);
        EXPECT_EQ(removeInterfaceKeys(failing, identity), 5);
        EXPECT_TRUE(failing.keyExists(L"HKCR\\Interface\\" + ours));
    }
}

}  // namespace
}  // namespace volmora::msistep
