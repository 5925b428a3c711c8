// Class unregistration: the search over the class records, both "isn't registered" texts, the
// deletion order, each failure's message and what stays, and a clean round trip.
#include <gtest/gtest.h>

#include "bindObject.h"
#include "classLayout.h"
#include "fakePlatform.h"

namespace volmora::testing {
namespace {

const std::wstring caption = L"Volmora - Bind Object";

ShownMessage error(const std::wstring& text) {
    return {MessageIcon::exclamation, caption, text};
}

// A registry with an unrelated class registered, then the class under test.
struct Registered {
    Registered() {
        other.progId = L"Other.Service";
        other.clsid = L"{FFFFFFFF-0000-0000-0000-000000000000}";
        other.serverId = L"ServerB";
        writeLayout(fake.registry, other);
        fake.registry.putText(L"HKCR\\.txt", L"", L"txtfile");
        before = fake.registry.dump(L"HKLM") + fake.registry.dump(L"HKCR");
        writeLayout(fake.registry, operands);
    }
    std::wstring state() const { return fake.registry.dump(L"HKLM") + fake.registry.dump(L"HKCR"); }

    FakeTool fake;
    ClassOperands operands;
    ClassOperands other;
    std::wstring before;
};

TEST(UnregisterJavaClass, RemovesTheRecordAndEveryComKeyOfTheClass) {
    Registered r;
    unregisterJavaClass(r.fake.tool, L"MyServer.CoolService");
    EXPECT_EQ(r.fake.messages.shown,
              (std::vector<ShownMessage>{{MessageIcon::information, caption,
                                          L"Class \"MyServer.CoolService\" successfully "
                                          L"unregistered."}}));
    EXPECT_EQ(r.state(), r.before);
    EXPECT_EQ(r.fake.registry.openHandles(), 0u);
}

TEST(UnregisterJavaClass, ClassesThatAreNotRegistered) {
    struct Case {
        const char* what;
        void (*arrange)(Registered&);
        std::wstring progId;
        std::wstring message;
    };
    const Case cases[] = {
        {"the ProgID matches with case", [](Registered&) {}, L"myserver.coolservice",
         L"Class \"myserver.coolservice\" isn't registered."},
        {"nothing is ignored", [](Registered&) {}, L"MyServer.CoolService ",
         L"Class \"MyServer.CoolService \" isn't registered."},
        {"the versioned ProgID is no record's", [](Registered&) {}, L"MyServer.CoolService.1",
         L"Class \"MyServer.CoolService.1\" isn't registered."},
        {"a number never matches",
         [](Registered& r) {
             r.fake.registry.putValue(recordsPath + L"\\" + r.other.clsid, L"ProgId",
                                      {valueType::dword, {7, 0, 0, 0}});
         },
         L"7", L"Class \"7\" isn't registered."},
        {"no records key",
         [](Registered& r) { r.fake.registry.failCall(RegistryCall::openKey, recordsPath, 2); },
         L"MyServer.CoolService", L"Class \"MyServer.CoolService\" isn't registered"},
        {"records key denied",
         [](Registered& r) { r.fake.registry.failCall(RegistryCall::openKey, recordsPath, 5); },
         L"MyServer.CoolService", L"Class \"MyServer.CoolService\" isn't registered"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Registered r;
        c.arrange(r);
        const std::wstring arranged = r.state();
        unregisterJavaClass(r.fake.tool, c.progId);
        EXPECT_EQ(r.fake.messages.shown, std::vector<ShownMessage>{error(c.message)});
        EXPECT_EQ(r.state(), arranged);
        EXPECT_EQ(r.fake.registry.openHandles(), 0u);
    }
}

TEST(UnregisterJavaClass, SearchFailuresStopWithTheirMessageAndDeleteNothing) {
    const std::wstring target = recordsPath + L"\\{B036ABD6-EE02-4d8e-8D67-186DFEE9A903}";
    const std::wstring otherRecord = recordsPath + L"\\{FFFFFFFF-0000-0000-0000-000000000000}";
    struct Case {
        RegistryCall call;
        std::wstring target;
        long code;
        std::wstring message;
    };
    const Case cases[] = {
        {RegistryCall::enumKey, recordsPath, 1018, L"Can't enumerate CLSIDs: error=1018"},
        {RegistryCall::openKey, target, 5,
         L"Can't open \"{B036ABD6-EE02-4d8e-8D67-186DFEE9A903}\" key: error=5"},
        {RegistryCall::queryValue, target + L"@ProgId", 5,
         L"Can't get ProgId registry value: error=5"},
        {RegistryCall::deleteKey, target, 5,
         L"Can't delete \"{B036ABD6-EE02-4d8e-8D67-186DFEE9A903}\" key: error=5"},
        // The other record comes last in enumeration order: the search never reaches it.
        {RegistryCall::openKey, otherRecord, 5, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.message));
        Registered r;
        const std::wstring arranged = r.state();
        r.fake.registry.failCall(c.call, c.target, c.code);
        unregisterJavaClass(r.fake.tool, L"MyServer.CoolService");
        if (c.message.empty()) {
            EXPECT_EQ(r.state(), r.before);
            continue;
        }
        EXPECT_EQ(r.fake.messages.shown, std::vector<ShownMessage>{error(c.message)});
        EXPECT_EQ(r.state(), arranged);
        EXPECT_EQ(r.fake.registry.openHandles(), 0u);
    }
}

TEST(UnregisterJavaClass, ARecordWithoutProgIdBeforeTheMatchStopsEveryUnregistration) {
    Registered r;
    const std::wstring broken = recordsPath + L"\\{0BROKEN}";
    r.fake.registry.putText(broken, L"JvmId", L"MyJVM");
    r.fake.registry.putValue(recordsPath + L"\\{1EXPAND}", L"ProgId",
                             {valueType::expandSz, {'x', 0, 0, 0}});
    const std::wstring arranged = r.state();
    unregisterJavaClass(r.fake.tool, L"MyServer.CoolService");
    EXPECT_EQ(r.fake.messages.shown,
              std::vector<ShownMessage>{error(L"Can't get ProgId registry value: error=2")});
    EXPECT_EQ(r.state(), arranged);
    r.fake.registry.removeValue(broken, L"JvmId");
    r.fake.registry.putText(broken, L"ProgId", L"Broken");
    r.fake.messages.shown.clear();
    unregisterJavaClass(r.fake.tool, L"MyServer.CoolService");
    EXPECT_EQ(r.fake.messages.shown,
              std::vector<ShownMessage>{error(L"Can't get ProgId registry value: error=-1")});
}

TEST(UnregisterJavaClass, EachFailingDeletionStopsThereAndLeavesTheKeysFromItOn) {
    const std::wstring comClass = L"CLSID\\{B036ABD6-EE02-4d8e-8D67-186DFEE9A903}";
    const std::wstring keys[] = {
        comClass + L"\\InprocServer32",   comClass + L"\\ProgId",          comClass,
        L"MyServer.CoolService\\CLSID",   L"MyServer.CoolService\\CurVer", L"MyServer.CoolService",
        L"MyServer.CoolService.1\\CLSID", L"MyServer.CoolService.1",
    };
    const long codes[] = {5, 1018, 5, 87, 5, 5, 1021, 5};
    for (std::size_t failing = 0; failing < std::size(keys); ++failing) {
        SCOPED_TRACE(::testing::PrintToString(keys[failing]));
        Registered r;
        r.fake.registry.failCall(RegistryCall::deleteKey, L"HKCR\\" + keys[failing],
                                 codes[failing]);
        unregisterJavaClass(r.fake.tool, L"MyServer.CoolService");
        EXPECT_EQ(
            r.fake.messages.shown,
            std::vector<ShownMessage>{error(L"Can't delete " + keys[failing] + L" key: error=" +
                                            std::to_wstring(codes[failing]))});
        // What stays: the class's keys from the failing one on, and no record.
        MemoryRegistry expected;
        writeLayout(expected, r.other);
        expected.putText(L"HKCR\\.txt", L"", L"txtfile");
        writeLayout(expected, r.operands);
        KeyHandle records{};
        ASSERT_EQ(
            expected.openKey(localMachine, recordsPath.substr(5), KeyAccess::allAccess, records),
            status::success);
        expected.deleteKey(records, r.operands.clsid);
        expected.closeKey(records);
        for (std::size_t i = 0; i < failing; ++i) {
            ASSERT_EQ(expected.deleteKey(classesRoot, keys[i]), status::success);
        }
        EXPECT_EQ(r.state(), expected.dump(L"HKLM") + expected.dump(L"HKCR"));
        EXPECT_EQ(r.fake.registry.openHandles(), 0u);

        // A second run finds no record.
        r.fake.messages.shown.clear();
        unregisterJavaClass(r.fake.tool, L"MyServer.CoolService");
        EXPECT_EQ(
            r.fake.messages.shown,
            std::vector<ShownMessage>{error(L"Class \"MyServer.CoolService\" isn't registered.")});
    }
}

TEST(UnregisterJavaClass, KeysAlreadyGoneCountAsDeleted) {
    // Registrations that stopped after the record, after the COM class and before the ProgIDs.
    for (std::size_t writes : {4u, 5u, 8u, 9u, 11u}) {
        SCOPED_TRACE(writes);
        FakeTool fake;
        ClassOperands c;
        writeLayout(fake.registry, c, writes);
        unregisterJavaClass(fake.tool, c.progId);
        EXPECT_EQ(fake.messages.shown,
                  (std::vector<ShownMessage>{{MessageIcon::information, caption,
                                              L"Class \"MyServer.CoolService\" successfully "
                                              L"unregistered."}}));
        EXPECT_EQ(fake.registry.dump(L"HKCR"), writes < 5 ? L"HKCR\n" : L"HKCR\nHKCR\\CLSID\n");
        EXPECT_EQ(fake.registry.dump(recordsPath), recordsPath + L"\n");
    }
}

TEST(UnregisterJavaClass, AKeySomethingElseExtendedStopsTheDeletion) {
    Registered r;
    r.fake.registry.putText(L"HKCR\\MyServer.CoolService\\Shell", L"", L"open");
    unregisterJavaClass(r.fake.tool, L"MyServer.CoolService");
    EXPECT_EQ(r.fake.messages.shown,
              std::vector<ShownMessage>{error(L"Can't delete MyServer.CoolService key: error=5")});
    EXPECT_TRUE(r.fake.registry.keyExists(L"HKCR\\MyServer.CoolService\\Shell"));
    EXPECT_TRUE(r.fake.registry.keyExists(L"HKCR\\MyServer.CoolService.1\\CLSID"));
    EXPECT_FALSE(r.fake.registry.keyExists(L"HKCR\\MyServer.CoolService\\CLSID"));
}

TEST(UnregisterJavaClass, OfTwoRecordsWithTheSameProgIdTheFirstGoes) {
    FakeTool fake;
    ClassOperands first;
    first.clsid = L"{0AAAAAAA-0000-0000-0000-000000000000}";
    ClassOperands second;
    second.clsid = L"{BBBBBBBB-0000-0000-0000-000000000000}";
    writeLayout(fake.registry, second);
    writeLayout(fake.registry, first);
    unregisterJavaClass(fake.tool, L"MyServer.CoolService");
    EXPECT_EQ(fake.onlyMessage().icon, MessageIcon::information);
    MemoryRegistry expected;
    writeLayout(expected, second, 8);  // the record and the COM class of the second record
    EXPECT_EQ(fake.registry.dump(L"HKLM") + fake.registry.dump(L"HKCR"),
              expected.dump(L"HKLM") + expected.dump(L"HKCR"));
}

}  // namespace
}  // namespace volmora::testing
