// The outcome log's record: JSON strings in UTF-8 with every escape a parser needs, the
// timestamp, and the members in their order, each line read back with a real JSON parser.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "outcomeLog.h"

namespace volmora {
namespace {

using Json = nlohmann::ordered_json;

struct StringCase {
    std::wstring text;
    std::string json;     // what the writer must produce, quotes included
    std::string decoded;  // what a parser reads back, in UTF-8
};

TEST(OutcomeJsonString, EscapesWhatJsonRequiresAndWritesTheRestAsUtf8) {
    // U+1F600 as wide text holds it: a UTF-16 pair on Windows, one unit where wchar_t has 32 bits.
    const std::wstring smiley = sizeof(wchar_t) == 2
                                    ? std::wstring{wchar_t(0xD83D), wchar_t(0xDE00)}
                                    : std::wstring(1, static_cast<wchar_t>(0x1F600));
    const StringCase cases[] = {
        {L"", "\"\"", ""},
        {L"Can't create X: error=5", "\"Can't create X: error=5\"", "Can't create X: error=5"},
        {L"say \"hi\"", "\"say \\\"hi\\\"\"", "say \"hi\""},
        {L"C:\\VOLM\\bin", "\"C:\\\\VOLM\\\\bin\"", "C:\\VOLM\\bin"},
        {L"a\r\nb\tc", "\"a\\r\\nb\\tc\"", "a\r\nb\tc"},
        {L"\b\f", "\"\\b\\f\"", "\b\f"},
        {std::wstring(1, L'\0') + L"\x01\x1F", "\"\\u0000\\u0001\\u001F\"",
         std::string("\0\x01\x1F", 3)},
        {L"\x7F/", "\"\x7F/\"", "\x7F/"},
        {L"caf\u00E9 \u65E5\u672C", "\"caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC\"",
         "caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC"},
        {L"\u2028\uFFFF", "\"\xE2\x80\xA8\xEF\xBF\xBF\"", "\xE2\x80\xA8\xEF\xBF\xBF"},
        // A character beyond the first plane is one; a surrogate without its partner is U+FFFD.
        {L"x" + smiley, "\"x\xF0\x9F\x98\x80\"", "x\xF0\x9F\x98\x80"},
        {std::wstring{wchar_t(0xD83D)} + L"a",
         "\"\xEF\xBF\xBD"
         "a\"",
         "\xEF\xBF\xBD"
         "a"},
        {std::wstring{wchar_t(0xDE00), wchar_t(0xD83D)}, "\"\xEF\xBF\xBD\xEF\xBF\xBD\"",
         "\xEF\xBF\xBD\xEF\xBF\xBD"},
        {std::wstring{wchar_t(0xD800)}, "\"\xEF\xBF\xBD\"", "\xEF\xBF\xBD"},
    };
    for (const auto& c : cases) {
        const std::string json = jsonString(c.text);
        EXPECT_EQ(json, c.json);
        EXPECT_EQ(Json::parse(json).get<std::string>(), c.decoded) << json;
    }
}

TEST(OutcomeJsonString, ReadsAstralCharactersWhateverTheWidthOfWideCharacters) {
    if constexpr (sizeof(wchar_t) == 4) {
        EXPECT_EQ(jsonString(std::wstring{wchar_t(0x1F600)}), "\"\xF0\x9F\x98\x80\"");
        EXPECT_EQ(jsonString(std::wstring{wchar_t(0x110000)}), "\"\xEF\xBF\xBD\"");
    }
}

TEST(OutcomeTimestamp, IsUtcWithMillisecondsAndFixedWidths) {
    const std::pair<UtcTime, std::string> cases[] = {
        {{2026, 12, 7, 9, 5, 3, 42}, "2026-12-07T09:05:03.042Z"},
        {{1999, 1, 1, 0, 0, 0, 0}, "1999-01-01T00:00:00.000Z"},
        {{2030, 10, 31, 23, 59, 59, 999}, "2030-10-31T23:59:59.999Z"},
    };
    for (const auto& [time, text] : cases) {
        EXPECT_EQ(timestampText(time), text);
    }
}

OutcomeRecord sampleRecord() {
    OutcomeRecord record;
    record.started = {2026, 12, 7, 9, 5, 3, 42};
    record.program = L"bindObject";
    record.processId = 4242;
    record.commandLine = L"\"C:\\VOLM\\bindObject.exe\" /s A.B {1}";
    record.silent = true;
    record.messages = {
        {MessageKind::error, L"Can't create A.B registry settings: error=5", false},
        {MessageKind::information, L"line 1\r\nline 2", true},
        {MessageKind::critical, L"Cannot create X", true},
    };
    record.exitCode = 0xFFFFFFFFu;
    return record;
}

TEST(OutcomeRecordLine, IsOneObjectOnOneLineWithItsMembersInOrder) {
    const std::string line = recordLine(sampleRecord());
    EXPECT_EQ(line,
              "{\"time\":\"2026-12-07T09:05:03.042Z\",\"program\":\"bindObject\",\"pid\":4242,"
              "\"commandLine\":\"\\\"C:\\\\VOLM\\\\bindObject.exe\\\" /s A.B {1}\",\"silent\":true,"
              "\"messages\":[{\"kind\":\"error\",\"text\":\"Can't create A.B registry settings: "
              "error=5\",\"shown\":false},{\"kind\":\"information\",\"text\":\"line 1\\r\\nline "
              "2\",\"shown\":true},{\"kind\":\"critical\",\"text\":\"Cannot create X\","
              "\"shown\":true}],\"exitCode\":4294967295}\n");
    EXPECT_EQ(line.find('\n'), line.size() - 1);
}

TEST(OutcomeRecordLine, ParsesToTheRecordWithTheListingOnlyWhenOneWasShown) {
    struct Case {
        std::optional<std::wstring> listing;
        std::vector<LoggedMessage> messages;
        std::vector<std::string> members;
    };
    const std::vector<std::string> always = {"time",        "program", "pid",
                                             "commandLine", "silent",  "messages"};
    const Case cases[] = {
        {std::nullopt, {}, {"exitCode"}},
        {L"Volmora - Registered JVMs", {}, {"listing", "exitCode"}},
        {L"", {{MessageKind::error, L"x", true}}, {"listing", "exitCode"}},
    };
    for (const auto& c : cases) {
        OutcomeRecord record = sampleRecord();
        record.listing = c.listing;
        record.messages = c.messages;
        record.exitCode = 0;
        const Json parsed = Json::parse(recordLine(record));
        std::vector<std::string> members;
        for (const auto& item : parsed.items()) {
            members.push_back(item.key());
        }
        std::vector<std::string> expected = always;
        expected.insert(expected.end(), c.members.begin(), c.members.end());
        EXPECT_EQ(members, expected);
        EXPECT_EQ(parsed["messages"].size(), c.messages.size());
        EXPECT_EQ(parsed["exitCode"], 0u);
        if (c.listing) {
            EXPECT_EQ(parsed["listing"], std::string(c.listing->begin(), c.listing->end()));
        }
    }
}

}  // namespace
}  // namespace volmora
