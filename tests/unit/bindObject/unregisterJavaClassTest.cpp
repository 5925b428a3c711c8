// Class unregistration: the search over the class records, both "isn't registered" texts, the
// deletion order, each failure's message and what stays, and a clean round trip.
#include <gtest/gtest.h>

#include "bindObject.h"
#include "classLayout.h"
#include "fakePlatform.h"
#include "toolText.h"

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
        {"a ProgID that is not one key name never reaches other keys",
         [](Registered& r) {
             for (const wchar_t* key :
                  {L"HKCR\\a\\b\\CLSID", L"HKCR\\a\\b\\CurVer", L"HKCR\\a\\b.1"}) {
                 r.fake.registry.putKey(key);
             }
             r.fake.registry.putText(recordsPath + L"\\{0}", L"ProgId", L"a\\b");
         },
         L"a\\b", L"Class \"a\\b\" isn't registered."},
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

TEST(UnregisterJavaClass, AFailedEnumerationStopsAndDeletesNothing) {
    Registered r;
    const std::wstring arranged = r.state();
    r.fake.registry.failCall(RegistryCall::enumKey, recordsPath, 1018);
    unregisterJavaClass(r.fake.tool, L"MyServer.CoolService");
    EXPECT_EQ(r.fake.messages.shown,
              std::vector<ShownMessage>{error(L"Can't enumerate CLSIDs: error=1018")});
    EXPECT_EQ(r.state(), arranged);
    EXPECT_EQ(r.fake.registry.openHandles(), 0u);
}

TEST(UnregisterJavaClass, BrokenRecordsArePassedOverAndLeftAsTheyAre) {
    const std::wstring target = recordsPath + L"\\{B036ABD6-EE02-4d8e-8D67-186DFEE9A903}";
    struct Case {
        const char* what;
        void (*arrange)(MemoryRegistry&);
    };
    // Each broken record sorts before the class asked for.
    const Case cases[] = {
        {"no ProgId", [](MemoryRegistry& m) { m.putText(recordsPath + L"\\{0}", L"JvmId", L"J"); }},
        {"a ProgId of another type",
         [](MemoryRegistry& m) {
             m.putValue(recordsPath + L"\\{0}", L"ProgId", {valueType::expandSz, {'x', 0, 0, 0}});
         }},
        {"a ProgId that cannot be read",
         [](MemoryRegistry& m) {
             m.putText(recordsPath + L"\\{0}", L"ProgId", L"MyServer.CoolService");
             m.failCall(RegistryCall::queryValue, recordsPath + L"\\{0}@ProgId", 5, true);
         }},
        {"a record that cannot be opened",
         [](MemoryRegistry& m) {
             m.putText(recordsPath + L"\\{0}", L"ProgId", L"MyServer.CoolService");
             m.failCall(RegistryCall::openKey, recordsPath + L"\\{0}", 5, true);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Registered r;
        c.arrange(r.fake.registry);
        const std::wstring broken = r.fake.registry.dump(recordsPath + L"\\{0}");
        unregisterJavaClass(r.fake.tool, L"MyServer.CoolService");
        EXPECT_EQ(r.fake.onlyMessage().icon, MessageIcon::information);
        EXPECT_FALSE(r.fake.registry.keyExists(target));
        EXPECT_EQ(r.fake.registry.dump(recordsPath + L"\\{0}"), broken);
        EXPECT_EQ(r.fake.registry.openHandles(), 0u);
    }
}

TEST(UnregisterJavaClass, AFailingDeletionLeavesTheRecordForASecondRunToFinish) {
    const std::wstring clsid = L"{B036ABD6-EE02-4d8e-8D67-186DFEE9A903}";
    const std::wstring comClass = L"CLSID\\" + clsid;
    // Every key the run deletes, in order, below HKCR and, last, the record.
    const std::wstring keys[] = {
        L"HKCR\\" + comClass + L"\\InprocServer32",
        L"HKCR\\" + comClass + L"\\ProgId",
        L"HKCR\\" + comClass,
        L"HKCR\\MyServer.CoolService\\CLSID",
        L"HKCR\\MyServer.CoolService\\CurVer",
        L"HKCR\\MyServer.CoolService",
        L"HKCR\\MyServer.CoolService.1\\CLSID",
        L"HKCR\\MyServer.CoolService.1",
        recordsPath + L"\\" + clsid,
    };
    const long codes[] = {5, 1018, 5, 1015, 5, 5, 1021, 5, 5};
    for (std::size_t failing = 0; failing < std::size(keys); ++failing) {
        SCOPED_TRACE(::testing::PrintToString(keys[failing]));
        Registered r;
        r.fake.registry.failCall(RegistryCall::deleteKey, keys[failing], codes[failing]);
        unregisterJavaClass(r.fake.tool, L"MyServer.CoolService");
        const std::wstring named =
            failing + 1 == std::size(keys) ? volmora::quoted(clsid) : keys[failing].substr(5);
        EXPECT_EQ(r.fake.messages.shown,
                  std::vector<ShownMessage>{error(L"Can't delete " + named + L" key: error=" +
                                                  std::to_wstring(codes[failing]))});
        // What stays: the keys from the failing one on, the record always among them.
        for (std::size_t i = 0; i < std::size(keys); ++i) {
            EXPECT_EQ(r.fake.registry.keyExists(keys[i]), i >= failing) << i;
        }
        EXPECT_EQ(r.fake.registry.openHandles(), 0u);

        // A second run finds the record and removes what is left.
        r.fake.messages.shown.clear();
        unregisterJavaClass(r.fake.tool, L"MyServer.CoolService");
        EXPECT_EQ(r.fake.onlyMessage().icon, MessageIcon::information);
        EXPECT_EQ(r.state(), r.before);
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

TEST(UnregisterJavaClass, KeysTheRegistryCannotNameCountAsNeverWritten) {
    // A ProgID too long for a key name: registration wrote the record and the COM class only.
    FakeTool fake;
    ClassOperands c;
    c.progId = std::wstring(300, L'x');
    registerJavaClass(fake.tool, c.progId, c.clsid, c.javaClassName, c.jvmId, c.serverId,
                      c.libraryPath);
    ASSERT_TRUE(fake.registry.keyExists(recordsPath + L"\\" + c.clsid));
    fake.messages.shown.clear();
    unregisterJavaClass(fake.tool, c.progId);
    EXPECT_EQ(fake.onlyMessage().icon, MessageIcon::information);
    EXPECT_EQ(fake.registry.dump(L"HKCR"), L"HKCR\nHKCR\\CLSID\n");
    EXPECT_EQ(fake.registry.dump(recordsPath), recordsPath + L"\n");
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
    EXPECT_TRUE(
        r.fake.registry.keyExists(recordsPath + L"\\{B036ABD6-EE02-4d8e-8D67-186DFEE9A903}"));
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

// The other build of the tools keeps its class records in the other registry view, and both
// views share the ProgID keys: those stay while a record there carries the same ProgID.
TEST(UnregisterJavaClass, LeavesTheSharedProgIdKeysToTheOtherViewsClass) {
    const std::wstring otherRecords = L"HKLM-other\\SOFTWARE\\Tamsiver Software\\VOLM\\CLSIDs";
    const std::wstring progIdKeys[] = {L"HKCR\\MyServer.CoolService\\CLSID",
                                       L"HKCR\\MyServer.CoolService\\CurVer",
                                       L"HKCR\\MyServer.CoolService.1\\CLSID"};
    struct Case {
        const char* what;
        std::wstring otherRecord;  // below the other view's records: "<clsid>" or ""
        std::wstring otherProgId;  // its ProgId value
        bool keysStay;
    };
    const Case cases[] = {
        {"the same class", L"{B036ABD6-EE02-4d8e-8D67-186DFEE9A903}", L"MyServer.CoolService",
         true},
        {"another CLSID", L"{0AAAAAAA-0000-0000-0000-000000000000}", L"MyServer.CoolService", true},
        // Key names ignore letter case, so a record there in another case uses the same keys.
        {"the ProgID in lower case", L"{B036ABD6-EE02-4d8e-8D67-186DFEE9A903}",
         L"myserver.coolservice", true},
        {"the ProgID in upper case, another CLSID", L"{0AAAAAAA-0000-0000-0000-000000000000}",
         L"MYSERVER.COOLSERVICE", true},
        {"a ProgID that only starts the same", L"{B036ABD6-EE02-4d8e-8D67-186DFEE9A903}",
         L"MyServer.CoolService2", false},
        {"another class only", L"{B036ABD6-EE02-4d8e-8D67-186DFEE9A903}", L"Other.Service", false},
        {"no records there", L"", L"", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Registered r;
        if (!c.otherRecord.empty()) {
            r.fake.registry.putText(otherRecords + L"\\" + c.otherRecord, L"ProgId", c.otherProgId);
        }
        const std::wstring otherView = r.fake.registry.dump(L"HKLM-other");
        unregisterJavaClass(r.fake.tool, L"MyServer.CoolService");
        EXPECT_EQ(r.fake.onlyMessage(),
                  (ShownMessage{MessageIcon::information, caption,
                                L"Class \"MyServer.CoolService\" successfully unregistered."}));
        // This view's record and COM class key go in every case.
        EXPECT_FALSE(
            r.fake.registry.keyExists(recordsPath + L"\\{B036ABD6-EE02-4d8e-8D67-186DFEE9A903}"));
        EXPECT_FALSE(
            r.fake.registry.keyExists(L"HKCR\\CLSID\\{B036ABD6-EE02-4d8e-8D67-186DFEE9A903}"));
        for (const auto& key : progIdKeys) {
            EXPECT_EQ(r.fake.registry.keyExists(key), c.keysStay) << key;
        }
        if (c.keysStay) {
            EXPECT_EQ(r.fake.registry.text(L"HKCR\\MyServer.CoolService\\CLSID", L""),
                      L"{B036ABD6-EE02-4d8e-8D67-186DFEE9A903}");
        } else {
            EXPECT_EQ(r.state(), r.before);
        }
        EXPECT_EQ(r.fake.registry.dump(L"HKLM-other"), otherView);
        EXPECT_EQ(r.fake.registry.openHandles(), 0u);
    }
}

TEST(UnregisterJavaClass, AnUnreadableOtherViewStopsBeforeDeletingAnything) {
    const std::wstring otherRecords = L"HKLM-other\\SOFTWARE\\Tamsiver Software\\VOLM\\CLSIDs";
    struct Case {
        RegistryCall call;
        std::wstring message;
    };
    const Case cases[] = {
        {RegistryCall::openKey, L"Can't enumerate CLSIDs: error=5"},
        {RegistryCall::enumKey, L"Can't enumerate CLSIDs: error=1018"},
    };
    for (const auto& c : cases) {
        Registered r;
        r.fake.registry.putText(otherRecords + L"\\{0AAAAAAA-0000-0000-0000-000000000000}",
                                L"ProgId", L"MyServer.CoolService");
        const std::wstring arranged = r.state();
        r.fake.registry.failCall(c.call, otherRecords, c.call == RegistryCall::openKey ? 5 : 1018);
        unregisterJavaClass(r.fake.tool, L"MyServer.CoolService");
        EXPECT_EQ(r.fake.messages.shown, std::vector<ShownMessage>{error(c.message)});
        EXPECT_EQ(r.state(), arranged);
        EXPECT_EQ(r.fake.registry.openHandles(), 0u);
    }
}

TEST(UnregisterJavaClass, RemovesEveryKeyThatRegistrationWrites) {
    FakeTool fake;
    ClassOperands c;
    c.serverId = L"ServerA";
    registerJavaClass(fake.tool, c.progId, c.clsid, c.javaClassName, c.jvmId, c.serverId,
                      c.libraryPath);
    unregisterJavaClass(fake.tool, c.progId);
    EXPECT_EQ(fake.messages.shown.back().icon, MessageIcon::information);
    EXPECT_EQ(fake.registry.dump(L"HKCR"), L"HKCR\nHKCR\\CLSID\n");
    EXPECT_EQ(fake.registry.dump(recordsPath), recordsPath + L"\n");
}

}  // namespace
}  // namespace volmora::testing
