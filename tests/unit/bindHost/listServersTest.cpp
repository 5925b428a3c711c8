// Server listing: one block per record in the listing window, placeholders for unreadable
// values, and the messages when there is nothing to list or the registry fails.
#include <gtest/gtest.h>

#include <functional>

#include "bindHost.h"
#include "hostTesting.h"
#include "utf16.h"

namespace volmora::testing {
namespace {

struct ListingCase {
    const char* what;
    std::function<void(HostTool&)> arrange;
    std::wstring text;
};

TEST(ListServers, ShowsOneBlockPerRecord) {
    const std::vector<ListingCase> cases = {
        {"record with imports",
         [](HostTool& host) {
             host.putRecord(L"ServerA", L"C:\\ServerA\\ServerA.jar", L"ServerB, ServerC");
         },
         L"ServerA:\r\n"
         L"    Classpath: \tC:\\ServerA\\ServerA.jar\r\n"
         L"    Imports:   \tServerB, ServerC"},
        {"record without imports",
         [](HostTool& host) { host.putRecord(L"ServerA", L"C:\\a.jar", L""); },
         L"ServerA:\r\n    Classpath: \tC:\\a.jar"},
        {"two records, no blank line between",
         [](HostTool& host) {
             host.putRecord(L"ServerB", L"C:\\b.jar", L"ServerA");
             host.putRecord(L"ServerA", L"C:\\a.jar", L"");
         },
         L"ServerA:\r\n    Classpath: \tC:\\a.jar\r\n"
         L"ServerB:\r\n    Classpath: \tC:\\b.jar\r\n    Imports:   \tServerA"},
        {"Classpath deleted by hand",
         [](HostTool& host) { host.registry.putText(recordPath(L"ServerA"), L"Imports", L"B"); },
         L"ServerA:\r\n    Classpath: \t?? missing ??\r\n    Imports:   \tB"},
        {"Imports deleted by hand",
         [](HostTool& host) {
             host.registry.putText(recordPath(L"ServerA"), L"Classpath", L"C:\\a.jar");
         },
         L"ServerA:\r\n    Classpath: \tC:\\a.jar\r\n    Imports:   \t?? missing ??"},
        {"empty record key", [](HostTool& host) { host.registry.putKey(recordPath(L"ServerA")); },
         L"ServerA:\r\n    Classpath: \t?? missing ??\r\n    Imports:   \t?? missing ??"},
        {"values of other types",
         [](HostTool& host) {
             host.registry.putValue(recordPath(L"ServerA"), L"Classpath",
                                    StoredValue{valueType::expandSz, utf16Bytes(L"%X%\\a.jar")});
             host.registry.putValue(recordPath(L"ServerA"), L"Imports",
                                    StoredValue{valueType::dword, {0xFE, 0xFF, 0xFF, 0xFF}});
         },
         L"ServerA:\r\n    Classpath: \t?? missing ??\r\n    Imports:   \t-2"},
        {"value that fails to read",
         [](HostTool& host) {
             host.putRecord(L"ServerA", L"C:\\a.jar", L"B");
             host.registry.failCall(RegistryCall::queryValue, recordPath(L"ServerA") + L"@Imports",
                                    status::accessDenied);
         },
         L"ServerA:\r\n    Classpath: \tC:\\a.jar\r\n    Imports:   \t?? missing ??"},
        {"identifiers outside ASCII",
         [](HostTool& host) { host.putRecord(L"Serv\u00E9r\u03A9", L"C:\\\u4E2D.jar", L""); },
         L"Serv\u00E9r\u03A9:\r\n    Classpath: \tC:\\\u4E2D.jar"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        HostTool host;
        c.arrange(host);
        const std::wstring before = host.registry.dump(L"HKLM");

        listServers(host.tool);

        EXPECT_TRUE(host.messages.shown.empty());
        ASSERT_EQ(host.listings.opened.size(), 1u);
        EXPECT_EQ(host.listings.opened.front().title, L"Registered Servers");
        EXPECT_EQ(host.listings.opened.front().text, c.text)
            << narrow(host.listings.opened.front().text);
        EXPECT_EQ(host.registry.dump(L"HKLM"), before);
        EXPECT_EQ(host.registry.openHandles(), 0u);
    }
}

// A server record costs one enumeration, one open, one query per value and one close, also
// when a value is missing.
TEST(ListServers, ReadsEachRecordWithFiveRegistryCalls) {
    const std::pair<const char*, std::function<void(HostTool&, const std::wstring&)>> cases[] = {
        {"with imports",
         [](HostTool& host, const std::wstring& id) { host.putRecord(id, L"C:\\a.jar", L"B"); }},
        {"without values",
         [](HostTool& host, const std::wstring& id) { host.registry.putKey(recordPath(id)); }},
    };
    for (const auto& c : cases) {
        auto callsFor = [&](int count) {
            HostTool host;
            for (int i = 0; i < count; ++i) {
                c.second(host, L"Server" + std::to_wstring(i));
            }
            listServers(host.tool);
            EXPECT_EQ(host.listings.opened.size(), 1u) << c.first;
            return host.registry.callCount();
        };
        EXPECT_EQ(callsFor(3) - callsFor(2), 5u) << c.first;
    }
}

struct MessageCase {
    const char* what;
    std::function<void(HostTool&)> arrange;
    ShownMessage message;
};

TEST(ListServers, ShowsAMessageInsteadOfAnEmptyOrPartialListing) {
    const std::vector<MessageCase> cases = {
        {"no Servers key",
         [](HostTool&) {},
         {MessageIcon::information, hostTitle, L"No servers registered"}},
        {"Servers key without records",
         [](HostTool& host) { host.registry.putKey(serversPath); },
         {MessageIcon::information, hostTitle, L"No servers registered"}},
        {"Servers key unreadable",
         [](HostTool& host) {
             host.putRecord(L"ServerA", L"C:\\a.jar", L"");
             host.registry.failCall(RegistryCall::openKey, serversPath, status::accessDenied);
         },
         {MessageIcon::information, hostTitle, L"No servers registered"}},
        {"enumeration fails",
         [](HostTool& host) {
             host.putRecord(L"ServerA", L"C:\\a.jar", L"");
             host.registry.failCall(RegistryCall::enumKey, serversPath, 1018);
         },
         {MessageIcon::exclamation, hostTitle, L"Can't enumerate Servers: error=1018"}},
        {"second record cannot be opened",
         [](HostTool& host) {
             host.putRecord(L"ServerA", L"C:\\a.jar", L"");
             host.putRecord(L"ServerB", L"C:\\b.jar", L"");
             host.registry.failCall(RegistryCall::openKey, recordPath(L"ServerB"),
                                    status::accessDenied);
         },
         {MessageIcon::exclamation, hostTitle, L"Can't open \"ServerB\" key: error=5"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        HostTool host;
        c.arrange(host);

        listServers(host.tool);

        EXPECT_EQ(host.onlyMessage(), c.message);
        EXPECT_TRUE(host.listings.opened.empty());
        EXPECT_EQ(host.registry.openHandles(), 0u);
    }
}

}  // namespace
}  // namespace volmora::testing
