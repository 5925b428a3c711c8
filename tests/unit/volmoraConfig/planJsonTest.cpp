// The JSON plan of apply /check /json and restore /check /json: the document for each kind of
// change, values of other types, the keys a ProgID leaves, and nothing else on standard output.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "sampleMachine.h"

namespace volmora::testing {
namespace {

const std::wstring clsid = L"{B036ABD6-EE02-4d8e-8D67-186DFEE9A903}";
const std::string jvmFile = R"("jvms": {"MyJVM": {"DllPath": "C:\\jvm\\jvm.dll",
    "JvmOptions": "-Djava.class.path=C:\\VOLM\\lib\\VOLM.jar"}})";

std::string classFile(const std::string& values) {
    return "{\"formatVersion\": 1, " + jvmFile + R"(, "servers": {"ServerA": {"Classpath":
        "C:\\app", "Imports": ""}}, "classes": {"{B036ABD6-EE02-4d8e-8D67-186DFEE9A903}": {)" +
           values + "}}}";
}

TEST(VolmoraConfigPlanJson, TheDocumentOfEachKindOfChange) {
    struct Case {
        const char* what;
        void (*arrange)(MemoryRegistry&);
        std::string file;
        bool prune;
        const char* plan;  // JSON
    };
    const Case cases[] = {
        {"nothing to change", registerSample,
         classFile(R"("JavaClassName": "com.tamsiver.myserver.CoolService", "JvmId": "MyJVM",
                      "ProgId": "MyServer.CoolService", "ServerId": "ServerA")"),
         false, R"({"formatVersion": 1, "changes": [], "added": 0, "changed": 0, "removed": 0})"},
        {"a JVM added shows every value it gets", [](MemoryRegistry&) {},
         "{\"formatVersion\": 1, " + jvmFile + "}", false,
         R"({"formatVersion": 1, "changes": [{"action": "add", "kind": "jvm", "name": "MyJVM",
             "values": [{"name": "DllPath", "before": null, "after": "C:\\jvm\\jvm.dll"},
                        {"name": "JvmOptions", "before": null,
                         "after": "-Djava.class.path=C:\\VOLM\\lib\\VOLM.jar"}]}],
             "added": 1, "changed": 0, "removed": 0})"},
        {"a stale value goes and a COM value of another type is put right",
         [](MemoryRegistry& r) {
             registerSample(r);
             r.putValue(L"HKCR\\CLSID\\" + clsid + L"\\InprocServer32", L"ThreadingModel",
                        {valueType::dword, {1, 0, 0, 0}});
         },
         classFile(R"("JavaClassName": "com.tamsiver.myserver.CoolService", "JvmId": "MyJVM",
                      "ProgId": "MyServer.CoolService")"),
         false,
         R"j({"formatVersion": 1, "changes": [{"action": "change", "kind": "class",
             "name": "{B036ABD6-EE02-4d8e-8D67-186DFEE9A903}", "progId": "MyServer.CoolService",
             "values": [{"name": "ServerId", "before": "ServerA", "after": null},
                        {"comKey": "CLSID\\{B036ABD6-EE02-4d8e-8D67-186DFEE9A903}\\InprocServer32",
                         "name": "ThreadingModel", "before": {"shown": "(not REG_SZ)"},
                         "after": "both"}]}],
             "added": 0, "changed": 1, "removed": 0})j"},
        {"with /prune a server goes with every value it had",
         [](MemoryRegistry& r) {
             putJvm(r, L"MyJVM");
             putServer(r, L"Old");
         },
         "{\"formatVersion\": 1, " + jvmFile + "}", true,
         R"({"formatVersion": 1, "changes": [{"action": "remove", "kind": "server", "name": "Old",
             "values": [{"name": "Classpath", "before": "C:\\app", "after": null},
                        {"name": "Imports", "before": "", "after": null}]}],
             "added": 0, "changed": 0, "removed": 1})"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FakeConfigHost host;
        c.arrange(host.memory);
        host.files[L"f.json"] = c.file;
        const std::wstring before = host.memory.dump(L"HKLM") + host.memory.dump(L"HKCR");
        const nlohmann::json expected = nlohmann::json::parse(c.plan);
        const std::int32_t code =
            c.prune ? host.run({L"apply", L"/check", L"/json", L"/prune", L"f.json"})
                    : host.run({L"apply", L"/json", L"/check", L"f.json"});
        EXPECT_EQ(code, 0) << host.err;
        EXPECT_EQ(nlohmann::json::parse(host.out), expected) << host.out;
        EXPECT_TRUE(host.out.ends_with("}\n"));
        EXPECT_EQ(host.err, L"");
        EXPECT_EQ(host.memory.dump(L"HKLM") + host.memory.dump(L"HKCR"), before);
    }
}

// A ProgID that changes: the new ProgID's keys are written and the old one's go, leaves first,
// each named once.
TEST(VolmoraConfigPlanJson, TheKeysAnOldProgIdLeavesAreDeleted) {
    FakeConfigHost host;
    registerSample(host.memory);
    host.files[L"f.json"] = classFile(R"("JavaClassName": "com.tamsiver.myserver.CoolService",
        "JvmId": "MyJVM", "ProgId": "New.Prog", "ServerId": "ServerA")");
    ASSERT_EQ(host.run({L"apply", L"/check", L"/json", L"/detailed-exitcode", L"f.json"}), 2)
        << host.err;
    const nlohmann::json plan = nlohmann::json::parse(host.out);
    ASSERT_EQ(plan.at("changes").size(), 1u);
    const nlohmann::json& change = plan.at("changes")[0];
    EXPECT_EQ(change.at("progId"), "New.Prog");
    std::vector<std::string> deleted;
    bool progIdValue = false;
    for (const nlohmann::json& value : change.at("values")) {
        if (value.value("deleted", false)) {
            EXPECT_FALSE(value.contains("before"));
            deleted.push_back(value.at("comKey"));
        } else if (!value.contains("comKey") && value.at("name") == "ProgId") {
            progIdValue =
                value.at("before") == "MyServer.CoolService" && value.at("after") == "New.Prog";
        }
    }
    EXPECT_TRUE(progIdValue);
    EXPECT_EQ(deleted, (std::vector<std::string>{
                           "MyServer.CoolService\\CLSID", "MyServer.CoolService\\CurVer",
                           "MyServer.CoolService", "MyServer.CoolService.1\\CLSID",
                           "MyServer.CoolService.1"}));
}

// restore's plan names keys: a value drifted to another type shows as the plan shows it.
TEST(VolmoraConfigPlanJson, RestoresPlanNamesKeysWithValuesOfEveryType) {
    FakeConfigHost host;
    registerSample(host.memory);
    const std::wstring server = configRoot + L"\\Servers\\ServerA";
    host.memory.putValue(server, L"Count", {valueType::dword, {7, 0, 0, 0}});
    host.files[L"f.json"] =
        R"({"formatVersion": 1, "servers": {"ServerA": {"Classpath": "D:\\"}}})";
    ASSERT_EQ(host.run({L"apply", L"/backup", L"b.bak", L"f.json"}), 0) << host.err;
    host.memory.putValue(server, L"Count", {valueType::dword, {8, 0, 0, 0}});
    const std::wstring drifted = host.memory.dump(L"HKLM");
    ASSERT_EQ(host.run({L"restore", L"/check", L"/json", L"b.bak"}), 0) << host.err;
    EXPECT_EQ(nlohmann::json::parse(host.out), nlohmann::json::parse(R"({"formatVersion": 1,
        "changes": [{"action": "change", "kind": "key",
          "name": "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tamsiver Software\\VOLM\\Servers\\ServerA",
          "values": [{"name": "Classpath", "before": "D:\\", "after": "C:\\app"},
                     {"name": "Count", "before": {"shown": "REG_DWORD 0x8"},
                      "after": {"shown": "REG_DWORD 0x7"}},
                     {"name": "Imports", "before": null, "after": ""}]}],
        "added": 0, "changed": 1, "removed": 0})"))
        << host.out;
    EXPECT_EQ(host.memory.dump(L"HKLM"), drifted);
}

}  // namespace
}  // namespace volmora::testing
