// Server unregistration: one record goes, everything else stays.
#include <gtest/gtest.h>

#include <functional>

#include "bindHost.h"
#include "hostTesting.h"

namespace volmora::testing {
namespace {

TEST(RemoveServer, DeletesOnlyThatRecord) {
    HostTool host;
    host.putRecord(L"ServerA", L"C:\\a.jar", L"ServerB");
    host.putRecord(L"ServerB", L"C:\\b.jar", L"");
    HostTool expected;
    expected.putRecord(L"ServerB", L"C:\\b.jar", L"");

    removeServer(host.tool, L"serverA");

    EXPECT_EQ(host.onlyMessage(), (ShownMessage{MessageIcon::information, hostTitle,
                                                L"Server \"serverA\" successfully unregistered."}));
    EXPECT_EQ(host.registry.dump(L"HKLM"), expected.registry.dump(L"HKLM"));
    EXPECT_EQ(host.registry.openHandles(), 0u);
}

TEST(RemoveServer, KeepsTheServersKeyWhenItsLastRecordGoes) {
    HostTool host;
    host.putRecord(L"ServerA", L"C:\\a.jar", L"");
    host.tool.silentMode = true;

    removeServer(host.tool, L"ServerA");

    EXPECT_TRUE(host.messages.shown.empty());
    EXPECT_FALSE(host.registry.keyExists(recordPath(L"ServerA")));
    EXPECT_TRUE(host.registry.keyExists(serversPath));
}

struct NotRegisteredCase {
    const char* what;
    std::wstring serverId;
    std::function<void(HostTool&)> arrange;
};

TEST(RemoveServer, ReportsEveryFailureAsNotRegistered) {
    const std::vector<NotRegisteredCase> cases = {
        {"no Servers key", L"ServerA", [](HostTool&) {}},
        {"no such record", L"ServerX",
         [](HostTool& host) { host.putRecord(L"ServerA", L"C:\\a.jar", L""); }},
        {"Servers key denied", L"ServerA",
         [](HostTool& host) {
             host.putRecord(L"ServerA", L"C:\\a.jar", L"");
             host.registry.failCall(RegistryCall::openKey, serversPath, status::accessDenied);
         }},
        {"delete denied", L"ServerA",
         [](HostTool& host) {
             host.putRecord(L"ServerA", L"C:\\a.jar", L"");
             host.registry.failCall(RegistryCall::deleteKey, recordPath(L"ServerA"),
                                    status::accessDenied);
         }},
        {"record with a subkey", L"ServerA",
         [](HostTool& host) {
             host.putRecord(L"ServerA", L"C:\\a.jar", L"");
             host.registry.putKey(recordPath(L"ServerA\\Extra"));
         }},
        {"backslash reaching into a record", L"ServerA\\Extra",
         [](HostTool& host) {
             host.putRecord(L"ServerA", L"C:\\a.jar", L"");
             host.registry.putKey(recordPath(L"ServerA\\Extra"));
         }},
        {"identifier longer than a key name", std::wstring(300, L's'),
         [](HostTool& host) { host.registry.putKey(serversPath); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        HostTool host;
        c.arrange(host);
        const std::wstring before = host.registry.dump(L"HKLM");

        removeServer(host.tool, c.serverId);

        EXPECT_EQ(host.onlyMessage(),
                  (ShownMessage{MessageIcon::exclamation, hostTitle,
                                L"Server \"" + c.serverId + L"\" isn't registered."}));
        EXPECT_EQ(host.registry.dump(L"HKLM"), before);
        EXPECT_EQ(host.registry.openHandles(), 0u);
    }
}

}  // namespace
}  // namespace volmora::testing
