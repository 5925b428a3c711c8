// JVM records: registration, unregistration and listing against the in-memory registry, with
// the failures of each step injected.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "bindRuntime.h"
#include "fakePlatform.h"
#include "utf16.h"

namespace volmora::testing {
namespace {

const std::wstring records = L"HKLM\\SOFTWARE\\Tamsiver Software\\VOLM\\JVMs";
const std::wstring myJvm = records + L"\\MyJVM";
const std::wstring dll = L"C:\\jdk\\jvm.dll";
const std::wstring options = L"\"-Djava.class.path=C:\\My Server\\VOLM.jar\" -Xmx64m";
const auto info = MessageIcon::information;
const auto error = MessageIcon::exclamation;

struct Fixture {
    FakeTool fake{L"Bind Runtime", L"C:\\VOLM\\bin\\bindRuntime.exe"};
    void expectShown(MessageIcon icon, const std::wstring& text, const std::string& where) {
        EXPECT_EQ(fake.onlyMessage(), (ShownMessage{icon, L"Volmora - Bind Runtime", text}))
            << where;
        EXPECT_EQ(fake.registry.openHandles(), 0u) << where;
    }
};

std::wstring block(const std::wstring& name, const std::wstring& path, const std::wstring& opts) {
    return name + L":\r\n    Dll Path: \t" + path + L"\r\n    Options:  \t" + opts;
}

TEST(AddJvm, StopsAtTheFirstFailingStep) {
    struct Case {
        RegistryCall call;
        std::wstring target;
        long code;
        std::wstring message;
        bool keyRemains, dllPathWritten;
    };
    const std::vector<Case> cases = {
        {RegistryCall::createKey, myJvm, 5, L"Can't create VOLM JVMs registry settings: error=5",
         false, false},
        {RegistryCall::setValue, myJvm + L"@DllPath", 1018,
         L"Can't set DllPath registry value: error=1018", true, false},
        {RegistryCall::setValue, myJvm + L"@JvmOptions", 1450,
         L"Can't set JvmOptions registry value: error=1450", true, true},
    };
    for (const auto& c : cases) {
        Fixture f;
        f.fake.registry.failCall(c.call, c.target, c.code);
        addJvm(f.fake.tool, L"MyJVM", dll, options);
        std::string where(c.target.begin(), c.target.end());
        f.expectShown(error, c.message, where);
        EXPECT_EQ(f.fake.registry.keyExists(myJvm), c.keyRemains) << where;
        EXPECT_EQ(f.fake.registry.text(myJvm, L"DllPath").has_value(), c.dllPathWritten) << where;
        EXPECT_FALSE(f.fake.registry.text(myJvm, L"JvmOptions").has_value()) << where;
    }
}

TEST(AddJvm, SilentModeShowsNeitherSuccessNorFailure) {
    Fixture f;
    f.fake.tool.silentMode = true;
    addJvm(f.fake.tool, L"MyJVM", dll, options);
    f.fake.registry.failCall(RegistryCall::createKey, records + L"\\Other", 5);
    addJvm(f.fake.tool, L"Other", dll, options);
    EXPECT_TRUE(f.fake.messages.shown.empty());
    EXPECT_EQ(f.fake.registry.text(myJvm, L"JvmOptions"), options);
}

TEST(RemoveJvm, DeletesOneRecordOrSaysItIsNotRegistered) {
    struct Case {
        std::wstring id;
        std::function<void(MemoryRegistry&)> arrange;
        std::wstring message;
        bool removed;
    };
    auto none = [](MemoryRegistry&) {};
    const std::vector<Case> cases = {
        {L"MyJVM", none, L"JVM \"MyJVM\" successfully unregistered.", true},
        {L"myjvm", none, L"JVM \"myjvm\" successfully unregistered.", true},
        {L"Other", none, L"JVM \"Other\" isn't registered.", false},
        {L"MyJVM", [](MemoryRegistry& r) { r.failCall(RegistryCall::openKey, records, 5); },
         L"JVM \"MyJVM\" isn't registered.", false},
        {L"MyJVM", [](MemoryRegistry& r) { r.failCall(RegistryCall::deleteKey, myJvm, 5); },
         L"JVM \"MyJVM\" isn't registered.", false},
        {L"MyJVM", [](MemoryRegistry& r) { r.putKey(myJvm + L"\\deeper"); },
         L"JVM \"MyJVM\" isn't registered.", false},
    };
    for (const auto& c : cases) {
        Fixture f;
        f.fake.registry.putText(myJvm, L"DllPath", dll);
        c.arrange(f.fake.registry);
        removeJvm(f.fake.tool, c.id);
        std::string where(c.message.begin(), c.message.end());
        f.expectShown(c.removed ? info : error, c.message, where);
        EXPECT_NE(f.fake.registry.keyExists(myJvm), c.removed) << where;
        EXPECT_TRUE(f.fake.registry.keyExists(records)) << where;
    }
    Fixture f;
    removeJvm(f.fake.tool, L"MyJVM");
    f.expectShown(error, L"JVM \"MyJVM\" isn't registered.", "no JVMs key");
}

TEST(ListJvms, ShowsEveryRecordInTheListingWindow) {
    Fixture f;
    auto& r = f.fake.registry;
    r.putText(records + L"\\Alpha", L"DllPath", L"C:\\a.dll");
    r.putText(records + L"\\Alpha", L"JvmOptions", options);
    r.putText(records + L"\\Beta", L"DllPath", L"C:\\b.dll");
    r.putValue(records + L"\\Beta", L"JvmOptions", {valueType::expandSz, utf16Bytes(L"%x%")});
    r.putValue(records + L"\\Gamma", L"DllPath", {valueType::dword, {7, 0, 0, 0}});
    r.putText(records + L"\\Gamma", L"JvmOptions", L"-Xa");
    r.putKey(records + L"\\a\\b");
    r.putText(records + L"\\Delta", L"DllPath", L"C:\\d.dll");
    r.failCall(RegistryCall::queryValue, records + L"\\Delta@DllPath", 5);
    listJvms(f.fake.tool);
    EXPECT_TRUE(f.fake.messages.shown.empty());
    EXPECT_EQ(r.openHandles(), 0u);
    ASSERT_EQ(f.fake.listings.opened.size(), 1u);
    EXPECT_EQ(f.fake.listings.opened[0].title, L"Registered JVMs");
    const std::wstring missing = L"?? missing ??";
    EXPECT_EQ(f.fake.listings.opened[0].text,
              block(L"a", missing, missing) + L"\r\n" + block(L"Alpha", L"C:\\a.dll", options) +
                  L"\r\n" + block(L"Beta", L"C:\\b.dll", missing) + L"\r\n" +
                  block(L"Delta", missing, missing) + L"\r\n" + block(L"Gamma", L"7", L"-Xa"));
}

// A JVM record costs one enumeration, one open, one query per value and one close; a second
// query only for a value longer than the first buffer.
TEST(ListJvms, ReadsEachRecordWithFiveRegistryCalls) {
    struct Case {
        const char* what;
        std::wstring jvmOptions;
        std::size_t callsPerRecord;
    };
    const Case cases[] = {
        {"short options", options, 5},
        {"options longer than the first buffer", std::wstring(1000, L'o'), 6},
    };
    for (const auto& c : cases) {
        auto callsFor = [&](int count) {
            Fixture f;
            for (int i = 0; i < count; ++i) {
                const std::wstring record = records + L"\\J" + std::to_wstring(i);
                f.fake.registry.putText(record, L"DllPath", dll);
                f.fake.registry.putText(record, L"JvmOptions", c.jvmOptions);
            }
            listJvms(f.fake.tool);
            EXPECT_EQ(f.fake.listings.opened.size(), 1u) << c.what;
            return f.fake.registry.callCount();
        };
        EXPECT_EQ(callsFor(3) - callsFor(2), c.callsPerRecord) << c.what;
    }
}

TEST(ListJvms, ReportsWhatStopsTheListing) {
    const std::vector<
        std::tuple<std::wstring, std::function<void(MemoryRegistry&)>, MessageIcon, std::wstring>>
        cases = {
            {L"no JVMs key", [](MemoryRegistry&) {}, info, L"No JVMs registered"},
            {L"no records", [](MemoryRegistry& r) { r.putKey(records); }, info,
             L"No JVMs registered"},
            {L"JVMs key unreadable",
             [](MemoryRegistry& r) {
                 r.putKey(myJvm);
                 r.failCall(RegistryCall::openKey, records, 5);
             },
             info, L"No JVMs registered"},
            {L"enumeration fails",
             [](MemoryRegistry& r) {
                 r.putKey(myJvm);
                 r.failCall(RegistryCall::enumKey, records, 1018);
             },
             error, L"Can't enumerate JVMs: error=1018"},
            {L"second record unreadable",
             [](MemoryRegistry& r) {
                 r.putText(records + L"\\Alpha", L"DllPath", dll);
                 r.putKey(myJvm);
                 r.failCall(RegistryCall::openKey, myJvm, 5);
             },
             error, L"Can't open \"MyJVM\" key: error=5"},
        };
    for (const auto& [where, arrange, icon, message] : cases) {
        Fixture f;
        arrange(f.fake.registry);
        listJvms(f.fake.tool);
        f.expectShown(icon, message, std::string(where.begin(), where.end()));
        EXPECT_TRUE(f.fake.listings.opened.empty());
    }
}

}  // namespace
}  // namespace volmora::testing
