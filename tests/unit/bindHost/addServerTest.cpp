// Server registration: the imports text, the record it writes, its messages and its failures.
#include <gtest/gtest.h>

#include "bindHost.h"
#include "hostTesting.h"
#include "utf16.h"

namespace volmora::testing {
namespace {

TEST(JoinImports, JoinsTheArgumentsAfterTheProgramPath) {
    const std::vector<std::pair<ArgumentList, std::wstring>> cases = {
        {{L"p"}, L""},
        {{L"p", L"B"}, L"B"},
        {{L"p", L"B", L"C"}, L"B, C"},
        {{L"p", L"", L"B"}, L"B"},
        {{L"p", L"", L"", L"B"}, L"B"},
        {{L"p", L"B", L"", L"C"}, L"B, , C"},
        {{L"p", L"B", L""}, L"B, "},
        {{L"p", L"", L""}, L""},
        {{L"p", L"B, C", L"D"}, L"B, C, D"},
        {{L"p", L"a b", L"\t"}, L"a b, \t"},
    };
    for (const auto& [arguments, expected] : cases) {
        std::wstring imports = L"left over";
        joinImports(arguments, imports);
        EXPECT_EQ(imports, expected) << narrow(expected);
    }
}

struct RegistrationCase {
    std::wstring serverId;
    std::wstring classpath;
    std::wstring imports;
    std::wstring message;
};

TEST(AddServer, WritesTheRecordAndReportsIt) {
    const std::wstring longPath(40000, L'x');
    const std::vector<RegistrationCase> cases = {
        {L"ServerA", L"C:\\ServerA\\ServerA.jar", L"ServerB, ServerC",
         L"Server \"ServerA\" successfully registered.\r\n"
         L"    Classpath: \tC:\\ServerA\\ServerA.jar\r\n"
         L"    Imports:   \tServerB, ServerC"},
        {L"ServerA", L"C:\\a.jar", L"",
         L"Server \"ServerA\" successfully registered.\r\n    Classpath: \tC:\\a.jar"},
        {L"My Server", L"C:\\Program Files\\x.jar;C:\\y.jar", L"B, , C",
         L"Server \"My Server\" successfully registered.\r\n"
         L"    Classpath: \tC:\\Program Files\\x.jar;C:\\y.jar\r\n"
         L"    Imports:   \tB, , C"},
        {L"Serv\u00E9r\u03A9\U0001F600", L"C:\\\u00E9\u4E2D.jar", L"\u0416",
         L"Server \"Serv\u00E9r\u03A9\U0001F600\" successfully registered.\r\n"
         L"    Classpath: \tC:\\\u00E9\u4E2D.jar\r\n"
         L"    Imports:   \t\u0416"},
        {L"Long", longPath, L"",
         L"Server \"Long\" successfully registered.\r\n    Classpath: \t" + longPath},
        {L"Empty", L"", L"", L"Server \"Empty\" successfully registered.\r\n    Classpath: \t"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(narrow(c.serverId));
        HostTool host;
        addServer(host.tool, c.serverId, c.classpath, c.imports);

        EXPECT_EQ(host.onlyMessage(),
                  (ShownMessage{MessageIcon::information, hostTitle, c.message}));
        // Both values as REG_SZ with their terminator, Imports also when empty, and nothing
        // else: no default value, no subkey, no other record.
        EXPECT_EQ(host.registry.value(recordPath(c.serverId), L"Imports"),
                  (StoredValue{valueType::sz, utf16Bytes(c.imports)}));
        HostTool expected;
        expected.putRecord(c.serverId, c.classpath, c.imports);
        EXPECT_EQ(host.registry.dump(L"HKLM"), expected.registry.dump(L"HKLM"));
        EXPECT_EQ(host.registry.openHandles(), 0u);
    }
}

TEST(AddServer, OverwritesAnExistingRecordAndKeepsItsOtherValues) {
    HostTool host;
    host.putRecord(L"ServerA", L"C:\\old.jar", L"Old");
    host.registry.putText(recordPath(L"ServerA"), L"Note", L"kept");

    addServer(host.tool, L"servera", L"C:\\new.jar", L"");

    // The identifier matches the record without regard to case; the key keeps its first name.
    EXPECT_NE(host.registry.dump(serversPath).find(L"\\ServerA\n"), std::wstring::npos);
    EXPECT_EQ(host.registry.text(recordPath(L"ServerA"), L"Classpath"), L"C:\\new.jar");
    EXPECT_EQ(host.registry.text(recordPath(L"ServerA"), L"Imports"), L"");
    EXPECT_EQ(host.registry.text(recordPath(L"ServerA"), L"Note"), L"kept");
    EXPECT_EQ(host.onlyMessage().text,
              L"Server \"servera\" successfully registered.\r\n    Classpath: \tC:\\new.jar");
}

struct FailureCase {
    RegistryCall call;
    std::wstring target;
    long code;
    std::wstring message;
    // The record's values afterwards; nullopt: the value (or the whole key) is absent.
    bool keyExists;
    std::optional<std::wstring> classpath;
    std::optional<std::wstring> imports;
};

TEST(AddServer, StopsAtTheFirstFailedStepWithoutUndoing) {
    const std::wstring record = recordPath(L"ServerA");
    const std::vector<FailureCase> newRecord = {
        {RegistryCall::createKey,
         record,
         status::accessDenied,
         L"Can't create VOLM Servers registry settings: error=5",
         false,
         {},
         {}},
        {RegistryCall::setValue,
         record + L"@Classpath",
         status::accessDenied,
         L"Can't set Classpath registry value: error=5",
         true,
         {},
         {}},
        {RegistryCall::setValue,
         record + L"@Imports",
         1450,
         L"Can't set Imports registry value: error=1450",
         true,
         L"C:\\new.jar",
         {}},
    };
    const std::vector<FailureCase> existingRecord = {
        {RegistryCall::createKey, record, status::accessDenied,
         L"Can't create VOLM Servers registry settings: error=5", true, L"C:\\old.jar", L"Old"},
        {RegistryCall::setValue, record + L"@Classpath", 1021,
         L"Can't set Classpath registry value: error=1021", true, L"C:\\old.jar", L"Old"},
        {RegistryCall::setValue, record + L"@Imports", status::accessDenied,
         L"Can't set Imports registry value: error=5", true, L"C:\\new.jar", L"Old"},
    };
    for (bool existing : {false, true}) {
        for (const auto& c : existing ? existingRecord : newRecord) {
            SCOPED_TRACE(narrow(c.message) + (existing ? " (existing record)" : " (new record)"));
            HostTool host;
            if (existing)
                host.putRecord(L"ServerA", L"C:\\old.jar", L"Old");
            host.registry.failCall(c.call, c.target, c.code);

            addServer(host.tool, L"ServerA", L"C:\\new.jar", L"New");

            EXPECT_EQ(host.onlyMessage(),
                      (ShownMessage{MessageIcon::exclamation, hostTitle, c.message}));
            EXPECT_EQ(host.registry.keyExists(record), c.keyExists);
            EXPECT_EQ(host.registry.text(record, L"Classpath"), c.classpath);
            EXPECT_EQ(host.registry.text(record, L"Imports"), c.imports);
            EXPECT_EQ(host.registry.openHandles(), 0u);

            // The same failure in silent mode shows nothing.
            HostTool silent;
            silent.tool.silentMode = true;
            silent.registry.failCall(c.call, c.target, c.code);
            addServer(silent.tool, L"ServerA", L"C:\\new.jar", L"New");
            EXPECT_TRUE(silent.messages.shown.empty());
        }
    }
}

TEST(AddServer, RefusesIdentifiersThatCannotNameOneRecord) {
    const std::vector<std::pair<std::wstring, std::wstring>> cases = {
        {L"ServerA\\Sub", L"error=161"},
        {L"\\ServerA", L"error=161"},
        {L"ServerA\\", L"error=161"},
        {L"\\", L"error=161"},
        // The registry's own limit on key names.
        {std::wstring(300, L's'), L"error=87"},
    };
    for (const auto& [serverId, code] : cases) {
        HostTool host;
        host.registry.putKey(serversPath);
        const std::wstring before = host.registry.dump(L"HKLM");
        addServer(host.tool, serverId, L"C:\\a.jar", L"");
        EXPECT_EQ(host.onlyMessage(),
                  (ShownMessage{MessageIcon::exclamation, hostTitle,
                                L"Can't create VOLM Servers registry settings: " + code}));
        EXPECT_EQ(host.registry.dump(L"HKLM"), before);
    }
    HostTool longest;
    addServer(longest.tool, std::wstring(255, L's'), L"C:\\a.jar", L"");
    EXPECT_EQ(longest.registry.text(recordPath(std::wstring(255, L's')), L"Classpath"),
              L"C:\\a.jar");
}

}  // namespace
}  // namespace volmora::testing
