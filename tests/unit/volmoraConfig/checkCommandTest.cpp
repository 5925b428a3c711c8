// The check verb through the command line: its exit codes, its switch, and its two forms of
// report.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "../bindObject/classLayout.h"
#include "check/recordFiles.h"
#include "checkFilesFake.h"
#include "exitCodes.h"
#include "fakeConfigHost.h"
#include "utf8.h"

namespace volmora::testing {
namespace {

// volmoraConfig lies in C:\VOLM\bin and the runtime is not registered: the runtime library is
// the VOLM.dll beside it, as the class layout's default names it.
const std::wstring jvmLibrary = L"C:\\Java\\jvm.dll";
const std::wstring& root = configRoot;

struct CheckedMachine {
    CheckedMachine() {
        const ClassOperands c;
        writeLayout(host.memory, c);
        host.memory.putText(root + L"\\JVMs\\MyJVM", L"DllPath", jvmLibrary);
        host.memory.putText(root + L"\\JVMs\\MyJVM", L"JvmOptions",
                            L"-Djava.class.path=C:\\VOLM\\lib\\VOLM.jar");
        host.fileSystem.files[c.libraryPath] = imageHeader(config::ownMachine);
        host.fileSystem.files[jvmLibrary] = imageHeader(config::ownMachine);
    }
    FakeConfigHost host;
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
             m.host.memory.putText(root + L"\\Servers\\S", L"Classpath", L"C:\\gone.jar");
             m.host.memory.putText(root + L"\\Servers\\S", L"Imports", L"");
         },
         config::exitCode::success},
        {"an error", [](CheckedMachine& m) { m.host.fileSystem.files.erase(jvmLibrary); },
         config::exitCode::checkFoundError},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CheckedMachine machine;
        c.make(machine);
        EXPECT_EQ(machine.host.run({L"check"}), c.exitCode);
        EXPECT_EQ(machine.host.run({L"check", L"/json"}), c.exitCode);
        EXPECT_EQ(machine.host.err, L"");
    }
}

TEST(CheckCommand, SaysWhichReadFailedAndExitsWithEight) {
    CheckedMachine machine;
    machine.host.memory.failCall(RegistryCall::enumKey, root + L"\\JVMs", 1015);
    EXPECT_EQ(machine.host.run({L"check"}), config::exitCode::registryUnreadable);
    EXPECT_EQ(machine.host.out, "");
    EXPECT_EQ(machine.host.err, L"Can't enumerate JVMs: error=1015\n");
}

TEST(CheckCommand, GivesTheSameFindingsAsLinesAndAsJson) {
    CheckedMachine machine;
    machine.host.fileSystem.files.erase(jvmLibrary);
    machine.host.memory.putText(root + L"\\Servers\\Sä", L"Classpath", L"C:\\gone.jar");
    ASSERT_EQ(machine.host.run({L"check"}), config::exitCode::checkFoundError);
    EXPECT_EQ(machine.host.out,
              utf8(L"error: jvm MyJVM: DllPath names a missing file \"C:\\Java\\jvm.dll\"\n"
                   L"warning: server Sä: Classpath entry \"C:\\gone.jar\" does not exist\n"
                   L"warning: server Sä: Imports is missing\n"
                   L"Check: 1 error, 2 warnings.\n"));
    ASSERT_EQ(machine.host.run({L"check", L"/json"}), config::exitCode::checkFoundError);
    const std::string json = machine.host.out;
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
        std::initializer_list<std::wstring> arguments;
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
        const std::wstring last = *(c.arguments.end() - 1);
        SCOPED_TRACE(utf8(last));
        EXPECT_EQ(machine.host.run(c.arguments), c.exitCode);
        if (c.exitCode == config::exitCode::commandLineRefused) {
            EXPECT_EQ(machine.host.out, "");
            EXPECT_NE(machine.host.err.find(L"\n       volmoraConfig check [/json]\n"),
                      std::wstring::npos);
        } else {
            ASSERT_FALSE(machine.host.out.empty());
            EXPECT_EQ(machine.host.out.front() == '{', c.json);
            EXPECT_EQ(machine.host.err, L"");
        }
    }
}

}  // namespace
}  // namespace volmora::testing
