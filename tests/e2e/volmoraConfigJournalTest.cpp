// volmoraConfig's journal under Wine: an apply of a few thousand classes killed with
// TerminateProcess at several points leaves its journal, export refuses with 11, recover gives the
// machine back as it was; a damaged journal gives 12 and is kept; restore gives a drifted machine
// back. The registry is read back after each.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

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

    // Starts apply of big.json and kills it once its journal is there and at least records class
    // records are: false when it ended before.
    bool killApplyAt(DWORD records) const {
        const std::wstring program = builtToolPath(L"volmoraConfig");
        ChildStart start;
        start.image = program;
        start.commandLine = L"\"" + program + L"\" apply " + file(L"big.json");
        start.captureOutput = true;
        start.separateErrors = true;
        ChildProcess child(start);
        EXPECT_TRUE(child.started());
        const ULONGLONG deadline = GetTickCount64() + 120000;
        while (!child.wait(2)) {
            if ((journalExists() && recordCount() >= records) || GetTickCount64() > deadline) {
                child.terminate(0xDEAD);
                return true;
            }
        }
        ADD_FAILURE() << "apply ended before " << records << " records: " << child.exitStatus().code
                      << " " << child.errors();
        return false;
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

}  // namespace
}  // namespace volmora::e2e
