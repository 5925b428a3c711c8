// volmoraConfig's journal under Wine: an apply of a few thousand classes killed with
// TerminateProcess at several points leaves its journal, export refuses with 11, recover gives the
// machine back as it was; a damaged journal gives 12 and is kept; restore gives a drifted machine
// back. The registry is read back after each.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "childProcess.h"
#include "expectations.h"
#include "harness.h"
#include "registryWriting.h"
#include "testFolder.h"
#include "utf8.h"

namespace volmora::e2e {
namespace {

namespace fs = std::filesystem;

const std::wstring configurationRoot = L"SOFTWARE\\Tamsiver Software\\VOLM";
const std::wstring classRecords = configurationRoot + L"\\CLSIDs";
constexpr int bigClasses = 2000;
constexpr int baseClasses = 10;

std::wstring clsid(int i) {
    wchar_t text[40];
    swprintf(text, 40, L"{7A1E0000-0000-4000-8000-%012d}", i);
    return text;
}
std::wstring progId(int i) {
    return L"Journal.Class" + std::to_wstring(i);
}

// A file of count classes of one JVM, whose library path is jvmLibrary.
std::string configurationFile(int count, const std::string& jvmLibrary) {
    std::string text = "{\"formatVersion\": 1,\n \"jvms\": {\"JournalJVM\": {\"DllPath\": \"" +
                       jvmLibrary +
                       "\", \"JvmOptions\": \"-Djava.class.path=C:\\\\VOLM\\\\lib\\\\VOLM.jar\"}},"
                       "\n \"classes\": {";
    for (int i = 0; i < count; ++i) {
        text += (i ? ",\n  \"" : "\n  \"") + narrow(clsid(i)) +
                "\": {\"JavaClassName\": \"com.x.C" + std::to_string(i) +
                "\", \"JvmId\": \"JournalJVM\", \"ProgId\": \"" + narrow(progId(i)) + "\"}";
    }
    return text + "}}\n";
}

std::wstring journalFolder() {
    wchar_t folder[MAX_PATH] = {};
    GetEnvironmentVariableW(L"ProgramData", folder, MAX_PATH);
    return std::wstring(folder) + L"\\volmoraConfig";
}
std::wstring journalPath() {
    return journalFolder() + L"\\journal";
}
bool journalExists() {
    return GetFileAttributesW(journalPath().c_str()) != INVALID_FILE_ATTRIBUTES;
}

DWORD recordCount() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, classRecords.c_str(), 0, KEY_READ, &key)) {
        return 0;
    }
    DWORD subkeys = 0;
    RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr,
                     nullptr, nullptr, nullptr);
    RegCloseKey(key);
    return subkeys;
}

class VolmoraConfigJournal : public ::testing::Test {
  protected:
    void SetUp() override { cleanUp(); }
    void TearDown() override { cleanUp(); }

    static void cleanUp() {
        DeleteFileW(journalPath().c_str());
        RemoveDirectoryW(journalPath().c_str());
        DeleteFileW((journalFolder() + L"\\nightly.tmp").c_str());
        deleteTree(HKEY_LOCAL_MACHINE, configurationRoot);
        for (int i = 0; i < bigClasses; ++i) {
            deleteTree(HKEY_CLASSES_ROOT, L"CLSID\\" + clsid(i));
            deleteTree(HKEY_CLASSES_ROOT, progId(i));
            deleteTree(HKEY_CLASSES_ROOT, progId(i) + L".1");
        }
    }

    static RunResult config(const std::wstring& arguments) {
        RunOptions options;
        options.captureOutput = true;
        options.captureErrors = true;
        options.timeoutMs = 120000;
        RunResult result = runTool(L"volmoraConfig", arguments, options);
        EXPECT_FALSE(result.timedOut) << narrow(arguments);
        return result;
    }

    // The configuration root and every COM key that the big file names, whole.
    static std::wstring everything() {
        std::wstring text = dumpKey(HKEY_LOCAL_MACHINE, configurationRoot);
        for (int i = 0; i < bigClasses; ++i) {
            text += dumpKey(HKEY_CLASSES_ROOT, L"CLSID\\" + clsid(i)) +
                    dumpKey(HKEY_CLASSES_ROOT, progId(i)) +
                    dumpKey(HKEY_CLASSES_ROOT, progId(i) + L".1");
        }
        return text;
    }

    std::wstring file(const std::wstring& name) const {
        return L"\"" + folder_.path() + L"\\" + name + L"\"";
    }
    void write(const std::wstring& name, const std::string& bytes) const {
        std::ofstream out(fs::path(folder_.path() + L"\\" + name), std::ios::binary);
        out << bytes;
        ASSERT_TRUE(out.good());
    }

    // Starts volmoraConfig with arguments and kills it once its journal is there and ready says
    // so: false when it ended before.
    template <typename Ready>
    static bool killWhen(const std::wstring& arguments, Ready ready) {
        const std::wstring program = builtToolPath(L"volmoraConfig");
        ChildStart start;
        start.image = program;
        start.commandLine = L"\"" + program + L"\" " + arguments;
        start.captureOutput = true;
        start.separateErrors = true;
        ChildProcess child(start);
        EXPECT_TRUE(child.started());
        const ULONGLONG deadline = GetTickCount64() + 120000;
        while (!child.wait(2)) {
            if ((journalExists() && ready()) || GetTickCount64() > deadline) {
                child.terminate(0xDEAD);
                return true;
            }
        }
        ADD_FAILURE() << narrow(arguments) << " ended first: " << child.exitStatus().code << " "
                      << child.errors();
        return false;
    }

    // Kills apply of big.json once at least records class records are there.
    bool killApplyAt(DWORD records) const {
        return killWhen(L"apply " + file(L"big.json"), [&] { return recordCount() >= records; });
    }

    // A machine with the base file applied.
    void applyBase() {
        write(L"base.json", configurationFile(baseClasses, "C:\\\\jvm\\\\jvm.dll"));
        write(L"big.json", configurationFile(bigClasses, "D:\\\\jvm\\\\jvm.dll"));
        const RunResult base = config(L"apply " + file(L"base.json"));
        ASSERT_EQ(base.exitCode, 0u) << base.errors;
    }

    TestFolder folder_{L"volmoraConfigJournal"};
};

TEST_F(VolmoraConfigJournal, AnApplyKilledPartWayIsPutBackByRecover) {
    applyBase();
    const std::wstring before = everything();
    const std::string exported = config(L"export").output;
    // Records are written in the file's order, after the JVM: the base's ten are there already.
    for (const DWORD written : {DWORD{1}, DWORD{bigClasses / 3}, DWORD{bigClasses * 2 / 3}}) {
        SCOPED_TRACE(written);
        ASSERT_TRUE(killApplyAt(baseClasses + written));
        ASSERT_TRUE(journalExists());
        EXPECT_GE(recordCount(), baseClasses + written);
        const RunResult refused = config(L"export");
        EXPECT_EQ(refused.exitCode, 11u);
        EXPECT_EQ(refused.output, "");
        EXPECT_NE(refused.errors.find("was ended part-way: its journal \"" + narrow(journalPath()) +
                                      "\" holds what it changed."),
                  std::string::npos)
            << refused.errors;
        EXPECT_EQ(config(L"apply /check " + file(L"big.json")).exitCode, 11u);

        const RunResult recovered = config(L"recover");
        EXPECT_EQ(recovered.exitCode, 0u) << recovered.errors;
        EXPECT_NE(recovered.output.find("Recover complete: "), std::string::npos);
        EXPECT_FALSE(journalExists());
        EXPECT_EQ(everything(), before);
        EXPECT_EQ(config(L"export").output, exported);
    }
    const RunResult again = config(L"recover");
    EXPECT_EQ(again.exitCode, 0u);
    EXPECT_EQ(again.output, "Nothing to recover.\n");
}

TEST_F(VolmoraConfigJournal, ADamagedJournalIsKeptAndNeverUsed) {
    applyBase();
    ASSERT_TRUE(killApplyAt(1));
    std::string journal;
    {
        std::ifstream in(fs::path(journalPath()), std::ios::binary);
        journal.assign(std::istreambuf_iterator<char>(in), {});
    }
    ASSERT_GT(journal.size(), 100u);
    std::string damaged = journal;
    damaged[damaged.size() / 2] ^= 0x20;
    {
        std::ofstream out(fs::path(journalPath()), std::ios::binary | std::ios::trunc);
        out << damaged;
    }
    const std::wstring kept = everything();
    for (const std::wstring& arguments : {std::wstring(L"export"), std::wstring(L"recover"),
                                          L"apply " + file(L"base.json"), std::wstring(L"check")}) {
        const RunResult result = config(arguments);
        EXPECT_EQ(result.exitCode, 12u) << narrow(arguments) << result.errors;
        EXPECT_NE(result.errors.find("Its checksum does not match: it was damaged."),
                  std::string::npos)
            << result.errors;
        EXPECT_NE(
            result.errors.find("After a look, discard it from an elevated prompt with: del \"" +
                               narrow(journalPath()) + "\""),
            std::string::npos)
            << result.errors;
    }
    {
        std::ifstream in(fs::path(journalPath()), std::ios::binary);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), damaged);
    }
    EXPECT_EQ(everything(), kept);
    // Discarded as the message says, the next run goes on.
    ASSERT_TRUE(DeleteFileW(journalPath().c_str()));
    EXPECT_EQ(config(L"export").exitCode, 0u);
}

TEST_F(VolmoraConfigJournal, RestoreGivesADriftedMachineBack) {
    applyBase();
    // The machine drifts: the JVM registered again elsewhere, and a value of another type.
    const RunResult drift =
        runTool(L"bindRuntime",
                L"/s JournalJVM C:\\other\\jvm.dll -Djava.class.path=C:\\VOLM\\lib\\VOLM.jar");
    ASSERT_EQ(drift.exitCode, 0u);
    const DWORD flags = 7;
    writeValue(HKEY_LOCAL_MACHINE, classRecords + L"\\" + clsid(1), L"Flags", REG_DWORD, &flags,
               sizeof flags);
    const std::wstring drifted = everything();

    write(L"small.json", configurationFile(3, "E:\\\\jvm.dll"));
    const RunResult applied =
        config(L"apply /prune /backup " + file(L"b.backup") + L" " + file(L"small.json"));
    ASSERT_EQ(applied.exitCode, 0u) << applied.errors;
    ASSERT_NE(everything(), drifted);
    const std::wstring afterApply = everything();

    const RunResult checked = config(L"restore /check " + file(L"b.backup"));
    EXPECT_EQ(checked.exitCode, 0u) << checked.errors;
    EXPECT_NE(checked.output.find("Plan: "), std::string::npos) << checked.output;
    EXPECT_EQ(everything(), afterApply);

    const RunResult restored = config(L"restore " + file(L"b.backup"));
    EXPECT_EQ(restored.exitCode, 0u) << restored.errors;
    EXPECT_TRUE(restored.output.starts_with(checked.output)) << restored.output;
    EXPECT_EQ(everything(), drifted);
    EXPECT_FALSE(journalExists());
    EXPECT_EQ(config(L"restore " + file(L"b.backup")).output, "No changes.\n");
}

// A recover or a restore killed part-way leaves the journal, and the next recover finishes the
// put-back: the view is wholly as before the run that was ended.
TEST_F(VolmoraConfigJournal, ARecoverOrARestoreKilledPartWayIsFinishedByRecover) {
    applyBase();
    const std::wstring before = everything();
    ASSERT_TRUE(killApplyAt(baseClasses + bigClasses / 2));
    const DWORD written = recordCount();
    // recover deletes the records that apply made, subkeys first.
    ASSERT_TRUE(killWhen(L"recover", [&] { return recordCount() + 100 <= written; }));
    ASSERT_TRUE(journalExists());
    EXPECT_NE(everything(), before);
    const RunResult recovered = config(L"recover");
    EXPECT_EQ(recovered.exitCode, 0u) << recovered.errors;
    EXPECT_EQ(everything(), before);
    EXPECT_FALSE(journalExists());

    const RunResult applied =
        config(L"apply /backup " + file(L"b.backup") + L" " + file(L"big.json"));
    ASSERT_EQ(applied.exitCode, 0u) << applied.errors;
    const std::wstring afterApply = everything();
    const DWORD all = recordCount();
    ASSERT_TRUE(
        killWhen(L"restore " + file(L"b.backup"), [&] { return recordCount() + 100 <= all; }));
    ASSERT_TRUE(journalExists());
    const RunResult putBack = config(L"recover");
    EXPECT_EQ(putBack.exitCode, 0u) << putBack.errors;
    EXPECT_EQ(everything(), afterApply);
    const RunResult restored = config(L"restore " + file(L"b.backup"));
    EXPECT_EQ(restored.exitCode, 0u) << restored.errors;
    EXPECT_EQ(everything(), before);
}

const std::string oneServer =
    "{\"formatVersion\": 1, \"servers\": {\"S1\": {\"Classpath\": \"C:\\\\s1.jar\"}}}\n";
const std::wstring otherServer = configurationRoot + L"\\Servers\\Other";

bool keyExists(const std::wstring& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

// A server registered by bindHost after an apply that made the Servers key was ended part-way:
// recover leaves the Servers key and the new server alone, and finishes.
TEST_F(VolmoraConfigJournal, RecoverFinishesWhenAServerWasRegisteredSince) {
    applyBase();
    std::string big = configurationFile(bigClasses, "D:\\\\jvm\\\\jvm.dll");
    big.insert(big.find("\n \"classes\""),
               "\n \"servers\": {\"S1\": {\"Classpath\": \"C:\\\\s1.jar\"}},");
    write(L"big.json", big);
    ASSERT_FALSE(keyExists(configurationRoot + L"\\Servers"));
    ASSERT_TRUE(killApplyAt(baseClasses + 1));
    ASSERT_EQ(runTool(L"bindHost", L"/s Other C:\\o.jar").exitCode, 0u);
    const RunResult recovered = config(L"recover");
    EXPECT_EQ(recovered.exitCode, 0u) << recovered.errors;
    EXPECT_NE(recovered.errors.find("Left alone, changed since: HKEY_LOCAL_MACHINE\\" +
                                    narrow(configurationRoot) +
                                    "\\Servers: its subkey \"Other\" was created since"),
              std::string::npos)
        << recovered.errors;
    EXPECT_FALSE(journalExists());
    EXPECT_TRUE(keyExists(otherServer));
    EXPECT_FALSE(keyExists(configurationRoot + L"\\Servers\\S1"));
    EXPECT_EQ(recordCount(), DWORD{baseClasses});
    EXPECT_EQ(config(L"export").exitCode, 0u);
    EXPECT_EQ(config(L"apply " + file(L"base.json")).exitCode, 0u);
}

// The same for restore: /check says what it will leave alone, and restore does just that.
TEST_F(VolmoraConfigJournal, RestoreLeavesAloneAServerRegisteredSince) {
    write(L"one.json", oneServer);
    const RunResult applied = config(L"apply /backup " + file(L"b1") + L" " + file(L"one.json"));
    ASSERT_EQ(applied.exitCode, 0u) << applied.errors;
    ASSERT_EQ(runTool(L"bindHost", L"/s Other C:\\o.jar").exitCode, 0u);
    const std::wstring drifted = dumpKey(HKEY_LOCAL_MACHINE, otherServer);
    const RunResult checked = config(L"restore /check " + file(L"b1"));
    EXPECT_EQ(checked.exitCode, 0u) << checked.errors;
    const std::string servers = "HKEY_LOCAL_MACHINE\\" + narrow(configurationRoot) + "\\Servers";
    EXPECT_NE(checked.output.find("- key " + servers + "\\S1\n"), std::string::npos)
        << checked.output;
    EXPECT_NE(checked.output.find("Left alone, changed since: " + servers +
                                  ": its subkey \"Other\" was created since\n"),
              std::string::npos)
        << checked.output;
    const RunResult restored = config(L"restore " + file(L"b1"));
    EXPECT_EQ(restored.exitCode, 0u) << restored.errors;
    EXPECT_TRUE(restored.output.starts_with(checked.output)) << restored.output;
    EXPECT_FALSE(keyExists(configurationRoot + L"\\Servers\\S1"));
    EXPECT_EQ(dumpKey(HKEY_LOCAL_MACHINE, otherServer), drifted);
    EXPECT_FALSE(journalExists());
}

std::string readWhole(const std::wstring& path) {
    std::ifstream in(fs::path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A backup is replaced whole or kept: a run with no change keeps it, and no temporary file stays
// beside it; a file of the user's in the journal folder stays; a folder in the journal's place is
// refused with the way to discard it.
TEST_F(VolmoraConfigJournal, BackupsAndTheJournalFolderAreKept) {
    write(L"one.json", oneServer);
    const std::wstring backup = folder_.path() + L"\\n.backup";
    ASSERT_EQ(config(L"apply /backup " + file(L"n.backup") + L" " + file(L"one.json")).exitCode,
              0u);
    const std::string first = readWhole(backup);
    ASSERT_GT(first.size(), 100u);
    const RunResult again =
        config(L"apply /backup " + file(L"n.backup") + L" " + file(L"one.json"));
    EXPECT_EQ(again.exitCode, 0u) << again.errors;
    EXPECT_NE(again.output.find("was left as it is."), std::string::npos) << again.output;
    EXPECT_EQ(readWhole(backup), first);
    std::vector<std::wstring> names;
    for (const auto& entry : fs::directory_iterator(fs::path(folder_.path()))) {
        names.push_back(entry.path().filename().wstring());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::wstring>{L"n.backup", L"one.json"}));

    const std::wstring mine = journalFolder() + L"\\nightly.tmp";
    {
        std::ofstream out(fs::path(mine), std::ios::binary);
        out << "mine";
    }
    ASSERT_EQ(config(L"apply /prune " + file(L"one.json")).exitCode, 0u);
    EXPECT_EQ(readWhole(mine), "mine");

    ASSERT_TRUE(CreateDirectoryW(journalPath().c_str(), nullptr));
    for (const std::wstring& arguments :
         {std::wstring(L"export"), std::wstring(L"recover"), L"apply " + file(L"one.json")}) {
        const RunResult refused = config(arguments);
        EXPECT_EQ(refused.exitCode, 12u) << narrow(arguments) << refused.errors;
        EXPECT_NE(refused.errors.find("It is a folder, not a journal file."), std::string::npos)
            << refused.errors;
        EXPECT_NE(refused.errors.find("rd /s /q \"" + narrow(journalPath()) + "\""),
                  std::string::npos)
            << refused.errors;
    }
}

}  // namespace
}  // namespace volmora::e2e
