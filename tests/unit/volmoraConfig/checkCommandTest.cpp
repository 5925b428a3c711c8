// The check verb's exit codes and its two forms of report.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "bindObject.h"
#include "bindRuntime.h"
#include "checkCommand.h"
#include "checkFilesFake.h"
#include "configHost.h"
#include "exitCodes.h"
#include "fakePlatform.h"
#include "utf8.h"

namespace volmora::testing {
namespace {

const std::wstring library = L"C:\\VOLM\\bin\\VOLM.dll";
const std::wstring jvmLibrary = L"C:\\Java\\jvm.dll";
const std::wstring cool = L"{B036ABD6-EE02-4d8e-8D67-186DFEE9A903}";

// A console host over the in-memory registry and files, with volmoraConfig in C:\VOLM\bin and
// the runtime not registered, so that the runtime library is the VOLM.dll beside it.
class CheckHost : public config::ConfigHost {
  public:
    Registry& registry() override { return fake.registry; }
    void writeOut(std::string_view bytes) override { out += bytes; }
    void writeError(std::wstring_view line) override { errors.emplace_back(line); }
    long readFile(const std::wstring&, std::size_t, std::string&) override { return 2; }
    long writeFile(const std::wstring&, std::string_view) override { return 5; }
    long lock(std::wstring&) override { return 0; }
    std::wstring programPath() override { return L"C:\\VOLM\\bin\\volmoraConfig.exe"; }
    config::CheckFiles& checkFiles() override { return files; }

    FakeTool fake;
    FakeCheckFiles files;
    std::string out;
    std::vector<std::wstring> errors;
};

struct CheckRun {
    std::int32_t exitCode;
    std::string standardOutput;
    std::wstring standardError;  // the first line
};

struct CheckedMachine {
    CheckedMachine() {
        host.files.files[library] = imageHeader(config::amd64Machine);
        host.files.files[jvmLibrary] = imageHeader(config::amd64Machine);
        addJvm(host.fake.tool, L"MyJVM", jvmLibrary, L"-Djava.class.path=C:\\VOLM\\lib\\VOLM.jar");
        registerJavaClass(host.fake.tool, L"My.Prog", cool, L"com.x.Y", L"MyJVM", L"", library);
    }
    struct Run {
        std::int32_t exitCode;
        std::string out;
        std::vector<std::wstring> errors;
    };
    Run run(std::vector<std::wstring> arguments = {L"check"}) {
        host.out.clear();
        host.errors.clear();
        arguments.insert(arguments.begin(), L"volmoraConfig");
        const std::int32_t code = config::runConfigCommand(host, arguments);
        return {code, host.out, host.errors};
    }
    CheckRun run(bool asJson) {
        const Run r = run(asJson ? std::vector<std::wstring>{L"check", L"/json"}
                                 : std::vector<std::wstring>{L"check"});
        return {r.exitCode, r.out, r.errors.empty() ? L"" : r.errors.front()};
    }
    CheckHost host;
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
             m.host.fake.registry.putText(L"HKLM\\SOFTWARE\\Tamsiver Software\\VOLM\\Servers\\S",
                                          L"Classpath", L"C:\\gone.jar");
             m.host.fake.registry.putText(L"HKLM\\SOFTWARE\\Tamsiver Software\\VOLM\\Servers\\S",
                                          L"Imports", L"");
         },
         config::exitCode::success},
        {"an error", [](CheckedMachine& m) { m.host.files.files.erase(jvmLibrary); },
         config::exitCode::checkFoundError},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CheckedMachine machine;
        c.make(machine);
        for (const bool asJson : {false, true}) {
            const CheckRun run = machine.run(asJson);
            EXPECT_EQ(run.exitCode, c.exitCode);
            EXPECT_EQ(run.standardError, L"");
        }
    }
}

TEST(CheckCommand, SaysWhichReadFailedAndExitsWithEight) {
    CheckedMachine machine;
    machine.host.fake.registry.failCall(RegistryCall::enumKey,
                                        L"HKLM\\SOFTWARE\\Tamsiver Software\\VOLM\\JVMs", 1015);
    const CheckRun run = machine.run(false);
    EXPECT_EQ(run.exitCode, config::exitCode::registryUnreadable);
    EXPECT_EQ(run.standardOutput, "");
    EXPECT_EQ(run.standardError, L"Can't enumerate JVMs: error=1015");
}

TEST(CheckCommand, GivesTheSameFindingsAsJson) {
    CheckedMachine machine;
    machine.host.files.files.erase(jvmLibrary);
    machine.host.fake.registry.putText(L"HKLM\\SOFTWARE\\Tamsiver Software\\VOLM\\Servers\\Sä",
                                       L"Classpath", L"C:\\gone.jar");
    const std::string lines = machine.run(false).standardOutput;
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

TEST(CheckCommand, TakesOnlyItsJsonSwitch) {
    struct Case {
        std::vector<std::wstring> arguments;
        std::int32_t exitCode;
        bool json;
    };
    const Case cases[] = {
        {{L"check"}, config::exitCode::success, false},
        {{L"CHECK", L"-JSON"}, config::exitCode::success, true},
        {{L"check", L"/json", L"/json"}, config::exitCode::commandLineRefused, false},
        {{L"check", L"/csv"}, config::exitCode::commandLineRefused, false},
        {{L"check", L"json"}, config::exitCode::commandLineRefused, false},
        {{L"check", L"/"}, config::exitCode::commandLineRefused, false},
    };
    for (const Case& c : cases) {
        CheckedMachine machine;
        const auto run = machine.run(c.arguments);
        SCOPED_TRACE(std::string(c.arguments.back().begin(), c.arguments.back().end()));
        EXPECT_EQ(run.exitCode, c.exitCode);
        if (c.exitCode == config::exitCode::commandLineRefused) {
            EXPECT_EQ(run.out, "");
            ASSERT_FALSE(run.errors.empty());
            EXPECT_NE(std::find(run.errors.begin(), run.errors.end(),
                                L"       volmoraConfig check [/json]"),
                      run.errors.end());
        } else {
            EXPECT_EQ(run.out.front() == '{', c.json);
            EXPECT_TRUE(run.errors.empty());
        }
    }
}

}  // namespace
}  // namespace volmora::testing
