// What the tools rely on of the registry, run against the in-memory registry natively and the
// real one under Wine, so that the unit tests' registry answers as the real one does.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "contractRegistry.h"

namespace volmora::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr long keyDeleted = 1018;

class RegistryContract : public ::testing::Test {
  protected:
    void SetUp() override { contract_ = makeContractRegistry(); }
    void TearDown() override {
        for (auto key : open_) {
            reg().closeKey(key);
        }
        contract_.reset();
    }

    Registry& reg() { return contract_->registry(); }
    KeyHandle base() { return contract_->scratch(); }

    // Keys opened through these helpers are closed after the test.
    long create(const std::wstring& path, KeyHandle& key) {
        long result = reg().createKey(base(), path, key);
        if (result == status::success)
            open_.push_back(key);
        return result;
    }
    KeyHandle create(const std::wstring& path) {
        KeyHandle key{};
        EXPECT_EQ(create(path, key), status::success)
            << "creating " << ::testing::PrintToString(path);
        return key;
    }
    long open(const std::wstring& path, KeyAccess access, KeyHandle& key) {
        long result = reg().openKey(base(), path, access, key);
        if (result == status::success)
            open_.push_back(key);
        return result;
    }
    long openStatus(const std::wstring& path) {
        KeyHandle key{};
        return open(path, KeyAccess::read, key);
    }
    std::vector<std::wstring> subkeys(KeyHandle key) {
        std::vector<std::wstring> names;
        std::wstring name;
        long result = status::success;
        for (std::uint32_t index = 0; (result = reg().enumKey(key, index, name)) == 0; ++index) {
            names.push_back(name);
        }
        EXPECT_EQ(result, status::noMoreItems);
        std::sort(names.begin(), names.end());
        return names;
    }
    long set(KeyHandle key, const std::wstring& name, std::uint32_t type, const Bytes& data,
             std::uint32_t size) {
        return reg().setValue(key, name, type, data.data(), size);
    }

  private:
    std::unique_ptr<ContractRegistry> contract_;
    std::vector<KeyHandle> open_;
};

Bytes text(const std::wstring& chars) {
    Bytes bytes;
    for (wchar_t c : chars) {
        bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>((c >> 8) & 0xFF));
    }
    return bytes;
}

TEST_F(RegistryContract, KeyNamesMatchWithoutRegardToCaseAndKeepTheirFirstSpelling) {
    create(L"MixedCase");
    create(L"MIXEDCASE\\Inner");
    create(L"\u00C9t\u00E9");
    create(L"\u00E9T\u00C9\\Inner");
    EXPECT_EQ(subkeys(base()), (std::vector<std::wstring>{L"MixedCase", L"\u00C9t\u00E9"}));
    const std::wstring spellings[] = {L"mixedcase\\inner", L"MixedCase\\INNER",
                                      L"\u00E9t\u00E9\\inner", L"\u00C9T\u00C9\\Inner"};
    for (const auto& path : spellings) {
        EXPECT_EQ(openStatus(path), status::success) << ::testing::PrintToString(path);
    }
}

TEST_F(RegistryContract, CreatingAPathMakesEveryMissingKeyOnTheWay) {
    create(L"a\\b\\c");
    const std::pair<std::wstring, long> cases[] = {
        {L"a", status::success},
        {L"a\\b", status::success},
        {L"a\\b\\c", status::success},
        {L"a\\b\\c\\", status::success},  // a trailing "\" is ignored
        {L"a\\\\b", status::success},     // so is an empty name between two
        {L"a\\c", status::fileNotFound},
        {L"b", status::fileNotFound},
    };
    for (const auto& [path, expected] : cases) {
        EXPECT_EQ(openStatus(path), expected) << ::testing::PrintToString(path);
    }
    EXPECT_EQ(subkeys(create(L"a")), std::vector<std::wstring>{L"b"});
}

TEST_F(RegistryContract, DeleteRemovesOneLeafAndRefusesAKeyWithSubkeys) {
    create(L"parent\\child");
    create(L"lone");
    const std::pair<std::wstring, long> steps[] = {
        {L"parent", status::accessDenied},         {L"parent\\child", status::success},
        {L"parent\\child", status::fileNotFound},  {L"PARENT", status::success},
        {L"missing\\child", status::fileNotFound}, {L"lone\\", status::success},
    };
    for (const auto& [path, expected] : steps) {
        EXPECT_EQ(reg().deleteKey(base(), path), expected) << ::testing::PrintToString(path);
    }
    EXPECT_TRUE(subkeys(base()).empty());
}

TEST_F(RegistryContract, EnumerationCountsFromZeroAndEndsWith259) {
    KeyHandle parent = create(L"records");
    const std::wstring names[] = {L"{B}", L"{a}", L"{C}", L"_x", L"Y"};
    for (const auto& name : names) {
        create(L"records\\" + name);
    }
    std::wstring name;
    EXPECT_EQ(reg().enumKey(parent, 5, name), status::noMoreItems);
    EXPECT_EQ(reg().enumKey(parent, 1000, name), status::noMoreItems);
    EXPECT_EQ(subkeys(parent), (std::vector<std::wstring>{L"Y", L"_x", L"{B}", L"{C}", L"{a}"}));
    std::uint32_t count = 0;
    EXPECT_EQ(reg().countSubkeys(parent, count), status::success);
    EXPECT_EQ(count, 5u);
    ASSERT_EQ(reg().deleteKey(parent, L"{a}"), status::success);
    EXPECT_EQ(subkeys(parent), (std::vector<std::wstring>{L"Y", L"_x", L"{B}", L"{C}"}));
    EXPECT_EQ(reg().countSubkeys(parent, count), status::success);
    EXPECT_EQ(count, 4u);
}

TEST_F(RegistryContract, ValuesKeepTheirTypeAndExactBytes) {
    KeyHandle key = create(L"values");
    const Bytes abc = text(std::wstring(L"abc") + L'\0');
    const Bytes abcQ = text(L"abcQ");
    struct Case {
        const wchar_t* name;
        std::uint32_t type;
        Bytes buffer;        // what the caller's buffer holds
        std::uint32_t size;  // the count passed
        Bytes stored;
    };
    const Case cases[] = {
        {L"terminated", valueType::sz, abc, 8, abc},
        // A count that leaves out a terminator which follows in the buffer: it is stored too.
        {L"countShort", valueType::sz, abc, 6, abc},
        {L"expandShort", valueType::expandSz, abc, 6, abc},
        {L"multiShort", valueType::multiSz, abc, 6, abc},
        {L"binaryShort", valueType::binary, abc, 6, Bytes(abc.begin(), abc.begin() + 6)},
        // No zero character after the count: the text stays without terminator.
        {L"unterminated", valueType::sz, abcQ, 6, Bytes(abcQ.begin(), abcQ.begin() + 6)},
        {L"oddLength", valueType::sz, abcQ, 5, Bytes(abcQ.begin(), abcQ.begin() + 5)},
        {L"empty", valueType::sz, abc, 0, {}},
        {L"dword", valueType::dword, {1, 2, 3, 4}, 4, {1, 2, 3, 4}},
        {L"", valueType::sz, abcQ, 2, {'a', 0}},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(set(key, c.name, c.type, c.buffer, c.size), status::success) << c.name;
    }
    for (const auto& c : cases) {
        std::uint32_t type = 0;
        std::uint32_t size = 0;
        ASSERT_EQ(reg().queryValue(key, c.name, &type, nullptr, &size), status::success) << c.name;
        EXPECT_EQ(type, c.type) << c.name;
        ASSERT_EQ(size, c.stored.size()) << c.name;
        Bytes read(size + 2, 0x23);
        std::uint32_t readSize = size;
        ASSERT_EQ(reg().queryValue(key, c.name, nullptr, read.data(), &readSize), status::success);
        EXPECT_EQ(readSize, size) << c.name;
        EXPECT_EQ(Bytes(read.begin(), read.begin() + size), c.stored) << c.name;
        EXPECT_EQ(read[size], 0x23) << c.name << ": a buffer without room is not written past";
    }
}

// Listing values gives each name as written, its type and its exact bytes, a value larger than a
// first guess of buffer included; deleting one leaves the rest.
TEST_F(RegistryContract, ValuesListWithTypeAndBytesAndDeleteOneByOne) {
    KeyHandle key = create(L"listed");
    const Bytes big = text(std::wstring(3000, L'x') + L'\0');
    struct Case {
        std::wstring name;
        std::uint32_t type;
        Bytes data;
    };
    const Case cases[] = {
        {L"", valueType::sz, text(std::wstring(L"default") + L'\0')},
        {L"ProgId", valueType::sz, text(std::wstring(L"My.Prog") + L'\0')},
        {L"count", valueType::dword, {7, 0, 0, 0}},
        {L"Long", valueType::sz, big},
        {L"raw", valueType::binary, {}},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(set(key, c.name, c.type, c.data, static_cast<std::uint32_t>(c.data.size())),
                  status::success);
    }
    const auto listed = [&] {
        std::vector<Case> found;
        std::uint32_t index = 0;
        long result = status::success;
        for (;; ++index) {
            Case value;
            result = reg().enumValue(key, index, value.name, value.type, value.data);
            if (result != status::success) {
                break;
            }
            found.push_back(std::move(value));
        }
        EXPECT_EQ(result, status::noMoreItems);
        std::sort(found.begin(), found.end(),
                  [](const Case& a, const Case& b) { return a.name < b.name; });
        return found;
    };
    std::vector<Case> found = listed();
    ASSERT_EQ(found.size(), std::size(cases));
    for (const auto& c : cases) {
        const auto it = std::find_if(found.begin(), found.end(),
                                     [&](const Case& f) { return f.name == c.name; });
        ASSERT_NE(it, found.end()) << ::testing::PrintToString(c.name);
        EXPECT_EQ(it->type, c.type);
        EXPECT_EQ(it->data, c.data);
    }
    EXPECT_EQ(reg().deleteValue(key, L"PROGID"), status::success);
    EXPECT_EQ(reg().deleteValue(key, L"ProgId"), status::fileNotFound);
    EXPECT_EQ(reg().deleteValue(key, L""), status::success);
    EXPECT_EQ(listed().size(), std::size(cases) - 2);
}

TEST_F(RegistryContract, ReadingATextIntoARoomyBufferAddsTheMissingTerminator) {
    KeyHandle key = create(L"values");
    const Bytes abcQ = text(L"abcQ");
    ASSERT_EQ(set(key, L"unterminated", valueType::sz, abcQ, 6), status::success);
    ASSERT_EQ(set(key, L"binary", valueType::binary, abcQ, 6), status::success);
    const std::pair<std::wstring, Bytes> cases[] = {
        {L"unterminated", {'a', 0, 'b', 0, 'c', 0, 0, 0, 0x23}},
        {L"binary", {'a', 0, 'b', 0, 'c', 0, 0x23, 0x23, 0x23}},
    };
    for (const auto& [name, expected] : cases) {
        Bytes read(9, 0x23);
        std::uint32_t size = 9;
        ASSERT_EQ(reg().queryValue(key, name, nullptr, read.data(), &size), status::success);
        EXPECT_EQ(size, 6u) << ::testing::PrintToString(name);
        EXPECT_EQ(read, expected) << ::testing::PrintToString(name);
    }
}

TEST_F(RegistryContract, ASmallBufferGets234AndTheSizeNeeded) {
    KeyHandle key = create(L"values");
    ASSERT_EQ(set(key, L"text", valueType::sz, text(std::wstring(L"abc") + L'\0'), 8), 0);
    ASSERT_EQ(reg().setDefaultValue(base(), L"values", L"abc"), status::success);
    Bytes read(8, 0);
    std::uint32_t size = 7;
    std::uint32_t type = valueType::none;
    // The type comes with the answer, so that a reader knows how to read the value again.
    EXPECT_EQ(reg().queryValue(key, L"text", &type, read.data(), &size), status::moreData);
    EXPECT_EQ(size, 8u);
    EXPECT_EQ(type, valueType::sz);
    size = 2;
    EXPECT_EQ(reg().queryDefaultValue(base(), L"values", read.data(), &size), status::moreData);
    EXPECT_EQ(size, 8u);
}

TEST_F(RegistryContract, MissingKeysAndValuesAnswer2) {
    KeyHandle key = create(L"present");
    std::uint32_t size = 0;
    EXPECT_EQ(reg().queryValue(key, L"missing", nullptr, nullptr, &size), status::fileNotFound);
    EXPECT_EQ(reg().queryValue(key, L"", nullptr, nullptr, &size), status::fileNotFound);
    EXPECT_EQ(openStatus(L"missing"), status::fileNotFound);
    EXPECT_EQ(openStatus(L"present\\missing"), status::fileNotFound);
    EXPECT_EQ(reg().queryDefaultValue(base(), L"present\\missing", nullptr, &size),
              status::fileNotFound);
}

TEST_F(RegistryContract, DefaultValuesReadAndWriteThroughSubkeyPaths) {
    create(L"noDefault");
    // Written by the tools' default-value routine, which creates the keys on the way.
    ASSERT_EQ(reg().setDefaultValue(base(), L"made\\on\\theWay", L"x\u00E9"), status::success);
    KeyHandle empty = create(L"emptyDefault");
    ASSERT_EQ(set(empty, L"", valueType::sz, {}, 0), status::success);
    struct Case {
        std::wstring subkey;
        std::uint32_t size;
        Bytes data;
    };
    const Case cases[] = {
        // A key without a default value reads as an empty text.
        {L"noDefault", 2, {0, 0}},
        {L"made\\on\\theWay", 6, text(std::wstring(L"x\u00E9") + L'\0')},
        {L"emptyDefault", 0, {}},
    };
    for (const auto& c : cases) {
        std::uint32_t size = 0;
        ASSERT_EQ(reg().queryDefaultValue(base(), c.subkey, nullptr, &size), status::success)
            << ::testing::PrintToString(c.subkey);
        EXPECT_EQ(size, c.size) << ::testing::PrintToString(c.subkey);
        Bytes read(size, 0x23);
        ASSERT_EQ(reg().queryDefaultValue(base(), c.subkey, read.data(), &size), status::success);
        EXPECT_EQ(read, c.data) << ::testing::PrintToString(c.subkey);
    }
    KeyHandle made{};
    ASSERT_EQ(open(L"made\\on\\theWay", KeyAccess::read, made), status::success);
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    ASSERT_EQ(reg().queryValue(made, L"", &type, nullptr, &size), status::success);
    EXPECT_EQ(type, valueType::sz);
}

TEST_F(RegistryContract, NamesTheRegistryRefuses) {
    const std::wstring tooLong(300, L'L');
    const std::wstring longest(255, L'N');
    KeyHandle key{};
    std::uint32_t size = 0;
    struct Case {
        std::wstring path;
        long expected;
    };
    const Case cases[] = {
        {longest, status::success},
        {tooLong, status::invalidParameter},
        {L"\\leading", status::badPathname},
        {L"over\\" + tooLong, status::invalidParameter},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.path.substr(0, 20)));
        EXPECT_EQ(create(c.path, key), c.expected);
        EXPECT_EQ(openStatus(c.path), c.expected);
        EXPECT_EQ(reg().setDefaultValue(base(), c.path, L"x"), c.expected);
        EXPECT_EQ(reg().queryDefaultValue(base(), c.path, nullptr, &size), c.expected);
        EXPECT_EQ(reg().deleteKey(base(), c.path), c.expected);
    }
    // The walk made the keys before the refused name.
    EXPECT_EQ(subkeys(base()), std::vector<std::wstring>{L"over"});
    EXPECT_EQ(openStatus(tooLong + L"\\missing"), status::invalidParameter);
    EXPECT_EQ(openStatus(L"missing\\" + tooLong), status::fileNotFound);
    EXPECT_EQ(set(create(L"values"), std::wstring(16384, L'v'), valueType::sz, {'a', 0, 0, 0}, 4),
              status::invalidParameter);
}

TEST_F(RegistryContract, AReadHandleRefusesWritesWith5) {
    create(L"guarded");
    KeyHandle readOnly{};
    ASSERT_EQ(open(L"guarded", KeyAccess::read, readOnly), status::success);
    EXPECT_EQ(set(readOnly, L"v", valueType::sz, {'a', 0, 0, 0}, 4), status::accessDenied);
    EXPECT_EQ(reg().setDefaultValue(readOnly, L"", L"x"), status::accessDenied);
    std::uint32_t size = 0;
    EXPECT_EQ(reg().queryValue(readOnly, L"v", nullptr, nullptr, &size), status::fileNotFound);
}

TEST_F(RegistryContract, AHandleOnADeletedKeyAnswers1018) {
    KeyHandle doomed = create(L"doomed");
    ASSERT_EQ(reg().deleteKey(base(), L"doomed"), status::success);
    std::wstring name;
    std::uint32_t size = 0;
    KeyHandle key{};
    EXPECT_EQ(reg().enumKey(doomed, 0, name), keyDeleted);
    std::uint32_t count = 0;
    EXPECT_EQ(reg().countSubkeys(doomed, count), keyDeleted);
    EXPECT_EQ(set(doomed, L"v", valueType::sz, {'a', 0, 0, 0}, 4), keyDeleted);
    EXPECT_EQ(reg().queryValue(doomed, L"v", nullptr, nullptr, &size), keyDeleted);
    EXPECT_EQ(reg().createKey(doomed, L"child", key), keyDeleted);
    EXPECT_EQ(openStatus(L"doomed"), status::fileNotFound);
}

}  // namespace
}  // namespace volmora::testing
