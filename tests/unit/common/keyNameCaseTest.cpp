// Registry names without regard to letter case, as the native tests fold them (the end-to-end
// tests hold the system's comparison to the registry itself): which names are one name beyond
// ASCII, and the order of their upper-case forms.
#include <gtest/gtest.h>

#include "keyNameCase.h"

namespace volmora {
namespace {

TEST(KeyNameCase, NamesThatAreOneName) {
    struct Case {
        std::wstring a;
        std::wstring b;
        bool same;
    };
    const Case cases[] = {
        {L"MyServer.CoolService", L"MYSERVER.COOLSERVICE", true},
        {L"{b036abd6-ee02-4d8e}", L"{B036ABD6-EE02-4D8E}", true},
        {L"caf\u00E9", L"CAF\u00C9", true},                    // Latin-1
        {L"\u00FF", L"\u0178", true},                          // y with diaeresis
        {L"\u0107\u013A\u017E", L"\u0106\u0139\u017D", true},  // Latin Extended-A, both pairings
        {L"\u03C3\u03B1", L"\u03A3\u0391", true},              // Greek
        {L"\u0436\u0451", L"\u0416\u0401", true},              // Cyrillic
        {L"\u0219JVM", L"\u0218jvm", true},                    // Latin Extended-B: s with comma
        {L"\u00F7", L"\u00D7", false},                         // division and multiplication signs
        {L"ServerA", L"ServerB", false},
        {L"Server", L"Server ", false},
        {L"_", L"\u007F", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(sameKeyName(c.a, c.b), c.same);
        EXPECT_EQ(sameKeyName(c.b, c.a), c.same);
        EXPECT_EQ(!keyNameLess(c.a, c.b) && !keyNameLess(c.b, c.a), c.same);
    }
}

TEST(KeyNameCase, OrdersByTheUpperCaseForms) {
    // Upper-case forms put "_" (0x5F) after the letters, which a plain order puts it before.
    const std::wstring ordered[] = {L"A", L"b", L"B1", L"z", L"_", L"\u00E9"};
    for (std::size_t i = 1; i < std::size(ordered); ++i) {
        EXPECT_TRUE(keyNameLess(ordered[i - 1], ordered[i]));
        EXPECT_FALSE(keyNameLess(ordered[i], ordered[i - 1]));
    }
}

}  // namespace
}  // namespace volmora
