// The check verb's exit codes and its two forms of report.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "bindObject.h"
#include "bindRuntime.h"
#include "checkCommand.h"
#include "checkFilesFake.h"
#include "exitCodes.h"
#include "fakePlatform.h"
#include "utf8.h"

namespace volmora::testing {
namespace {

const std::wstring library = L"C:\\VOLM\\bin\\VOLM.dll";
const std::wstring jvmLibrary = L"C:\\Java\\jvm.dll";
const std::wstring cool = L"{B036ABD6-EE02-4d8e-8D67-186DFEE9A903}";

struct CheckedMachine {
    CheckedMachine() {
        files.files[library] = imageHeader(config::amd64Machine);
        files.files[jvmLibrary] = imageHeader(config::amd64Machine);
        addJvm(fake.tool, L"MyJVM", jvmLibrary, L"-Djava.class.path=C:\\VOLM\\lib\\VOLM.jar");
        registerJavaClass(fake.tool, L"My.Prog", cool, L"com.x.Y", L"MyJVM", L"", library);
    }
    config::CheckRun run(bool asJson = false) {
        return config::runCheck(fake.registry, files, {library, config::amd64Machine}, asJson);
    }
    FakeTool fake;
    FakeCheckFiles files;
};

TEST(CheckCommand, ExitsWithSixOnlyForAnError) {
    struct Case {
        const char* what;
        void (*make)(CheckedMachine&);
        std::int32_t exitCode;
    };
    const Case cases[] = {
        {"clean", [](CheckedMachine&) {}, config::exitCode::success},
        {"a warning only",
         [](CheckedMachine& m) {
             m.fake.registry.putText(L"HKLM\\SOFTWARE\\Tamsiver Software\\VOLM\\Servers\\S",
                                     L"Classpath", L"C:\\gone.jar");
             m.fake.registry.putText(L"HKLM\\SOFTWARE\\Tamsiver Software\\VOLM\\Servers\\S",
                                     L"Imports", L"");
         },
         config::exitCode::success},
        {"an error", [](CheckedMachine& m) { m.files.files.erase(jvmLibrary); },
         config::exitCode::checkFoundError},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CheckedMachine machine;
        c.make(machine);
        for (const bool asJson : {false, true}) {
            const config::CheckRun run = machine.run(asJson);
            EXPECT_EQ(run.exitCode, c.exitCode);
            EXPECT_EQ(run.standardError, L"");
        }
    }
}

TEST(CheckCommand, SaysWhichReadFailedAndExitsWithEight) {
    CheckedMachine machine;
    machine.fake.registry.failCall(RegistryCall::enumKey,
                                   L"HKLM\\SOFTWARE\\Tamsiver Software\\VOLM\\JVMs", 1015);
    const config::CheckRun run = machine.run();
    EXPECT_EQ(run.exitCode, config::exitCode::registryUnreadable);
    EXPECT_EQ(run.standardOutput, "");
    EXPECT_EQ(run.standardError, L"Can't enumerate JVMs: error=1015\n");
}

TEST(CheckCommand, GivesTheSameFindingsAsJson) {
    CheckedMachine machine;
    machine.files.files.erase(jvmLibrary);
    machine.fake.registry.putText(L"HKLM\\SOFTWARE\\Tamsiver Software\\VOLM\\Servers\\Sä",
                                  L"Classpath", L"C:\\gone.jar");
    const std::string lines = machine.run().standardOutput;
    EXPECT_EQ(lines, utf8(L"error: jvm MyJVM: DllPath names a missing file \"C:\\Java\\jvm.dll\"\n"
                          L"warning: server Sä: Classpath entry \"C:\\gone.jar\" does not exist\n"
                          L"warning: server Sä: Imports is missing\n"
                          L"Check: 1 error, 2 warnings.\n"));
    const std::string json = machine.run(true).standardOutput;
    ASSERT_FALSE(json.empty());
    EXPECT_EQ(json.back(), '\n');
    const auto document = nlohmann::json::parse(json);
    EXPECT_EQ(document["formatVersion"], 1);
    EXPECT_EQ(document["errors"], 1);
    EXPECT_EQ(document["warnings"], 2);
    const auto problem = [](const char* severity, const char* kind, std::wstring_view record,
                            std::wstring_view message) {
        return nlohmann::json{{"severity", severity},
                              {"kind", kind},
                              {"record", utf8(record)},
                              {"message", utf8(message)}};
    };
    EXPECT_EQ(document["problems"],
              nlohmann::json::array({problem("error", "jvm", L"MyJVM",
                                             L"DllPath names a missing file \"C:\\Java\\jvm.dll\""),
                                     problem("warning", "server", L"Sä",
                                             L"Classpath entry \"C:\\gone.jar\" does not exist"),
                                     problem("warning", "server", L"Sä", L"Imports is missing")}));
    EXPECT_NE(json.find("\n  \"problems\": [\n    {\n      \"severity\""), std::string::npos)
        << "two-space indentation";
}

}  // namespace
}  // namespace volmora::testing
