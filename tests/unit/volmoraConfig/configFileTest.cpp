// The configuration file: the exact text export writes, the encodings apply reads, and every
// refusal with the place it names.
#include <gtest/gtest.h>

#include "model/configFile.h"
#include "recordBuilder.h"
#include "utf8.h"

namespace volmora::config {
namespace {

using testing::addRecord;

Configuration sample() {
    Configuration c;
    addRecord(c, Collection::jvms, L"MyJVM",
              {{L"DllPath", L"C:\\jvm\\jvm.dll"}, {L"JvmOptions", L"-Xmx1g"}});
    addRecord(c, Collection::classes, L"{B036ABD6-EE02-4d8e-8D67-186DFEE9A903}",
              {{L"JavaClassName", L"com.x.Cool"}, {L"JvmId", L"MyJVM"}, {L"ProgId", L"My.Cool"}});
    return c;
}

TEST(ConfigFile, ExportWritesTwoSpaceIndentedJsonWithLineFeeds) {
    EXPECT_EQ(renderConfiguration(sample()),
              "{\n"
              "  \"formatVersion\": 1,\n"
              "  \"jvms\": {\n"
              "    \"MyJVM\": {\n"
              "      \"DllPath\": \"C:\\\\jvm\\\\jvm.dll\",\n"
              "      \"JvmOptions\": \"-Xmx1g\"\n"
              "    }\n"
              "  },\n"
              "  \"servers\": {},\n"
              "  \"classes\": {\n"
              "    \"{B036ABD6-EE02-4d8e-8D67-186DFEE9A903}\": {\n"
              "      \"JavaClassName\": \"com.x.Cool\",\n"
              "      \"JvmId\": \"MyJVM\",\n"
              "      \"ProgId\": \"My.Cool\"\n"
              "    }\n"
              "  }\n"
              "}\n");
}

TEST(ConfigFile, TextsSurviveTheRoundTripExactly) {
    const std::wstring texts[] = {
        L"",
        L"quote \" backslash \\ slash /",
        L"tab\tnew line\ncarriage return\r",
        std::wstring(L"nul \0 bell \x07 escape \x1B", 22),
        L"caf\u00E9 \u0416 \u4E2D",
        fromUtf8("\xF0\x9F\x98\x80 beyond the basic plane"),
    };
    for (const auto& text : texts) {
        Configuration c;
        addRecord(c, Collection::servers, L"S", {{L"Classpath", text}});
        Configuration back;
        const std::string rendered = renderConfiguration(c);
        ASSERT_EQ(parseConfiguration(rendered, back), L"") << rendered;
        ASSERT_EQ(back.servers.size(), 1u);
        EXPECT_EQ(back.servers[0].values[0].text, text) << rendered;
        EXPECT_EQ(renderConfiguration(back), rendered);
    }
}

std::string utf16WithMark(const std::string& utf8Text) {
    std::string bytes = "\xFF\xFE";
    for (const wchar_t c : fromUtf8(utf8Text)) {
        const auto unit = static_cast<std::uint32_t>(c);
        if (unit >= 0x10000) {
            const std::uint32_t high = 0xD800 + ((unit - 0x10000) >> 10);
            const std::uint32_t low = 0xDC00 + ((unit - 0x10000) & 0x3FF);
            for (const std::uint32_t part : {high, low}) {
                bytes += static_cast<char>(part & 0xFF);
                bytes += static_cast<char>(part >> 8);
            }
        } else {
            bytes += static_cast<char>(unit & 0xFF);
            bytes += static_cast<char>(unit >> 8);
        }
    }
    return bytes;
}

TEST(ConfigFile, ReadsUtf8WithOrWithoutMarkAndUtf16LittleEndianWithMark) {
    const std::string text = renderConfiguration(sample());
    const std::string forms[] = {text, "\xEF\xBB\xBF" + text, utf16WithMark(text),
                                 // PowerShell's ">" also ends lines in CR LF.
                                 utf16WithMark("{\r\n\"formatVersion\": 1\r\n}\r\n")};
    for (const auto& form : forms) {
        Configuration read;
        EXPECT_EQ(parseConfiguration(form, read), L"");
    }
    Configuration read;
    ASSERT_EQ(parseConfiguration(utf16WithMark(text), read), L"");
    EXPECT_EQ(renderConfiguration(read), text);
}

TEST(ConfigFile, SortsRecordsAndValuesByTheirUpperCaseForms) {
    // '_' lies between the upper and the lower case letters: upper-case forms put it last.
    Configuration read;
    ASSERT_EQ(parseConfiguration(R"({"formatVersion": 1, "servers": {
        "b": {"z": "1", "_x": "2", "Y": "3"}, "_a": {}, "A": {}}})",
                                 read),
              L"");
    std::vector<std::wstring> names;
    for (const auto& record : read.servers) {
        names.emplace_back(record.name);
    }
    EXPECT_EQ(names, (std::vector<std::wstring>{L"A", L"b", L"_a"}));
    std::vector<std::wstring> values;
    for (const auto& value : read.servers[1].values) {
        values.emplace_back(value.name);
    }
    EXPECT_EQ(values, (std::vector<std::wstring>{L"Y", L"z", L"_x"}));
}

std::wstring nulAt(int offset) {
    return L"The file holds a NUL byte at byte offset " + std::to_wstring(offset) +
           L": it is not a configuration file.";
}

TEST(ConfigFile, RefusesWhatItCannotTakeAndSaysWhere) {
    struct Case {
        std::string bytes;
        std::wstring refusal;
    };
    const std::string deep =
        "{\"formatVersion\": 1, \"jvms\": {\"J\": {\"v\": " + std::string(100000, '[') +
        std::string(100000, ']') + "}}}";
    const Case cases[] = {
        {"", L"The file is empty."},
        {"\xEF\xBB\xBF \r\n", L"The file is empty."},
        {"{\n  \"formatVersion\": 1,\n}",
         L"The file is not JSON: parse error at line 3, column 1: syntax error while parsing "
         L"object key - unexpected '}'; expected string literal"},
        {"{\"formatVersion\": 1} x",
         L"The file is not JSON: parse error at line 1, column 22: syntax error while parsing "
         L"value - invalid literal; last read: '1} x'; expected end of input"},
        {"{\n\"jvms\": {\"caf\xE9\": {}}}", L"The file is not UTF-8 text: line 2, column 14."},
        {"\xFE\xFF\0{",
         L"The file is UTF-16 big-endian text: write it as UTF-8 or as UTF-16 "
         L"little-endian."},
        {"\xFF\xFE{\0x", L"The file is not UTF-16 text: it ends in half a character."},
        {std::string("\xFF\xFE{\0\x00\xD8}\0", 8),
         L"The file is not UTF-16 text: a lone surrogate at byte 4."},
        {"[1]", L"The file must hold one JSON object."},
        {"{\"formatVersion\": 1, \"JVMs\": {}}", L"Unknown member \"JVMs\" at the top level."},
        {"{\"formatVersion\": 2}", L"Unknown formatVersion: this program reads formatVersion 1."},
        {"{\"formatVersion\": \"1\"}",
         L"Unknown formatVersion: this program reads formatVersion 1."},
        {"{\"formatVersion\": 1.0}", L"Unknown formatVersion: this program reads formatVersion 1."},
        {"{\"jvms\": {}}", L"The file has no \"formatVersion\"."},
        {"{\"formatVersion\": 1, \"jvms\": {}, \"jvms\": {}}",
         L"Member \"jvms\" appears twice at the top level."},
        {"{\"formatVersion\": 1, \"servers\": []}", L"\"servers\" must be an object of records."},
        {"{\"formatVersion\": 1, \"jvms\": {\"J\": \"x\"}}",
         L"jvm \"J\": a record must be an object of values."},
        {"{\"formatVersion\": 1, \"jvms\": {\"J\": {\"DllPath\": 3}}}",
         L"jvm \"J\": value \"DllPath\" is not a string."},
        {"{\"formatVersion\": 1, \"classes\": {\"C\": {\"ProgId\": null}}}",
         L"class \"C\": value \"ProgId\" is not a string."},
        {deep, L"jvm \"J\": value \"v\" is not a string."},
        {"{\"formatVersion\": 1, \"jvms\": {\"MyJVM\": {}, \"myjvm\": {}}}",
         L"Two jvm records: \"MyJVM\" and \"myjvm\" differ only in letter case."},
        {"{\"formatVersion\": 1, \"servers\": {\"S\": {}, \"S\": {}}}",
         L"Two server records: \"S\" appears twice."},
        {"{\"formatVersion\": 1, \"classes\": {\"C\": {\"JvmId\": \"a\", \"JVMID\": \"b\"}}}",
         L"class \"C\": two values: \"JvmId\" and \"JVMID\" differ only in letter case."},
        {std::string(maxFileBytes + 1, ' '), L"The file is larger than 32 MB."},
        // A file cut or spoilt on the way: never the configuration before the NUL.
        {std::string("{\"formatVersion\":1}\0", 20), nulAt(19)},
        {std::string("{\"formatVersion\":1}\0{\"jvms\": 3}", 32), nulAt(19)},
        {std::string("\0{\"formatVersion\":1}", 20), nulAt(0)},
        {std::string("\xEF\xBB\xBF{\"formatVersion\":1, \"servers\": {\"S\0\": {}}}", 39),
         nulAt(37)},
        {std::string("\xFF\xFE{\0\0\0}\0", 8), nulAt(4)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes.substr(0, 80));
        Configuration read = sample();
        EXPECT_EQ(parseConfiguration(c.bytes, read), c.refusal);
        EXPECT_TRUE(read.jvms.empty() && read.servers.empty() && read.classes.empty());
    }
}

}  // namespace
}  // namespace volmora::config
