// Single registry values in and out of keys: types, exact bytes, and what each routine leaves
// in its out-parameter when a call fails.
#include <gtest/gtest.h>

#include "memoryRegistry.h"
#include "nameRules.h"
#include "regUtil.h"
#include "toolUtil.h"

namespace volmora::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;

const std::wstring keyPath = L"HKCU\\Software\\Values";

class RegUtil : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(registry.createKey(currentUser, L"Software\\Values", key), status::success);
    }
    void TearDown() override { registry.closeKey(key); }

    std::optional<StoredValue> stored(const std::wstring& name, const std::wstring& at = {}) {
        return registry.value(at.empty() ? keyPath : keyPath + L"\\" + at, name);
    }

    MemoryRegistry registry;
    KeyHandle key{};
};

TEST_F(RegUtil, SetNamedValueStoresTextWithTerminatorAndNumbersAsFourBytes) {
    struct Case {
        std::wstring name;
        std::uint32_t type;
        RegValue value;
        StoredValue expected;
    };
    const Case cases[] = {
        {L"ProgId",
         valueType::sz,
         std::wstring(L"abc"),
         {valueType::sz, {'a', 0, 'b', 0, 'c', 0, 0, 0}}},
        {L"", valueType::sz, std::wstring(L"d"), {valueType::sz, {'d', 0, 0, 0}}},
        {L"Empty", valueType::sz, std::wstring(), {valueType::sz, {0, 0}}},
        {L"Wide",
         valueType::sz,
         std::wstring(L"\u00E9\u4E2D"),
         {valueType::sz, {0xE9, 0, 0x2D, 0x4E, 0, 0}}},
        {L"Count", valueType::dword, std::int32_t{0x01020304}, {valueType::dword, {4, 3, 2, 1}}},
        {L"Minus",
         valueType::dword,
         std::int32_t{-2},
         {valueType::dword, {0xFE, 0xFF, 0xFF, 0xFF}}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(setNamedValue(registry, key, c.name, c.type, c.value), status::success);
        EXPECT_EQ(stored(c.name), c.expected) << ::testing::PrintToString(c.name);
        RegValue back;
        EXPECT_EQ(getNamedValue(registry, key, c.name, back), status::success);
        EXPECT_EQ(back, c.value) << ::testing::PrintToString(c.name);
    }
}

TEST_F(RegUtil, SetNamedValueRefusesOtherTypesAndNonNumbers) {
    const std::uint32_t refused[] = {valueType::none, valueType::expandSz, valueType::binary,
                                     valueType::multiSz, 11};
    for (auto type : refused) {
        EXPECT_EQ(setNamedValue(registry, key, L"v", type, std::wstring(L"x")), unsupportedType);
    }
    EXPECT_FALSE(stored(L"v"));
    try {
        setNamedValue(registry, key, L"n", valueType::dword, std::wstring(L"12x"));
        ADD_FAILURE() << "a text written as a number must raise an error";
    } catch (const ToolError& error) {
        EXPECT_EQ(error.number, 13);
    }
    EXPECT_FALSE(stored(L"n"));
}

TEST_F(RegUtil, SetNamedValueReturnsTheRegistrysCode) {
    registry.failCall(RegistryCall::setValue, keyPath + L"@ProgId", status::accessDenied);
    EXPECT_EQ(setNamedValue(registry, key, L"ProgId", valueType::sz, std::wstring(L"x")),
              status::accessDenied);
    EXPECT_FALSE(stored(L"ProgId"));
}

TEST_F(RegUtil, GetNamedValueReadsTextsByTheirStoredBytes) {
    const std::pair<Bytes, std::wstring> cases[] = {
        {{'a', 0, 'b', 0, 'c', 0, 0, 0}, L"abc"},
        // Without terminator the text is read whole.
        {{'a', 0, 'b', 0, 'c', 0}, L"abc"},
        // An odd last byte is ignored.
        {{'a', 0, 'b', 0, 'c'}, L"ab"},
        {{'a', 0, 0, 0, 'c'}, L"a"},
        {{}, L""},
        {{0, 0}, L""},
        {{'a'}, L""},
        // The text is what stands before the first zero character, whatever follows it: an
        // installer that writes its whole buffer leaves zero characters after the text.
        {{'a', 0, 0, 0, 'b', 0, 0, 0}, L"a"},
        {{'a', 0, 0, 0, 0, 0}, L"a"},
        {{'C', 0, ':', 0, '\\', 0, 'a', 0, '.', 0, 'j', 0, 'a', 0, 'r', 0, 0, 0, 0, 0, 0, 0, 0, 0},
         L"C:\\a.jar"},
        {{0, 0, 'a', 0}, L""},
        // A zero byte alone is half of a character, not its end.
        {{0, 'a', 'b', 0, 0, 0}, L"\x6100\x0062"},
        {{0x3D, 0xD8, 0x00, 0xDE, 0, 0}, L"\U0001F600"},
    };
    for (const auto& [bytes, text] : cases) {
        registry.putValue(keyPath, L"t", {valueType::sz, bytes});
        RegValue value = std::int32_t{7};
        EXPECT_EQ(getNamedValue(registry, key, L"t", value), status::success);
        EXPECT_EQ(value, RegValue(text)) << ::testing::PrintToString(bytes);
    }
    // Past the first buffer too, where the value is read again.
    Bytes padded;
    for (int i = 0; i < 300; ++i) {
        padded.insert(padded.end(), {'x', 0});
    }
    padded.resize(padded.size() + 400, 0);
    registry.putValue(keyPath, L"t", {valueType::sz, padded});
    RegValue value;
    EXPECT_EQ(getNamedValue(registry, key, L"t", value), status::success);
    EXPECT_EQ(value, RegValue(std::wstring(300, L'x')));
}

TEST_F(RegUtil, GetNamedValueLeavesItsValueAloneForMissingAndOtherTypes) {
    const std::pair<std::optional<StoredValue>, long> cases[] = {
        {std::nullopt, status::fileNotFound},
        {StoredValue{valueType::expandSz, {'%', 0, 0, 0}}, unsupportedType},
        {StoredValue{valueType::multiSz, {'a', 0, 0, 0, 0, 0}}, unsupportedType},
        {StoredValue{valueType::binary, {1, 2}}, unsupportedType},
        {StoredValue{valueType::none, {}}, unsupportedType},
        {StoredValue{11, {1, 2, 3, 4, 5, 6, 7, 8}}, unsupportedType},
    };
    for (const auto& [storedValue, expected] : cases) {
        registry.removeValue(keyPath, L"v");
        if (storedValue) {
            registry.putValue(keyPath, L"v", *storedValue);
        }
        RegValue value = std::wstring(L"before");
        EXPECT_EQ(getNamedValue(registry, key, L"v", value), expected);
        EXPECT_EQ(value, RegValue(std::wstring(L"before")));
    }
}

TEST_F(RegUtil, ReadsAValueWithOneQueryUnlessItIsLongerThanTheFirstBuffer) {
    struct Case {
        std::size_t characters;
        std::size_t queries;
    };
    // The first buffer holds 512 bytes: 255 characters and the terminator.
    const Case cases[] = {{0, 1}, {10, 1}, {255, 1}, {256, 2}, {40000, 2}};
    for (const auto& [characters, queries] : cases) {
        const std::wstring text(characters, L'x');
        registry.putText(keyPath, L"t", text);
        registry.putText(keyPath + L"\\Sub", L"", text);

        const std::size_t before = registry.callCount(RegistryCall::queryValue);
        RegValue value;
        EXPECT_EQ(getNamedValue(registry, key, L"t", value), status::success);
        EXPECT_EQ(value, RegValue(text));
        EXPECT_EQ(registry.callCount(RegistryCall::queryValue) - before, queries) << characters;

        const std::size_t defaultBefore = registry.callCount(RegistryCall::queryDefaultValue);
        std::wstring read;
        EXPECT_EQ(getKeyDefaultValue(registry, key, L"Sub", read), status::success);
        EXPECT_EQ(read, text);
        EXPECT_EQ(registry.callCount(RegistryCall::queryDefaultValue) - defaultBefore, queries)
            << characters;
    }
}

TEST_F(RegUtil, GetNamedValueReportsAFailedSecondRead) {
    // Only a text longer than the first buffer is read twice; a number never is.
    registry.putText(keyPath, L"t", std::wstring(300, L'a'));
    registry.putValue(keyPath, L"n", {valueType::dword, {1, 0, 0, 0}});
    struct Case {
        std::wstring name;
        std::size_t callsThatPass;
        long code;
        RegValue after;  // a failed second read of a text empties the value; others keep it
    };
    const Case cases[] = {
        {L"t", 1, status::fileNotFound, std::monostate{}},
        {L"t", 0, status::accessDenied, std::wstring(L"before")},
        {L"n", 0, status::accessDenied, std::wstring(L"before")},
    };
    for (const auto& c : cases) {
        registry.failLaterCall(RegistryCall::queryValue, keyPath + L"@" + c.name, c.code,
                               c.callsThatPass);
        RegValue value = std::wstring(L"before");
        EXPECT_EQ(getNamedValue(registry, key, c.name, value), c.code);
        EXPECT_EQ(value, c.after) << ::testing::PrintToString(c.name);
    }
}

TEST_F(RegUtil, AReadThatMeetsAGrowingValueAsksAgain) {
    registry.putText(keyPath, L"t", std::wstring(300, L'a'));
    // The value grows between the first query and the second: the registry answers 234 again.
    registry.failLaterCall(RegistryCall::queryValue, keyPath + L"@t", status::moreData, 1);
    RegValue value;
    EXPECT_EQ(getNamedValue(registry, key, L"t", value), status::success);
    EXPECT_EQ(value, RegValue(std::wstring(300, L'a')));
    EXPECT_EQ(registry.callCount(RegistryCall::queryValue), 3u);
}

TEST_F(RegUtil, GetNamedValueReadsNumbersOfOtherSizes) {
    const std::pair<Bytes, std::int32_t> cases[] = {
        {{0xFF, 0xFF, 0xFF, 0x7F}, INT32_MAX},
        {{0, 0, 0, 0x80}, INT32_MIN},
        {{5, 1}, 0x105},
    };
    for (const auto& [bytes, number] : cases) {
        registry.putValue(keyPath, L"n", {valueType::dword, bytes});
        RegValue value;
        EXPECT_EQ(getNamedValue(registry, key, L"n", value), status::success);
        EXPECT_EQ(value, RegValue(number));
    }
    // More bytes than a number holds: the registry says so, and nothing is read.
    registry.putValue(keyPath, L"n", {valueType::dword, {1, 2, 3, 4, 5, 6, 7, 8}});
    RegValue value;
    EXPECT_EQ(getNamedValue(registry, key, L"n", value), status::moreData);
    EXPECT_EQ(value, RegValue());
}

TEST_F(RegUtil, GetKeyDefaultValueReadsSubkeysOfAnyDepth) {
    registry.putText(keyPath + L"\\CLSID\\{X}\\InprocServer32", L"", L"C:\\VOLM\\VOLM.dll");
    registry.putValue(keyPath + L"\\Unterminated", L"", {valueType::sz, {'d', 0, 'l', 0}});
    registry.putKey(keyPath + L"\\NoDefault");
    registry.putValue(keyPath + L"\\Empty", L"", {valueType::sz, {}});
    registry.putValue(keyPath + L"\\Padded", L"", {valueType::sz, {'d', 0, 0, 0, 'l', 0, 0, 0}});
    registry.putText(keyPath, L"", L"self");
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L"CLSID\\{X}\\InprocServer32", L"C:\\VOLM\\VOLM.dll"},
        {L"clsid\\{x}\\INPROCSERVER32", L"C:\\VOLM\\VOLM.dll"},
        {L"Unterminated", L"dl"},
        {L"NoDefault", L""},
        {L"Empty", L""},
        {L"Padded", L"d"},
        {L"", L"self"},
    };
    for (const auto& [subkey, expected] : cases) {
        std::wstring text = L"before";
        EXPECT_EQ(getKeyDefaultValue(registry, key, subkey, text), status::success);
        EXPECT_EQ(text, expected) << ::testing::PrintToString(subkey);
    }
}

TEST_F(RegUtil, GetKeyDefaultValueFailures) {
    registry.putText(keyPath + L"\\Sub", L"", L"value");
    std::wstring text = L"before";
    EXPECT_EQ(getKeyDefaultValue(registry, key, L"Missing\\Sub", text), status::fileNotFound);
    EXPECT_EQ(text, L"before");
    registry.putText(keyPath + L"\\Long", L"", std::wstring(300, L'a'));
    registry.failLaterCall(RegistryCall::queryDefaultValue, keyPath + L"\\Long@",
                           status::accessDenied, 1);
    EXPECT_EQ(getKeyDefaultValue(registry, key, L"Long", text), status::accessDenied);
    EXPECT_EQ(text, L"");
}

TEST_F(RegUtil, SetKeyDefaultValueCreatesMissingKeysAndTakesTextsOnly) {
    EXPECT_EQ(setKeyDefaultValue(registry, key, L"A\\B", valueType::dword, L"1"), unsupportedType);
    EXPECT_FALSE(registry.keyExists(keyPath + L"\\A"));
    EXPECT_EQ(setKeyDefaultValue(registry, key, L"A\\B", valueType::sz, L"x"), status::success);
    EXPECT_EQ(registry.value(keyPath + L"\\A\\B", L""),
              (StoredValue{valueType::sz, {'x', 0, 0, 0}}));
    EXPECT_FALSE(registry.value(keyPath + L"\\A", L""));
    registry.failCall(RegistryCall::setDefaultValue, keyPath + L"\\A\\B@", status::accessDenied);
    EXPECT_EQ(setKeyDefaultValue(registry, key, L"A\\B", valueType::sz, L"y"),
              status::accessDenied);
    EXPECT_EQ(registry.text(keyPath + L"\\A\\B", L""), L"x");
}

TEST_F(RegUtil, NamedTextOrFallsBackWhenNoTextOrNumberCanBeRead) {
    registry.putText(keyPath, L"Text", L"abc");
    registry.putValue(keyPath, L"Number", {valueType::dword, {0xFF, 0xFF, 0xFF, 0xFF}});
    registry.putValue(keyPath, L"Expand", {valueType::expandSz, {'a', 0, 0, 0}});
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L"Text", L"abc"}, {L"Number", L"-1"}, {L"Expand", L"?"}, {L"Missing", L"?"}};
    for (const auto& [name, expected] : cases) {
        EXPECT_EQ(namedTextOr(registry, key, name, L"?"), expected);
    }
}

TEST(KeyNameStatus, AcceptsOneNameOnly) {
    const std::pair<std::wstring, long> cases[] = {
        {L"{B036ABD6-EE02-4d8e-8D67-186DFEE9A903}", status::success},
        {L"MyServer.CoolService", status::success},
        {L"\u00C9t\u00E9 \U0001F600", status::success},
        {std::wstring(300, L'x'), status::success},  // the registry judges lengths
        {L"", status::badPathname},
        {L"a\\b", status::badPathname},
        {L"\\a", status::badPathname},
        {L"a\\", status::badPathname},
        {std::wstring(L"a\0b", 3), status::badPathname},  // the calls would stop at the NUL
    };
    for (const auto& [name, expected] : cases) {
        EXPECT_EQ(keyNameStatus(name), expected) << ::testing::PrintToString(name);
    }
}

}  // namespace
}  // namespace volmora::testing
