// bindObject /l: the listing text of the class records, its placeholders, and the outcomes that
// show a message instead of the listing.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "bindObject.h"
#include "fakePlatform.h"

namespace volmora {
namespace {

using testing::FakeTool;
using testing::MemoryRegistry;
using testing::ProcessExit;
using testing::RegistryCall;
using testing::ShownMessage;

const std::wstring classesKey = L"HKLM\\SOFTWARE\\Tamsiver Software\\VOLM\\CLSIDs";
const std::wstring coolId = L"{B036ABD6-EE02-4d8e-8D67-186DFEE9A903}";
const std::wstring neatId = L"{2E2311DB-9D64-4cc0-9837-CD6B5F0FBF38}";

struct ClassSetup {
    std::wstring clsid;
    std::map<std::wstring, std::wstring> values;
    std::optional<std::wstring> inprocServer;  // nothing: no COM keys for the class
};

struct Injection {
    RegistryCall call;
    std::wstring target;
    long code;
};

void arrange(MemoryRegistry& registry, const std::vector<ClassSetup>& classes,
             const std::vector<Injection>& injections) {
    for (const auto& setup : classes) {
        registry.putKey(classesKey + L"\\" + setup.clsid);
        for (const auto& [name, text] : setup.values) {
            registry.putText(classesKey + L"\\" + setup.clsid, name, text);
        }
        if (setup.inprocServer) {
            registry.putText(L"HKCR\\CLSID\\" + setup.clsid + L"\\InprocServer32", L"",
                             *setup.inprocServer);
        }
    }
    for (const auto& [call, target, code] : injections) {
        registry.failCall(call, target, code);
    }
}

std::map<std::wstring, std::wstring> record(const std::wstring& progId,
                                            const std::wstring& serverId = L"") {
    std::map<std::wstring, std::wstring> values = {
        {L"ProgId", progId}, {L"JavaClassName", L"com.tamsiver." + progId}, {L"JvmId", L"MyJVM"}};
    if (!serverId.empty()) {
        values[L"ServerId"] = serverId;
    }
    return values;
}

struct ListingCase {
    const char* what;
    std::vector<ClassSetup> classes;
    std::vector<Injection> injections;
    std::wstring expected;
};

TEST(ListJavaClasses, ListsEveryClassInItsBlock) {
    const std::wstring dll = L"C:\\VOLM\\bin\\VOLM.dll";
    const ListingCase cases[] = {
        {"one class",
         {{coolId, record(L"MyServer.CoolService"), dll}},
         {},
         L"MyServer.CoolService:\r\n"
         L"    CLSID:          \t{B036ABD6-EE02-4d8e-8D67-186DFEE9A903}\r\n"
         L"    Java class:     \tcom.tamsiver.MyServer.CoolService\r\n"
         L"    JVMID:          \tMyJVM\r\n"
         L"    InprocServer32: \tC:\\VOLM\\bin\\VOLM.dll"},
        {"with a server",
         {{neatId, record(L"ServerA.NeatService", L"ServerA"), dll}},
         {},
         L"ServerA.NeatService:\r\n"
         L"    CLSID:          \t{2E2311DB-9D64-4cc0-9837-CD6B5F0FBF38}\r\n"
         L"    Java class:     \tcom.tamsiver.ServerA.NeatService\r\n"
         L"    JVMID:          \tMyJVM\r\n"
         L"    ServerId:       \tServerA\r\n"
         L"    InprocServer32: \tC:\\VOLM\\bin\\VOLM.dll"},
        {"empty server",
         {{coolId,
           {{L"ProgId", L"P"}, {L"JavaClassName", L"J"}, {L"JvmId", L"V"}, {L"ServerId", L""}},
           L"D"}},
         {},
         L"P:\r\n    CLSID:          \t" + coolId +
             L"\r\n    Java class:     \tJ\r\n    JVMID:          \tV\r\n"
             L"    InprocServer32: \tD"},
        {"a bare record and no COM keys",
         {{L"{x}", {}, std::nullopt}},
         {},
         L"?? missing ??:\r\n"
         L"    CLSID:          \t{x}\r\n"
         L"    Java class:     \t?? missing ??\r\n"
         L"    JVMID:          \t?? missing ??\r\n"
         L"    InprocServer32: \t?? missing ??"},
        {"server key without a path",
         {{L"{y}", {{L"ProgId", L"P"}, {L"ServerId", L"S"}}, L""}},
         {},
         L"P:\r\n    CLSID:          \t{y}\r\n    Java class:     \t?? missing ??\r\n"
         L"    JVMID:          \t?? missing ??\r\n    ServerId:       \tS\r\n"
         L"    InprocServer32: \t"},
        {"values that cannot be read",
         {{L"{z}", record(L"P", L"S"), dll}},
         {{RegistryCall::queryValue, classesKey + L"\\{z}@JvmId", 5},
          {RegistryCall::queryValue, classesKey + L"\\{z}@ServerId", 5},
          {RegistryCall::queryDefaultValue, L"HKCR\\CLSID\\{z}\\InprocServer32@", 5}},
         L"P:\r\n    CLSID:          \t{z}\r\n    Java class:     \tcom.tamsiver.P\r\n"
         L"    JVMID:          \t?? missing ??\r\n    InprocServer32: \t?? missing ??"},
        {"in the registry's order, names as registered",
         {{L"{bbb}", record(L"B"), L"b.dll"},
          {L"{AAA}", record(L"A"), L"a.dll"},
          {L"{aab}", record(L"C", L"S"), std::nullopt}},
         {},
         L"A:\r\n    CLSID:          \t{AAA}\r\n    Java class:     \tcom.tamsiver.A\r\n"
         L"    JVMID:          \tMyJVM\r\n    InprocServer32: \ta.dll\r\n"
         L"C:\r\n    CLSID:          \t{aab}\r\n    Java class:     \tcom.tamsiver.C\r\n"
         L"    JVMID:          \tMyJVM\r\n    ServerId:       \tS\r\n"
         L"    InprocServer32: \t?? missing ??\r\n"
         L"B:\r\n    CLSID:          \t{bbb}\r\n    Java class:     \tcom.tamsiver.B\r\n"
         L"    JVMID:          \tMyJVM\r\n    InprocServer32: \tb.dll"},
    };
    for (const auto& [what, classes, injections, expected] : cases) {
        FakeTool fake;
        arrange(fake.registry, classes, injections);
        listJavaClasses(fake.tool);
        ASSERT_EQ(fake.listings.opened.size(), 1u) << what;
        EXPECT_EQ(fake.listings.opened[0].title, L"Registered Classes") << what;
        EXPECT_EQ(fake.listings.opened[0].text, expected) << what;
        EXPECT_TRUE(fake.messages.shown.empty()) << what;
        EXPECT_EQ(fake.registry.openHandles(), 0u) << what;
    }
}

struct MessageCase {
    const char* what;
    bool classesKey;  // the key of the class records is there, even without records
    std::vector<ClassSetup> classes;
    std::vector<Injection> injections;
    ShownMessage expected;
};

TEST(ListJavaClasses, ShowsAMessageInsteadOfAnyPartOfTheListing) {
    const std::wstring title = L"Volmora - Bind Object";
    const ShownMessage none{MessageIcon::information, title, L"No classes registered"};
    const ClassSetup cool{coolId, record(L"Cool"), L"x.dll"};
    const ClassSetup neat{neatId, record(L"Neat"), L"x.dll"};
    const MessageCase cases[] = {
        {"no classes key", false, {}, {}, none},
        {"no classes", true, {}, {}, none},
        {"classes key unreadable", true, {cool}, {{RegistryCall::openKey, classesKey, 5}}, none},
        {"enumeration fails",
         true,
         {cool},
         {{RegistryCall::enumKey, classesKey, 1450}},
         {MessageIcon::exclamation, title, L"Can't enumerate CLSIDs: error=1450"}},
        {"second record cannot be opened",
         true,
         {cool, neat},
         {{RegistryCall::openKey, classesKey + L"\\" + coolId, 5}},
         {MessageIcon::exclamation, title,
          L"Can't open \"{B036ABD6-EE02-4d8e-8D67-186DFEE9A903}\" key: error=5"}},
        {"record fails with a negative code",
         true,
         {neat},
         {{RegistryCall::openKey, classesKey + L"\\" + neatId, -1}},
         {MessageIcon::exclamation, title,
          L"Can't open \"{2E2311DB-9D64-4cc0-9837-CD6B5F0FBF38}\" key: error=-1"}},
    };
    for (const auto& [what, hasClassesKey, classes, injections, expected] : cases) {
        FakeTool fake;
        if (hasClassesKey) {
            fake.registry.putKey(classesKey);
        }
        arrange(fake.registry, classes, injections);
        listJavaClasses(fake.tool);
        EXPECT_TRUE(fake.listings.opened.empty()) << what;
        EXPECT_EQ(fake.onlyMessage(), expected) << what;
        EXPECT_EQ(fake.registry.openHandles(), 0u) << what;
    }
}

// Every registry call is a round trip to the registry, and a listing of thousands of classes
// spends its time on them: a class record costs one enumeration, one open, one query per value
// (a second only for a value longer than the first buffer), one close and one query of its COM
// server.
TEST(ListJavaClasses, ReadsEachClassRecordWithEightRegistryCalls) {
    struct Case {
        const char* what;
        std::map<std::wstring, std::wstring> values;
        std::optional<std::wstring> inprocServer;
        std::size_t callsPerRecord;
    };
    const Case cases[] = {
        {"with a server", record(L"P", L"S"), L"C:\\VOLM\\bin\\VOLM.dll", 8},
        {"without a server", record(L"P"), L"C:\\VOLM\\bin\\VOLM.dll", 8},
        {"a bare record without COM keys", {}, std::nullopt, 8},
        {"a long Java class name",
         {{L"ProgId", L"P"}, {L"JavaClassName", std::wstring(300, L'j')}, {L"JvmId", L"V"}},
         std::wstring(300, L'd'),
         10},
    };
    for (const auto& c : cases) {
        auto callsFor = [&](std::size_t count) {
            std::vector<ClassSetup> classes;
            for (std::size_t i = 0; i < count; ++i) {
                classes.push_back({L"{" + std::to_wstring(i) + L"}", c.values, c.inprocServer});
            }
            FakeTool fake;
            arrange(fake.registry, classes, {});
            listJavaClasses(fake.tool);
            EXPECT_EQ(fake.listings.opened.size(), 1u) << c.what;
            return fake.registry.callCount();
        };
        EXPECT_EQ(callsFor(3) - callsFor(2), c.callsPerRecord) << c.what;
    }
}

TEST(ListJavaClasses, ReadsInTheRecordsOrder) {
    FakeTool fake;
    arrange(fake.registry, {{L"{x}", record(L"P"), L"x.dll"}}, {});
    listJavaClasses(fake.tool);
    const std::wstring record = classesKey + L"\\{x}";
    const std::vector<std::wstring> expected = {
        L"openKey " + classesKey,
        L"enumKey " + classesKey,
        L"openKey " + record,
        L"queryValue " + record + L"@ProgId",
        L"queryValue " + record + L"@JavaClassName",
        L"queryValue " + record + L"@JvmId",
        L"queryValue " + record + L"@ServerId",
        L"closeKey " + record,
        L"queryDefaultValue HKCR\\CLSID\\{x}\\InprocServer32@",
        L"enumKey " + classesKey,
        L"closeKey " + classesKey,
    };
    EXPECT_EQ(fake.registry.calls(), expected);
}

// The frame keeps the process for an open listing and ends it with 0 once the window closes;
// without a listing the dispatcher's result ends it at once.
TEST(ListJavaClasses, LeavesTheProcessToTheWindow) {
    FakeTool withClasses;
    arrange(withClasses.registry, {{coolId, record(L"Cool"), L"x.dll"}}, {});
    withClasses.system.commandLineText = L"bindObject.exe /l";
    EXPECT_EQ(runTool(withClasses.platform, bindObjectTool), 0);
    EXPECT_TRUE(withClasses.listings.served);
    EXPECT_EQ(withClasses.listings.opened.size(), 1u);

    FakeTool withoutClasses;
    withoutClasses.system.commandLineText = L"bindObject.exe /l";
    try {
        runTool(withoutClasses.platform, bindObjectTool);
        ADD_FAILURE() << "the process should have ended";
    } catch (const ProcessExit& exit) {
        EXPECT_EQ(exit.exitCode, 0u);
    }
    EXPECT_FALSE(withoutClasses.listings.served);
    EXPECT_EQ(withoutClasses.onlyMessage().text, L"No classes registered");
}

}  // namespace
}  // namespace volmora
