// Reading back the outcome log's record: every record the writer makes reads back as written, and
// anything but one complete record reads as none.
#include <gtest/gtest.h>

#include <string>

#include "outcomeLog.h"
#include "runRecord.h"

namespace volmora::runner {
namespace {

// U+1F600 as a wide string holds it: a UTF-16 pair on Windows, one unit where wchar_t is UTF-32.
const std::wstring smiley = sizeof(wchar_t) == 2 ? std::wstring{wchar_t(0xD83D), wchar_t(0xDE00)}
                                                 : std::wstring(1, static_cast<wchar_t>(0x1F600));

OutcomeRecord written(std::wstring program, std::vector<LoggedMessage> messages,
                      std::uint32_t exitCode, std::optional<std::wstring> listing = {}) {
    OutcomeRecord record;
    record.started = {2026, 12, 7, 18, 5, 9, 42};
    record.program = std::move(program);
    record.processId = 4242;
    record.commandLine = L"\"C:\\VOLM\\bin\\bindObject.exe\" /s \"a b\"";
    record.silent = true;
    record.messages = std::move(messages);
    record.listing = std::move(listing);
    record.exitCode = exitCode;
    return record;
}

TEST(RecordReading, ReadsBackWhatTheWriterWrote) {
    const std::wstring awkward[] = {
        L"",
        L"Can't create VOLM CLSID registry settings: error=5",
        L"JVM \"MyJVM\" successfully registered.",
        L"C:\\VOLM\\bin\\ and \\\\server\\share\\",
        L"usage:\r\n  bindHost [/s] serverid\r\n\ttab",
        std::wstring(1, L'\0') + L"\x01\x1F\b\f\x7F/",
        L"caf\u00E9 \u65E5\u672C \u2028\uFFFF x" + smiley,
    };
    for (const std::wstring& text : awkward) {
        const OutcomeRecord record = written(L"bindObject",
                                             {{MessageKind::information, text, false},
                                              {MessageKind::error, L"second " + text, true},
                                              {MessageKind::critical, text + L" third", true}},
                                             4294967295u, L"Volmora - " + text);
        const auto read = readRecordLine(recordLine(record));
        ASSERT_TRUE(read.has_value()) << recordLine(record);
        EXPECT_EQ(read->program, record.program);
        EXPECT_EQ(read->messages, record.messages);
        EXPECT_EQ(read->listing, record.listing);
        EXPECT_EQ(read->exitCode, record.exitCode);
    }
    const auto none = readRecordLine(recordLine(written(L"bindSchema", {}, 0)));
    ASSERT_TRUE(none.has_value());
    EXPECT_EQ(*none, (RunRecord{L"bindSchema", {}, std::nullopt, 0}));
}

TEST(RecordReading, ReadsNothingButOneCompleteRecord) {
    const std::string good = recordLine(
        written(L"bindHost", {{MessageKind::error, L"Server \"S\" isn't registered.", false}}, 0));
    const std::string lines[] = {
        "",
        "\n",
        good.substr(0, good.size() / 2),
        "[]",
        "\"bindHost\"",
        "{\"messages\":[],\"exitCode\":0}",
        "{\"program\":\"bindHost\",\"exitCode\":0}",
        "{\"program\":\"bindHost\",\"messages\":[]}",
        "{\"program\":\"bindHost\",\"messages\":[],\"exitCode\":-1}",
        "{\"program\":\"bindHost\",\"messages\":[],\"exitCode\":4294967296}",
        "{\"program\":\"bindHost\",\"messages\":[{\"kind\":\"warning\",\"text\":\"x\"}],"
        "\"exitCode\":0}",
        "{\"program\":\"bindHost\",\"messages\":[{\"kind\":\"error\"}],\"exitCode\":0}",
        "{\"program\":\"bindHost\",\"messages\":[],\"exitCode\":1.5}",
        "{\"program\":\"bindHost\",\"messages\":[],\"exitCode\":\"0\"}",
        "{\"program\":7,\"messages\":[],\"exitCode\":0}",
        "{\"program\":\"bindHost\",\"messages\":{},\"exitCode\":0}",
        "{\"program\":\"bindHost\",\"messages\":[\"error\"],\"exitCode\":0}",
        "{\"program\":\"bindHost\",\"messages\":[{\"kind\":\"Error\",\"text\":\"x\"}],"
        "\"exitCode\":0}",
        "{\"program\":\"bindHost\",\"messages\":[{\"kind\":\"error\",\"text\":\"x\","
        "\"shown\":1}],\"exitCode\":0}",
        "{\"program\":\"bindHost\",\"messages\":[],\"listing\":null,\"exitCode\":0}",
    };
    for (const std::string& line : lines) {
        EXPECT_FALSE(readRecordLine(line).has_value()) << line;
    }
    // A later writer may add members; this reader reads over them.
    EXPECT_TRUE(readRecordLine("{\"future\":{\"a\":[1]},\"program\":\"bindHost\",\"messages\":[],"
                               "\"exitCode\":7}")
                    .has_value());
    // The run's own file: exactly one record.
    EXPECT_TRUE(readOnlyRecord(good).has_value());
    EXPECT_TRUE(readOnlyRecord(good + "\r\n").has_value());
    EXPECT_FALSE(readOnlyRecord(good + good).has_value());
    EXPECT_FALSE(readOnlyRecord("").has_value());
}

}  // namespace
}  // namespace volmora::runner
