// A text value stored with NUL characters before its end, as an installer that writes its whole
// buffer leaves one: each record tool's listing shows the text before the first NUL and goes on
// with every later value and record, whatever the record tool, and volmoraConfig's export and
// check read the same text.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "expectations.h"
#include "harness.h"
#include "platformLimits.h"
#include "registryWriting.h"

namespace volmora::e2e {
namespace {

const std::wstring configRoot = L"SOFTWARE\\Tamsiver Software\\VOLM";
const std::wstring clsidA = L"{0A0A0A0A-1111-4222-8333-444455556666}";
const std::wstring clsidB = L"{0B0B0B0B-1111-4222-8333-444455556666}";

// "C:\a.jar" and four NUL characters: 24 bytes.
std::vector<BYTE> padded(const std::wstring& text, std::size_t nuls) {
    std::vector<BYTE> bytes;
    for (const wchar_t c : text + std::wstring(nuls, L'\0')) {
        bytes.push_back(static_cast<BYTE>(c & 0xFF));
        bytes.push_back(static_cast<BYTE>(c >> 8));
    }
    return bytes;
}

struct PaddedValue {
    std::wstring key;  // below HKEY_LOCAL_MACHINE, or HKEY_CLASSES_ROOT for CLSID\...
    std::wstring name;
    std::wstring text;
};

struct Case {
    const char* what;
    const wchar_t* tool;
    std::wstring collection;
    std::vector<PaddedValue> texts;   // written with their terminator
    std::vector<PaddedValue> padded;  // written with four NULs after the text
    std::wstring caption;
    std::wstring listing;
};

HKEY rootOf(const PaddedValue& value) {
    return value.key.starts_with(L"CLSID\\") ? HKEY_CLASSES_ROOT : HKEY_LOCAL_MACHINE;
}

// The case's texts, and its padded values with four NULs after the text.
void writeValues(const Case& c) {
    for (const PaddedValue& value : c.texts) {
        writeText(rootOf(value), value.key, value.name, value.text);
    }
    for (const PaddedValue& value : c.padded) {
        const std::vector<BYTE> bytes = padded(value.text, 4);
        writeValue(rootOf(value), value.key, value.name, REG_SZ, bytes.data(),
                   static_cast<DWORD>(bytes.size()));
    }
}

void PrintTo(const Case& c, std::ostream* out) {
    *out << c.what;
}

class PaddedText : public ::testing::TestWithParam<Case> {
  protected:
    void SetUp() override { clean(); }
    void TearDown() override { clean(); }
    void clean() {
        deleteTree(HKEY_LOCAL_MACHINE, configRoot + L"\\" + GetParam().collection);
        for (const std::wstring& clsid : {clsidA, clsidB}) {
            deleteTree(HKEY_CLASSES_ROOT, L"CLSID\\" + clsid);
        }
    }
};

TEST_P(PaddedText, TheListingShowsEveryRecordAfterIt) {
    const Case& c = GetParam();
    writeValues(c);
    const std::wstring before = dumpKey(HKEY_LOCAL_MACHINE, configRoot + L"\\" + c.collection);
    VOLMORA_SKIP_WHERE(PlatformLimit::noListingPaint);

    const RunResult result = runTool(c.tool, L"/l");
    expectNoBox(result);
    EXPECT_EQ(result.exitCode, 0u);
    ASSERT_EQ(result.listings.size(), 1u);
    EXPECT_EQ(result.listings[0].caption, c.caption);
    EXPECT_EQ(narrow(result.listings[0].text), narrow(c.listing));
    // Listing leaves the stored bytes as they were.
    EXPECT_EQ(dumpKey(HKEY_LOCAL_MACHINE, configRoot + L"\\" + c.collection), before);
}

// The value as export writes it in JSON: "<name>": "<text>", backslashes doubled.
std::string jsonMember(const PaddedValue& value) {
    std::wstring text;
    for (const wchar_t c : value.text) {
        text += c == L'\\' ? std::wstring(L"\\\\") : std::wstring(1, c);
    }
    return "\"" + narrow(value.name) + "\": \"" + narrow(text) + "\"";
}

// export and check read the same text as the listings, in a 32-bit process too, where no listing
// window can paint: export writes every record, each padded value as its text alone, and
// neither writes a NUL character.
TEST_P(PaddedText, ExportAndCheckReadTheTextBeforeTheNul) {
    const Case& c = GetParam();
    writeValues(c);
    RunOptions options;
    options.captureOutput = true;
    options.captureErrors = true;
    const RunResult exported = runTool(L"volmoraConfig", L"export", options);
    ASSERT_FALSE(exported.timedOut);
    EXPECT_EQ(exported.exitCode, 0u) << exported.errors;
    for (const auto* values : {&c.padded, &c.texts}) {
        for (const PaddedValue& value : *values) {
            if (rootOf(value) == HKEY_LOCAL_MACHINE) {
                EXPECT_NE(exported.output.find(jsonMember(value)), std::string::npos)
                    << jsonMember(value) << " in:\n"
                    << exported.output;
            }
        }
    }
    const RunResult checked = runTool(L"volmoraConfig", L"check", options);
    ASSERT_FALSE(checked.timedOut);
    for (const std::string& output : {exported.output, checked.output, checked.errors}) {
        EXPECT_EQ(output.find('\0'), std::string::npos) << output;
        EXPECT_EQ(output.find("\\u0000"), std::string::npos) << output;
    }
}

const std::wstring servers = configRoot + L"\\Servers\\";
const std::wstring jvms = configRoot + L"\\JVMs\\";
const std::wstring classes = configRoot + L"\\CLSIDs\\";

const Case cases[] = {
    {"servers",
     L"bindHost",
     L"Servers",
     {{servers + L"Alpha", L"Imports", L"Beta"},
      {servers + L"Beta", L"Classpath", L"C:\\b.jar"},
      {servers + L"Beta", L"Imports", L""}},
     {{servers + L"Alpha", L"Classpath", L"C:\\a.jar"}},
     L"Volmora - Registered Servers",
     L"Alpha:\r\n    Classpath: \tC:\\a.jar\r\n    Imports:   \tBeta\r\n"
     L"Beta:\r\n    Classpath: \tC:\\b.jar"},
    {"JVMs",
     L"bindRuntime",
     L"JVMs",
     {{jvms + L"Alpha", L"JvmOptions", L"-Xmx64m"},
      {jvms + L"Beta", L"DllPath", L"C:\\b.dll"},
      {jvms + L"Beta", L"JvmOptions", L"-Xss1m"}},
     {{jvms + L"Alpha", L"DllPath", L"C:\\a.dll"}},
     L"Volmora - Registered JVMs",
     L"Alpha:\r\n    Dll Path: \tC:\\a.dll\r\n    Options:  \t-Xmx64m\r\n"
     L"Beta:\r\n    Dll Path: \tC:\\b.dll\r\n    Options:  \t-Xss1m"},
    {"classes",
     L"bindObject",
     L"CLSIDs",
     {{classes + clsidA, L"ProgId", L"Alpha.Class"},
      {classes + clsidA, L"JvmId", L"AlphaJVM"},
      {classes + clsidB, L"ProgId", L"Beta.Class"},
      {classes + clsidB, L"JavaClassName", L"com.b.Beta"},
      {classes + clsidB, L"JvmId", L"BetaJVM"},
      {L"CLSID\\" + clsidB + L"\\InprocServer32", L"", L"C:\\b\\VOLM.dll"}},
     {{classes + clsidA, L"JavaClassName", L"com.a.Alpha"},
      {L"CLSID\\" + clsidA + L"\\InprocServer32", L"", L"C:\\a\\VOLM.dll"}},
     L"Volmora - Registered Classes",
     L"Alpha.Class:\r\n    CLSID:          \t" + clsidA +
         L"\r\n    Java class:     \tcom.a.Alpha\r\n    JVMID:          \tAlphaJVM\r\n"
         L"    InprocServer32: \tC:\\a\\VOLM.dll\r\n"
         L"Beta.Class:\r\n    CLSID:          \t" +
         clsidB +
         L"\r\n    Java class:     \tcom.b.Beta\r\n    JVMID:          \tBetaJVM\r\n"
         L"    InprocServer32: \tC:\\b\\VOLM.dll"},
};

INSTANTIATE_TEST_SUITE_P(Tools, PaddedText, ::testing::ValuesIn(cases),
                         [](const ::testing::TestParamInfo<Case>& c) {
                             return std::string(c.param.what);
                         });

}  // namespace
}  // namespace volmora::e2e
