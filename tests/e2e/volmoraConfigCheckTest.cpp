// volmoraConfig check under Wine: a configuration that the programs made cleanly has no problem,
// and every problem the check knows is made by a real situation (the programs themselves where
// they can make it, a registration made to fail half-way by a volatile key, raw writes for the
// rest) and named by its exact line. check only reads: the registry is the same afterwards.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "expectations.h"
#include "harness.h"
#include "registryWriting.h"
#include "sampleProduct.h"
#include "testFolder.h"

namespace volmora::e2e {
namespace {

namespace fs = std::filesystem;

const std::wstring configRoot = sample::configRoot;
const std::wstring runtimeClass =
    sample::runtimeRegistration.substr(0, sample::runtimeRegistration.rfind(L'\\'));
const std::wstring cool = L"{6A1F0C3E-58B2-4D97-A0E4-2C7B9F13D865}";
const std::wstring neat = L"{0D94E2B7-31C6-4F5A-8E07-B6A2C49D1F38}";
const std::wstring coolProgId = L"VolmoraCheck.Cool";
const std::wstring neatProgId = L"VolmoraCheck.Neat";
const std::wstring unbraced = L"7C2E9A14-05BD-4E83-9F61-D3A8B720C4E5";
const std::wstring unbracedProgId = L"VolmoraCheck.Plain";

std::wstring classKey(const std::wstring& clsid) {
    return L"CLSID\\" + clsid;
}

// The lines a run printed, without their line ends.
std::vector<std::string> lines(const std::string& output) {
    std::vector<std::string> found;
    std::size_t start = 0;
    for (std::size_t end; (end = output.find('\n', start)) != std::string::npos; start = end + 1) {
        std::string line = output.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        found.push_back(std::move(line));
    }
    return found;
}

void silently(const std::wstring& tool, const std::wstring& arguments) {
    const RunResult run = runTool(tool, L"/s " + arguments);
    ASSERT_FALSE(run.timedOut) << narrow(tool + L" " + arguments);
    ASSERT_EQ(run.exitCode, 0u) << narrow(tool + L" " + arguments);
}

RunResult check(const std::wstring& arguments = L"check") {
    RunOptions options;
    options.captureOutput = true;
    return runTool(L"volmoraConfig", arguments, options);
}

// Every key that the tests write, in the registry view under test: the whole configuration root
// (check reads all of it), the runtime's registration and the classes' COM keys.
void removeEverything() {
    deleteTree(HKEY_LOCAL_MACHINE, configRoot);
    deleteTree(HKEY_CLASSES_ROOT, runtimeClass);
    for (const std::wstring& clsid : {cool, neat, unbraced}) {
        deleteTree(HKEY_CLASSES_ROOT, classKey(clsid));
    }
    for (const std::wstring& progId : {coolProgId, neatProgId, unbracedProgId}) {
        deleteTree(HKEY_CLASSES_ROOT, progId);
        deleteTree(HKEY_CLASSES_ROOT, progId + L".1");
    }
}

// The stand-in runtime with the machine field of its image header set to the other
// architecture's: to the check, a library built for the other architecture.
void writeOtherArchitectureCopy(const std::wstring& path) {
    std::ifstream in(fs::path(standInRuntimePath()), std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(bytes.size(), 0x40u);
    std::uint32_t peHeader = 0;
    std::memcpy(&peHeader, &bytes[0x3C], sizeof peHeader);
    ASSERT_LT(peHeader + 6, bytes.size());
    const std::uint16_t other = testingI686Build ? 0x8664 : 0x014C;
    std::memcpy(&bytes[peHeader + 4], &other, sizeof other);
    std::ofstream(fs::path(path), std::ios::binary) << bytes;
}

// A machine set up as the runtime's installer and an administrator would: the runtime registered
// (the build's stand-in VOLM.dll, of this build's architecture), a JVM, servers A (importing B)
// and B, and a class served by A; every file they name exists.
// The situations below reach its members from their own functions.
class ConfigCheck : public ::testing::Test {
  public:
    void TearDown() override { removeEverything(); }

    void makeCleanMachine() {
        removeEverything();
        folder.emplace(L"configCheck");
        jvmLibrary = file(L"jvm.dll");
        archive = file(L"VOLM.jar");
        serverJar = file(L"a.jar");
        classes = folder->path() + L"\\classes";
        fs::create_directories(fs::path(classes));
        writeText(HKEY_CLASSES_ROOT, sample::runtimeRegistration, L"", standInRuntimePath());
        silently(L"bindRuntime",
                 L"MyJVM \"" + jvmLibrary + L"\" \"-Djava.class.path=" + archive + L"\"");
        silently(L"bindHost", L"ServerA \"" + serverJar + L";" + classes + L"\" ServerB");
        silently(L"bindHost", L"ServerB \"" + classes + L"\"");
        silently(L"bindObject", coolProgId + L" " + cool + L" com.tamsiver.Cool MyJVM ServerA");
    }

    std::wstring file(const std::wstring& name) {
        const std::wstring path = folder->path() + L"\\" + name;
        std::ofstream(fs::path(path), std::ios::binary) << "content";
        return path;
    }

    // What check must leave as it found it.
    std::wstring dumps() {
        std::wstring all = dumpKey(HKEY_LOCAL_MACHINE, configRoot);
        for (const std::wstring& clsid : {cool, neat, unbraced}) {
            all += dumpKey(HKEY_CLASSES_ROOT, classKey(clsid));
        }
        for (const std::wstring& progId : {coolProgId, neatProgId, unbracedProgId}) {
            all += dumpKey(HKEY_CLASSES_ROOT, progId) + dumpKey(HKEY_CLASSES_ROOT, progId + L".1");
        }
        return all;
    }

    std::optional<TestFolder> folder;
    std::wstring jvmLibrary, archive, serverJar, classes;
};

TEST_F(ConfigCheck, FindsNothingInWhatTheProgramsWrote) {
    makeCleanMachine();
    silently(L"bindObject", neatProgId + L" " + neat + L" com.tamsiver.Neat MyJVM");
    const std::wstring before = dumps();
    const RunResult run = check();
    ASSERT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(lines(run.output), (std::vector<std::string>{"Check: 0 errors, 0 warnings."}));
    const RunResult json = check(L"check /json");
    EXPECT_EQ(json.exitCode, 0u);
    const auto document = nlohmann::json::parse(json.output);
    EXPECT_EQ(document["errors"], 0);
    EXPECT_EQ(document["warnings"], 0);
    EXPECT_TRUE(document["problems"].empty());
    EXPECT_EQ(dumps(), before);
}

struct Situation {
    const char* what;
    std::function<void(ConfigCheck&)> make;
    std::function<std::vector<std::wstring>(ConfigCheck&)> problems;  // the lines, in order
};

TEST_F(ConfigCheck, NamesEachProblemThatARealSituationMakes) {
    const std::wstring coolLine = L"class " + cool + L" (" + coolProgId + L"): ";
    const std::wstring neatLine = L"class " + neat + L" (" + neatProgId + L"): ";
    const std::wstring thisMachine = testingI686Build ? L"32-bit x86" : L"x64";
    const std::wstring otherMachine = testingI686Build ? L"x64" : L"32-bit x86";
    const std::wstring besideTools =
        fs::path(builtToolPath(L"bindObject")).parent_path().wstring() + L"\\VOLM.dll";
    const Situation situations[] = {
        {"registered again without a server after its server went",
         [](ConfigCheck&) {
             silently(L"bindHost", L"/u ServerA");
             silently(L"bindObject", coolProgId + L" " + cool + L" com.tamsiver.Cool MyJVM");
         },
         [&](ConfigCheck&) -> std::vector<std::wstring> {
             return {L"error: " + coolLine + L"ServerId \"ServerA\" names no server record"};
         }},
        {"its JVM unregistered", [](ConfigCheck&) { silently(L"bindRuntime", L"/u MyJVM"); },
         [&](ConfigCheck&) -> std::vector<std::wstring> {
             return {L"error: " + coolLine + L"JvmId \"MyJVM\" names no JVM record"};
         }},
        {"a ProgID registered again for another CLSID",
         [](ConfigCheck&) {
             silently(L"bindObject", coolProgId + L" " + neat + L" com.tamsiver.Neat MyJVM");
         },
         [&](ConfigCheck&) -> std::vector<std::wstring> {
             const std::wstring other = L"class " + neat + L" (" + coolProgId + L"): ";
             // Records in the order of their names: {0D94...} before {6A1F...}.
             return {
                 L"error: " + other + L"class " + cool + L" has the same ProgId",
                 L"error: " + coolLine + L"class " + neat + L" has the same ProgId",
                 L"error: " + coolLine + L"COM key \"" + coolProgId +
                     L"\\CLSID\" points to another CLSID \"" + neat + L"\"",
                 L"error: " + coolLine + L"COM key \"" + coolProgId +
                     L".1\\CLSID\" points to another CLSID \"" + neat + L"\"",
             };
         }},
        {"a registration that failed half-way at a volatile key",
         [](ConfigCheck&) {
             HKEY key = nullptr;
             ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, classKey(neat).c_str(), 0, nullptr,
                                       REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                       ERROR_SUCCESS);
             RegCloseKey(key);
             silently(L"bindObject", neatProgId + L" " + neat + L" com.tamsiver.Neat MyJVM");
         },
         [&](ConfigCheck&) -> std::vector<std::wstring> {
             return {
                 L"error: " + neatLine + L"COM key \"CLSID\\" + neat +
                     L"\\InprocServer32\" is missing",
                 L"error: " + neatLine + L"COM key \"CLSID\\" + neat + L"\\ProgId\" is missing",
                 L"error: " + neatLine + L"COM key \"" + neatProgId + L"\" is missing",
                 L"error: " + neatLine + L"COM key \"" + neatProgId + L".1\" is missing",
             };
         }},
        {"a record without ProgId and JavaClassName",
         [](ConfigCheck&) {
             writeText(HKEY_LOCAL_MACHINE, configRoot + L"\\CLSIDs\\" + neat, L"JvmId", L"MyJVM");
         },
         [&](ConfigCheck&) -> std::vector<std::wstring> {
             const std::wstring bare = L"error: class " + neat + L": ";
             return {bare + L"ProgId is missing", bare + L"JavaClassName is missing",
                     bare + L"COM key \"CLSID\\" + neat + L"\" is missing"};
         }},
        {"a CLSID without braces",
         [](ConfigCheck&) {
             silently(L"bindObject",
                      unbracedProgId + L" " + unbraced + L" com.tamsiver.Plain MyJVM");
         },
         [&](ConfigCheck&) -> std::vector<std::wstring> {
             return {L"error: class " + unbraced + L" (" + unbracedProgId +
                     L"): the CLSID is not a GUID in braces, so COM cannot use it"};
         }},
        {"registered while the runtime was not: the library beside the tools is missing",
         [](ConfigCheck&) {
             deleteTree(HKEY_CLASSES_ROOT, runtimeClass);
             silently(L"bindObject", neatProgId + L" " + neat + L" com.tamsiver.Neat MyJVM");
         },
         [&](ConfigCheck&) -> std::vector<std::wstring> {
             return {
                 L"error: " + neatLine + L"InprocServer32 names a missing file \"" + besideTools +
                     L"\"",
                 L"error: " + coolLine + L"COM key \"CLSID\\" + cool +
                     L"\\InprocServer32\" holds \"" + standInRuntimePath() +
                     L"\", registration writes \"" + besideTools + L"\"",
             };
         }},
        {"a runtime of the other architecture",
         [](ConfigCheck& t) {
             const std::wstring other = t.folder->path() + L"\\VOLM.dll";
             writeOtherArchitectureCopy(other);
             writeText(HKEY_CLASSES_ROOT, sample::runtimeRegistration, L"", other);
             silently(L"bindObject",
                      coolProgId + L" " + cool + L" com.tamsiver.Cool MyJVM ServerA");
         },
         [&](ConfigCheck& t) -> std::vector<std::wstring> {
             return {L"error: " + coolLine + L"InprocServer32 \"" + t.folder->path() +
                     L"\\VOLM.dll\" is built for " + otherMachine + L", this view needs " +
                     thisMachine};
         }},
        {"another threading model",
         [](ConfigCheck&) {
             writeText(HKEY_CLASSES_ROOT, classKey(cool) + L"\\InprocServer32", L"ThreadingModel",
                       L"Apartment");
         },
         [&](ConfigCheck&) -> std::vector<std::wstring> {
             return {L"error: " + coolLine + L"COM key \"CLSID\\" + cool +
                     L"\\InprocServer32\" value ThreadingModel holds \"Apartment\", registration "
                     L"writes \"both\""};
         }},
        {"the JVM library gone, options without the archive",
         [](ConfigCheck& t) {
             fs::remove(fs::path(t.jvmLibrary));
             writeText(HKEY_LOCAL_MACHINE, configRoot + L"\\JVMs\\MyJVM", L"JvmOptions",
                       L"-Xmx64m -Djava.class.path=C:\\Old\\old.jar");
         },
         [&](ConfigCheck& t) -> std::vector<std::wstring> {
             return {L"error: jvm MyJVM: DllPath names a missing file \"" + t.jvmLibrary + L"\"",
                     L"error: jvm MyJVM: JvmOptions: VOLM.jar path must be specified in "
                     L"\"-Djava.class.path=...\" option"};
         }},
        {"an import never registered, a class path entry gone",
         [](ConfigCheck& t) {
             silently(L"bindHost",
                      L"ServerA \"" + t.serverJar + L";" + t.classes + L"\" ServerB ServerC");
             fs::remove(fs::path(t.serverJar));
         },
         [&](ConfigCheck& t) -> std::vector<std::wstring> {
             return {L"warning: server ServerA: Classpath entry \"" + t.serverJar +
                         L"\" does not exist",
                     L"error: server ServerA: Imports names no server record \"ServerC\""};
         }},
    };
    for (const Situation& situation : situations) {
        SCOPED_TRACE(situation.what);
        makeCleanMachine();
        situation.make(*this);
        const std::wstring before = dumps();
        const RunResult run = check();
        ASSERT_FALSE(run.timedOut);
        std::vector<std::string> expected;
        std::size_t errors = 0;
        for (const std::wstring& line : situation.problems(*this)) {
            errors += line.starts_with(L"error:") ? 1 : 0;
            expected.push_back(narrow(line));
        }
        const std::size_t warnings = expected.size() - errors;
        expected.push_back("Check: " + std::to_string(errors) +
                           (errors == 1 ? " error, " : " errors, ") + std::to_string(warnings) +
                           (warnings == 1 ? " warning." : " warnings."));
        EXPECT_EQ(lines(run.output), expected);
        EXPECT_EQ(run.exitCode, errors > 0 ? 6u : 0u);
        EXPECT_EQ(dumps(), before) << "check changed the registry";
        const RunResult json = check(L"check /json");
        const auto document = nlohmann::json::parse(json.output);
        EXPECT_EQ(document["problems"].size(), expected.size() - 1);
        EXPECT_EQ(json.exitCode, run.exitCode);
    }
}

}  // namespace
}  // namespace volmora::e2e
