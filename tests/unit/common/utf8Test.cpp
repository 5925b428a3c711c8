// The UTF-8 codec: encoding of every sequence length and of surrogate pairs, and the strict
// decoder's position of the first bad byte.
#include <gtest/gtest.h>

#include <string>

#include "utf8.h"

namespace volmora {
namespace {

TEST(Utf8, EncodesAndDecodesEveryLength) {
    const struct {
        std::wstring text;
        std::string bytes;
    } cases[] = {
        {L"", ""},
        {L"A~", "A~"},
        {L"\u00e9", "\xC3\xA9"},
        {L"\u20ac", "\xE2\x82\xAC"},
        {L"\U0001F600", "\xF0\x9F\x98\x80"},  // a surrogate pair where wchar_t is 16 bits
        {L"C:\\Gr\u00fc\u00dfe\\\u65e5\u672c",
         "C:\\Gr\xC3\xBC\xC3\x9F"
         "e\\\xE6\x97\xA5\xE6\x9C\xAC"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(utf8(c.text), c.bytes);
        EXPECT_EQ(fromUtf8(c.bytes), c.text);
        EXPECT_EQ(invalidUtf8At(c.bytes), std::string::npos);
    }
}

TEST(Utf8, FindsTheFirstInvalidByte) {
    const struct {
        std::string bytes;
        std::size_t at;
    } cases[] = {
        {"ab\x80", 2},            // a continuation byte alone
        {"a\xC0\xAF", 1},         // an overlong slash
        {"\xE0\x80\xAF", 0},      // overlong in three bytes
        {"ok\xED\xA0\x80", 2},    // a surrogate
        {"\xF4\x90\x80\x80", 0},  // past U+10FFFF
        {"abc\xE2\x82", 3},       // cut at the end
        {"\xC3\xA9\xC3(", 2},     // a lead byte followed by no continuation
        {"\xFF", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(invalidUtf8At(c.bytes), c.at) << c.bytes;
        EXPECT_NE(fromUtf8(c.bytes).find(L'\uFFFD'), std::wstring::npos) << c.bytes;
    }
}

TEST(Utf8, ReplacesALoneSurrogateWhenEncoding) {
    if constexpr (sizeof(wchar_t) == 2) {
        EXPECT_EQ(utf8(std::wstring(1, static_cast<wchar_t>(0xD800)) + L"x"), "\xEF\xBF\xBDx");
    } else {
        EXPECT_EQ(utf8(std::wstring(1, static_cast<wchar_t>(0xDC00))), "\xEF\xBF\xBD");
    }
}

}  // namespace
}  // namespace volmora
