// Registry names compared without regard to letter case, as the programs compare them, against
// the registry itself: for every character of the Basic Multilingual Plane that a key name can
// hold, the names "k<character>" that the comparison finds equal are those the registry takes for
// one key. Natively that holds the unit tests' fold to their in-memory registry; under Wine, the
// system's comparison that the programs link to the real registry.
#include <gtest/gtest.h>

#include <cstdint>
#include <cwchar>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "contractRegistry.h"
#include "keyNameCase.h"

namespace volmora::testing {
namespace {

constexpr wchar_t markerValue[] = L"c";

std::wstring codePoint(std::uint32_t code) {
    wchar_t text[8];
    std::swprintf(text, std::size(text), L"U+%04X", static_cast<unsigned>(code));
    return text;
}

// The character a key was made for, as its marker value holds it.
wchar_t markerOf(Registry& registry, KeyHandle key) {
    std::uint8_t data[8] = {};
    std::uint32_t type = 0;
    std::uint32_t size = sizeof data;
    if (registry.queryValue(key, markerValue, &type, data, &size) != status::success) {
        return 0;
    }
    return static_cast<wchar_t>(data[0] | (data[1] << 8));
}

TEST(KeyNameCaseContract, NamesAreOneKeyExactlyWhenTheyCompareEqual) {
    auto contract = makeContractRegistry();
    Registry& registry = contract->registry();
    KeyHandle parent{};
    ASSERT_EQ(registry.createKey(contract->scratch(), L"names", parent), status::success);

    // The first name of each key, by the programs' comparison.
    std::map<std::wstring, wchar_t, KeyNameOrder> made;
    std::vector<std::wstring> disagreements;
    std::size_t held = 0;
    std::size_t sameKey = 0;
    for (std::uint32_t code = 1; code <= 0xFFFF; ++code) {
        const auto c = static_cast<wchar_t>(code);
        if (c == L'\\') {
            continue;  // a separator, never part of one name
        }
        const std::wstring name = std::wstring(L"k") + c;
        const auto known = made.find(name);
        KeyHandle key{};
        if (registry.openKey(parent, name, KeyAccess::read, key) == status::success) {
            ++sameKey;
            const wchar_t first = markerOf(registry, key);
            registry.closeKey(key);
            if (known == made.end() || known->second != first) {
                disagreements.push_back(codePoint(code) + L": the registry opens the key of " +
                                        codePoint(static_cast<std::uint32_t>(first)));
            }
            continue;
        }
        if (registry.createKey(parent, name, key) != status::success) {
            continue;  // a name the registry cannot hold
        }
        ++held;
        const std::vector<std::uint8_t> marker = {static_cast<std::uint8_t>(code & 0xFF),
                                                  static_cast<std::uint8_t>(code >> 8)};
        registry.setValue(key, markerValue, valueType::binary, marker.data(),
                          static_cast<std::uint32_t>(marker.size()));
        registry.closeKey(key);
        if (known != made.end()) {
            disagreements.push_back(codePoint(code) + L": a key of its own, the comparison says " +
                                    codePoint(static_cast<std::uint32_t>(known->second)));
        }
        made.emplace(name, c);
    }
    registry.closeKey(parent);
    // The registry folds letters: many characters name a key made before.
    EXPECT_GT(held, 60000u);
    EXPECT_GT(sameKey, 1000u);
    EXPECT_TRUE(disagreements.empty())
        << disagreements.size()
        << " characters, the first: " << ::testing::PrintToString(disagreements.front());
}

}  // namespace
}  // namespace volmora::testing
