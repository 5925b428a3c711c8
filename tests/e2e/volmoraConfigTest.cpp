// volmoraConfig export and apply under Wine, against records that the programs themselves wrote:
// the exact round trip, the plan in lines and as JSON, /check, /prune, idempotency, the detailed
// exit codes, a failure forced in the middle of an apply, the ProgID keys a pruned class leaves to
// the class that took its ProgID, and bad inputs; the registry is read back after each.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "expectations.h"
#include "harness.h"
#include "registryWriting.h"
#include "testFolder.h"

namespace volmora::e2e {
namespace {

namespace fs = std::filesystem;

const std::wstring configurationRoot = L"SOFTWARE\\Tamsiver Software\\VOLM";

struct TestClass {
    std::wstring progId;
    std::wstring clsid;
};
const TestClass first{L"Config.First", L"{5E0A4C11-2B7D-4F0E-9A31-0C1D2E3F4A51}"};
const TestClass second{L"Config.Second", L"{5E0A4C11-2B7D-4F0E-9A31-0C1D2E3F4A52}"};

class VolmoraConfig : public ::testing::Test {
  protected:
    void SetUp() override { cleanUp(); }
    void TearDown() override { cleanUp(); }

    static void cleanUp() {
        deleteTree(HKEY_LOCAL_MACHINE, configurationRoot);
        for (const TestClass& c : {first, second}) {
            deleteTree(HKEY_CLASSES_ROOT, L"CLSID\\" + c.clsid);
            // Up to the versioned key of a ProgID renamed to its own versioned name.
            for (std::wstring progId = c.progId; progId.size() <= c.progId.size() + 4;
                 progId += L".1") {
                deleteTree(HKEY_CLASSES_ROOT, progId);
            }
        }
    }

    // Runs one of the four programs silently; it must succeed.
    static void program(const std::wstring& name, const std::wstring& arguments) {
        const RunResult result = runTool(name, L"/s " + arguments);
        ASSERT_FALSE(result.timedOut);
        ASSERT_EQ(result.exitCode, 0u) << narrow(name + L" " + arguments);
    }
    static void registerSample() {
        program(L"bindRuntime",
                L"MyJVM C:\\jvm\\jvm.dll -Djava.class.path=C:\\VOLM\\lib\\VOLM.jar");
        program(L"bindHost", L"ServerA C:\\app");
        program(L"bindObject", first.progId + L" " + first.clsid + L" com.x.First MyJVM ServerA");
        program(L"bindObject", second.progId + L" " + second.clsid + L" com.x.Second MyJVM");
    }

    static RunResult config(const std::wstring& arguments) {
        RunOptions options;
        options.captureOutput = true;
        options.captureErrors = true;
        RunResult result = runTool(L"volmoraConfig", arguments, options);
        EXPECT_FALSE(result.timedOut) << narrow(arguments);
        EXPECT_TRUE(result.boxes.empty()) << narrow(arguments);
        return result;
    }

    // The configuration root and every COM key of the test classes, whole.
    static std::wstring everything() {
        std::wstring text = dumpKey(HKEY_LOCAL_MACHINE, configurationRoot);
        for (const TestClass& c : {first, second}) {
            text += L"CLSID " + dumpKey(HKEY_CLASSES_ROOT, L"CLSID\\" + c.clsid) + L"ProgID " +
                    dumpKey(HKEY_CLASSES_ROOT, c.progId) + L"Version " +
                    dumpKey(HKEY_CLASSES_ROOT, c.progId + L".1");
        }
        return text;
    }

    std::wstring file(const std::wstring& name) const { return folder_.path() + L"\\" + name; }
    static std::wstring quotedPath(const std::wstring& path) { return L"\"" + path + L"\""; }
    void write(const std::wstring& name, const std::string& bytes) const {
        std::ofstream out(fs::path(file(name)), std::ios::binary);
        out << bytes;
        ASSERT_TRUE(out.good());
    }
    std::string read(const std::wstring& name) const {
        std::ifstream in(fs::path(file(name)), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    TestFolder folder_{L"volmoraConfig"};
};

TEST_F(VolmoraConfig, ARoundTripThroughAnEmptyViewIsExact) {
    registerSample();
    const std::wstring registered = everything();
    const RunResult exported = config(L"export " + quotedPath(file(L"a.json")));
    ASSERT_EQ(exported.exitCode, 0u) << exported.errors;
    EXPECT_EQ(exported.errors, "");
    const std::string a = read(L"a.json");
    EXPECT_NE(a.find("\"JvmOptions\": \"-Djava.class.path=C:\\\\VOLM\\\\lib\\\\VOLM.jar\""),
              std::string::npos)
        << a;
    // Standard output carries the same bytes.
    EXPECT_EQ(config(L"export").output, a);

    cleanUp();
    const RunResult applied = config(L"apply " + quotedPath(file(L"a.json")));
    ASSERT_EQ(applied.exitCode, 0u) << applied.errors;
    EXPECT_EQ(applied.output, "+ jvm MyJVM\n+ server ServerA\n+ class " + narrow(first.clsid) +
                                  " (Config.First)\n+ class " + narrow(second.clsid) +
                                  " (Config.Second)\nPlan: 4 to add, 0 to change, 0 to remove.\n"
                                  "Apply complete: 4 added, 0 changed, 0 removed.\n");
    EXPECT_EQ(everything(), registered);
    ASSERT_EQ(config(L"export " + quotedPath(file(L"b.json"))).exitCode, 0u);
    EXPECT_EQ(read(L"b.json"), a);

    // Idempotent, also from the UTF-16 that Windows PowerShell's ">" writes.
    std::string utf16 = "\xFF\xFE";
    for (const char c : a) {
        utf16 += c;
        utf16 += '\0';
    }
    write(L"a16.json", utf16);
    for (const std::wstring& arguments :
         {L"apply " + quotedPath(file(L"a.json")),
          L"apply /detailed-exitcode " + quotedPath(file(L"a16.json"))}) {
        const RunResult again = config(arguments);
        EXPECT_EQ(again.exitCode, 0u) << again.errors;
        EXPECT_EQ(again.output, "No changes.\n");
    }
    EXPECT_EQ(everything(), registered);
}

TEST_F(VolmoraConfig, PlanCheckPruneAndDetailedExitCodes) {
    registerSample();
    program(L"bindHost", L"Old C:\\old");
    ASSERT_EQ(config(L"export " + quotedPath(file(L"a.json"))).exitCode, 0u);
    std::string edited = read(L"a.json");
    // The first class loses its server; the old server is left out of the file.
    const std::string serverId = ",\n      \"ServerId\": \"ServerA\"";
    ASSERT_NE(edited.find(serverId), std::string::npos) << edited;
    edited.replace(edited.find(serverId), serverId.size(), "");
    const std::string oldServer =
        "    \"Old\": {\n      \"Classpath\": \"C:\\\\old\",\n"
        "      \"Imports\": \"\"\n    },\n";
    ASSERT_NE(edited.find(oldServer), std::string::npos) << edited;
    edited.replace(edited.find(oldServer), oldServer.size(), "");
    write(L"b.json", edited);
    const std::string plan = "~ class " + narrow(first.clsid) +
                             " (Config.First)\n    ServerId: \"ServerA\" -> (none)\n"
                             "- server Old\nPlan: 0 to add, 1 to change, 1 to remove.\n";

    const std::wstring before = everything();
    const RunResult check =
        config(L"apply /check /prune /detailed-exitcode " + quotedPath(file(L"b.json")));
    EXPECT_EQ(check.exitCode, 2u) << check.errors;
    EXPECT_EQ(check.output, plan);
    EXPECT_EQ(everything(), before);
    EXPECT_EQ(config(L"apply /check " + quotedPath(file(L"b.json"))).exitCode, 0u);
    // The same plan as one JSON document, with the same exit code, changing nothing either.
    const RunResult json =
        config(L"apply /check /json /prune /detailed-exitcode " + quotedPath(file(L"b.json")));
    EXPECT_EQ(json.exitCode, 2u) << json.errors;
    EXPECT_EQ(json.errors, "");
    EXPECT_EQ(nlohmann::json::parse(json.output), nlohmann::json::parse(R"({"formatVersion": 1,
        "changes": [{"action": "change", "kind": "class", "name": ")" + narrow(first.clsid) +
                                                                        R"(",
                     "progId": "Config.First",
                     "values": [{"name": "ServerId", "before": "ServerA", "after": null}]},
                    {"action": "remove", "kind": "server", "name": "Old",
                     "values": [{"name": "Classpath", "before": "C:\\old", "after": null},
                                {"name": "Imports", "before": "", "after": null}]}],
        "added": 0, "changed": 1, "removed": 1})"))
        << json.output;
    EXPECT_EQ(everything(), before);

    const RunResult applied =
        config(L"apply /prune /detailed-exitcode " + quotedPath(file(L"b.json")));
    EXPECT_EQ(applied.exitCode, 2u) << applied.errors;
    EXPECT_EQ(applied.output, plan + "Apply complete: 0 added, 1 changed, 1 removed.\n");
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, configurationRoot + L"\\Servers\\Old"));
    EXPECT_EQ(dumpKey(HKEY_LOCAL_MACHINE, configurationRoot + L"\\CLSIDs\\" + first.clsid),
              L"[]\n" + textLine(L"JavaClassName", L"com.x.First") + textLine(L"JvmId", L"MyJVM") +
                  textLine(L"ProgId", first.progId));
    const RunResult again =
        config(L"apply /prune /detailed-exitcode " + quotedPath(file(L"b.json")));
    EXPECT_EQ(again.exitCode, 0u);
    EXPECT_EQ(again.output, "No changes.\n");
}

// A volatile key accepts no lasting subkey: the second class's ProgID key made volatile makes its
// CLSID subkey, one of the last writes, fail with 1021.
TEST_F(VolmoraConfig, AFailureInTheMiddlePutsEverythingBack) {
    program(L"bindRuntime", L"MyJVM C:\\jvm\\jvm.dll -Djava.class.path=C:\\VOLM\\lib\\VOLM.jar");
    program(L"bindObject", first.progId + L" " + first.clsid + L" com.x.First MyJVM");
    write(L"f.json", R"({"formatVersion": 1,
  "jvms": {"MyJVM": {"DllPath": "D:\\other.dll",
                     "JvmOptions": "-Djava.class.path=C:\\VOLM\\lib\\VOLM.jar"}},
  "servers": {"ServerA": {"Classpath": "C:\\app"}},
  "classes": {
    ")" + narrow(first.clsid) +
                         R"(": {"JavaClassName": "com.x.Renamed", "JvmId": "MyJVM",
                                       "ProgId": "Config.First", "ServerId": "ServerA"},
    ")" + narrow(second.clsid) +
                         R"(": {"JavaClassName": "com.x.Second", "JvmId": "MyJVM",
                                        "ProgId": "Config.Second"}}})");
    HKEY volatileKey = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, second.progId.c_str(), 0, nullptr,
                              REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &volatileKey, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(volatileKey);
    const std::wstring before = everything();

    const RunResult failed = config(L"apply " + quotedPath(file(L"f.json")));
    EXPECT_EQ(failed.exitCode, 4u);
    EXPECT_EQ(failed.errors,
              "Can't create Config.Second\\CLSID key: error=1021\n"
              "Everything was put back as it was. Nothing was changed.\n");
    EXPECT_EQ(everything(), before);
}

// bindObject registers a ProgID again for another CLSID and leaves the old class record; pruning
// that record leaves the ProgID keys, which the kept class uses.
TEST_F(VolmoraConfig, PruningTheOldClassOfAReusedProgIdKeepsItsKeys) {
    program(L"bindRuntime", L"MyJVM C:\\jvm\\jvm.dll -Djava.class.path=C:\\VOLM\\lib\\VOLM.jar");
    program(L"bindObject", first.progId + L" " + first.clsid + L" com.x.First MyJVM");
    program(L"bindObject", first.progId + L" " + second.clsid + L" com.x.First MyJVM");
    const std::wstring progIdKeys =
        dumpKey(HKEY_CLASSES_ROOT, first.progId) + dumpKey(HKEY_CLASSES_ROOT, first.progId + L".1");
    ASSERT_NE(progIdKeys.find(second.clsid), std::wstring::npos);
    const std::wstring kept = dumpKey(HKEY_CLASSES_ROOT, L"CLSID\\" + second.clsid);

    write(L"f.json", R"({"formatVersion": 1,
  "jvms": {"MyJVM": {"DllPath": "C:\\jvm\\jvm.dll",
                     "JvmOptions": "-Djava.class.path=C:\\VOLM\\lib\\VOLM.jar"}},
  "classes": {")" + narrow(second.clsid) +
                         R"(": {"JavaClassName": "com.x.First",
                                                  "JvmId": "MyJVM", "ProgId": "Config.First"}}})");
    const RunResult pruned = config(L"apply /prune " + quotedPath(file(L"f.json")));
    EXPECT_EQ(pruned.exitCode, 0u) << pruned.errors;
    EXPECT_EQ(pruned.output, "- class " + narrow(first.clsid) +
                                 " (Config.First)\nPlan: 0 to add, 0 to change, 1 to remove.\n"
                                 "Apply complete: 0 added, 0 changed, 1 removed.\n");
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, configurationRoot + L"\\CLSIDs\\" + first.clsid));
    EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, L"CLSID\\" + first.clsid));
    EXPECT_EQ(
        dumpKey(HKEY_CLASSES_ROOT, first.progId) + dumpKey(HKEY_CLASSES_ROOT, first.progId + L".1"),
        progIdKeys);
    EXPECT_EQ(dumpKey(HKEY_CLASSES_ROOT, L"CLSID\\" + second.clsid), kept);
}

// One run at a time on the machine: a run waits while another holds the configuration's lock.
TEST_F(VolmoraConfig, ARunWaitsWhileAnotherHoldsTheLock) {
    const HANDLE lock = CreateMutexW(nullptr, TRUE, L"Global\\VolmoraConfiguration");
    ASSERT_NE(lock, nullptr);
    ASSERT_NE(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    std::atomic<bool> ended = false;
    RunResult result;
    // GoogleTest's checks stay on this thread: they are built without thread support.
    std::thread run([&] {
        RunOptions options;
        options.captureOutput = true;
        options.captureErrors = true;
        result = runTool(L"volmoraConfig", L"export", options);
        ended = true;
    });
    Sleep(1500);
    const bool endedWhileHeld = ended;
    ReleaseMutex(lock);
    run.join();
    CloseHandle(lock);
    EXPECT_FALSE(endedWhileHeld);
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 0u) << result.errors;
    EXPECT_EQ(result.output.rfind("{\n  \"formatVersion\": 1,", 0), 0u);
}

TEST_F(VolmoraConfig, BadInputsChangeNothing) {
    registerSample();
    const std::wstring before = everything();
    write(L"malformed.json", "{\"formatVersion\": 1,\n  \"jvms\": {\n}");
    write(L"empty.json", "");
    write(L"latin1.json", "{\"formatVersion\": 1, \"servers\": {\"caf\xE9\": {}}}");
    write(L"deep.json", "{\"formatVersion\": 1, \"jvms\": {\"J\": {\"v\": " +
                            std::string(200000, '[') + std::string(200000, ']') + "}}}");
    {
        std::ofstream big(fs::path(file(L"big.json")), std::ios::binary);
        const std::string block(1 << 20, ' ');
        for (int i = 0; i < 100; ++i) {
            big << block;
        }
    }
    struct Case {
        std::wstring arguments;
        std::uint32_t code;
        std::string errorsStart;
    };
    const Case cases[] = {
        {L"apply " + quotedPath(file(L"malformed.json")), 3,
         "\"" + narrow(file(L"malformed.json")) +
             "\": The file is not JSON: parse error at line 3"},
        {L"apply " + quotedPath(file(L"empty.json")), 3,
         "\"" + narrow(file(L"empty.json")) + "\": The file is empty."},
        {L"apply " + quotedPath(file(L"latin1.json")), 3,
         "\"" + narrow(file(L"latin1.json")) +
             "\": The file is not UTF-8 text: line 1, column 38."},
        {L"apply " + quotedPath(file(L"deep.json")), 3,
         "\"" + narrow(file(L"deep.json")) + "\": jvm \"J\": value \"v\" is not a string."},
        {L"apply " + quotedPath(file(L"big.json")), 3,
         "\"" + narrow(file(L"big.json")) + "\": The file is larger than 32 MB."},
        {L"apply " + quotedPath(file(L"missing.json")), 7,
         "Can't read \"" + narrow(file(L"missing.json")) + "\": error=2"},
        {L"apply /force " + quotedPath(file(L"empty.json")), 1, "Usage: volmoraConfig export"},
        // A switch is no backup file: the run is refused, not made for real.
        {L"apply /backup /check " + quotedPath(file(L"empty.json")), 1,
         "Usage: volmoraConfig export"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(narrow(c.arguments).substr(0, 120));
        const RunResult result = config(c.arguments);
        EXPECT_EQ(result.exitCode, c.code);
        EXPECT_TRUE(result.errors.starts_with(c.errorsStart)) << result.errors;
        EXPECT_EQ(result.output, "");
        EXPECT_EQ(everything(), before);
    }
}

// What apply keeps, against records the programs wrote, under the registry's own rules.
class VolmoraConfigKeeps : public VolmoraConfig {
  protected:
    void SetUp() override {
        VolmoraConfig::SetUp();
        program(L"bindRuntime",
                L"MyJVM C:\\jvm\\jvm.dll -Djava.class.path=C:\\VOLM\\lib\\VOLM.jar");
    }
    // A file with MyJVM and the classes given, as "CLSID": "ProgID".
    void writeClasses(const std::wstring& name,
                      const std::vector<std::pair<std::wstring, std::wstring>>& classes) const {
        std::string members;
        for (const auto& [clsid, progId] : classes) {
            members += (members.empty() ? "\"" : ", \"") + narrow(clsid) +
                       R"(": {"JavaClassName": "com.x.C", "JvmId": "MyJVM", "ProgId": ")" +
                       narrow(progId) + "\"}";
        }
        write(name, R"({"formatVersion": 1, "jvms": {"MyJVM": {"DllPath": "C:\\jvm\\jvm.dll",
            "JvmOptions": "-Djava.class.path=C:\\VOLM\\lib\\VOLM.jar"}}, "classes": {)" +
                        members + "}}");
    }
    static std::wstring progIdKeys(const std::wstring& progId) {
        std::wstring text;
        for (std::wstring key = progId; key.size() <= progId.size() + 4; key += L".1") {
            text += key + L": " + dumpKey(HKEY_CLASSES_ROOT, key);
        }
        return text;
    }
};

// A class that the file does not name keeps its ProgID: a new class of the file that would take
// it is refused, and nothing changes.
TEST_F(VolmoraConfigKeeps, AClassItKeepsKeepsItsProgId) {
    program(L"bindObject", first.progId + L" " + first.clsid + L" com.x.C MyJVM");
    writeClasses(L"f.json", {{second.clsid, first.progId}});
    const std::wstring before = everything();
    const RunResult refused = config(L"apply " + quotedPath(file(L"f.json")));
    EXPECT_EQ(refused.exitCode, 3u);
    EXPECT_EQ(refused.errors, "\"" + narrow(file(L"f.json")) + "\": class \"" +
                                  narrow(second.clsid) +
                                  "\": ProgId \"Config.First\" would take the key "
                                  "\"Config.First\" of class \"" +
                                  narrow(first.clsid) +
                                  "\", which stays: name that class in the file with another "
                                  "ProgId, or use /prune to remove it.\nNothing was changed.\n");
    EXPECT_EQ(everything(), before);
    // With /prune the old class goes and the new one takes its ProgID whole.
    const RunResult pruned = config(L"apply /prune " + quotedPath(file(L"f.json")));
    EXPECT_EQ(pruned.exitCode, 0u) << pruned.errors;
    EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, L"CLSID\\" + first.clsid));
    EXPECT_EQ(dumpKey(HKEY_CLASSES_ROOT, first.progId + L"\\CLSID"),
              L"[]\n" + textLine(L"", second.clsid));
}

// The registry folds letters beyond any hand-written table: a JVM the file names in another
// letter case is the machine's JVM, kept and not pruned.
TEST_F(VolmoraConfigKeeps, ANameInAnotherLetterCaseIsTheSameRecord) {
    program(L"bindHost", L"\u0219erver C:\\app");
    write(L"f.json", R"({"formatVersion": 1, "jvms": {"MyJVM": {"DllPath": "C:\\jvm\\jvm.dll",
        "JvmOptions": "-Djava.class.path=C:\\VOLM\\lib\\VOLM.jar"}},
        "servers": {"\u0218ERVER": {"Classpath": "C:\\app", "Imports": ""}}})");
    const std::wstring before = everything();
    const RunResult applied =
        config(L"apply /prune /detailed-exitcode " + quotedPath(file(L"f.json")));
    EXPECT_EQ(applied.exitCode, 0u) << applied.errors;
    EXPECT_EQ(applied.output, "No changes.\n");
    EXPECT_EQ(everything(), before);
    EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, configurationRoot + L"\\Servers\\\u0219erver"));
}

// A ProgID renamed to its own versioned name and back: one apply each, a second one changes
// nothing, and the COM keys are each time those that registering the ProgID alone writes.
TEST_F(VolmoraConfigKeeps, AProgIdRenamedToItsVersionedNameAndBack) {
    const std::wstring versioned = first.progId + L".1";
    std::wstring registeredAlone[2];
    for (int i = 0; i < 2; ++i) {
        const std::wstring& progId = i == 0 ? versioned : first.progId;
        program(L"bindObject", progId + L" " + first.clsid + L" com.x.C MyJVM");
        registeredAlone[i] =
            progIdKeys(first.progId) + dumpKey(HKEY_CLASSES_ROOT, L"CLSID\\" + first.clsid);
        program(L"bindObject", L"/u " + progId);
    }
    program(L"bindObject", first.progId + L" " + first.clsid + L" com.x.C MyJVM");
    for (int i = 0; i < 2; ++i) {
        const std::wstring& progId = i == 0 ? versioned : first.progId;
        SCOPED_TRACE(narrow(progId));
        writeClasses(L"f.json", {{first.clsid, progId}});
        const RunResult renamed = config(L"apply " + quotedPath(file(L"f.json")));
        EXPECT_EQ(renamed.exitCode, 0u) << renamed.errors;
        EXPECT_EQ(progIdKeys(first.progId) + dumpKey(HKEY_CLASSES_ROOT, L"CLSID\\" + first.clsid),
                  registeredAlone[i]);
        const RunResult again = config(L"apply " + quotedPath(file(L"f.json")));
        EXPECT_EQ(again.exitCode, 0u) << again.errors;
        EXPECT_EQ(again.output, "No changes.\n");
    }
}

}  // namespace
}  // namespace volmora::e2e
