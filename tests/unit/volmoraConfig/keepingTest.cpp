// What the runs keep: a backup that a run with no change finds stays as it is; a journal that
// would be too large to read back is never written; a folder in the journal's place is refused
// with the way to discard it; and a run asked to stop, at any point, never ends as a success.
#include <gtest/gtest.h>

#include "command/configCommand.h"
#include "fakeConfigHost.h"
#include "journal/journalFormat.h"

namespace volmora::testing {
namespace {

using config::Journal;

const std::string oneJvm = R"({"formatVersion": 1, "jvms": {"A": {"DllPath": "C:\\a.dll",
    "JvmOptions": "-Djava.class.path=C:\\VOLM\\lib\\VOLM.jar"}}})";

std::size_t backupKeys(const std::string& bytes) {
    Journal backup;
    EXPECT_EQ(config::decodeJournal(bytes, backup), L"");
    return backup.changes.size();
}

TEST(Keeping, ARunWithNoChangeLeavesTheBackupAsItIs) {
    struct Case {
        const char* what;
        std::vector<std::wstring> second;  // the run after the one that made the change
        bool backupThere;                  // before that run
        std::int32_t code;
        bool kept;
    };
    const Case cases[] = {
        {"apply again", {L"apply", L"/backup", L"n.bak", L"f.json"}, true, 0, true},
        {"apply /check again",
         {L"apply", L"/check", L"/backup", L"n.bak", L"f.json"},
         true,
         0,
         true},
        {"detailed exit code",
         {L"apply", L"/detailed-exitcode", L"/backup", L"n.bak", L"f.json"},
         true,
         0,
         true},
        {"no backup there yet", {L"apply", L"/backup", L"n.bak", L"f.json"}, false, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeConfigHost host;
        host.files[L"f.json"] = oneJvm;
        ASSERT_EQ(host.run({L"apply", L"/backup", L"n.bak", L"f.json"}), 0) << host.err;
        const std::string first = host.files[L"n.bak"];
        ASSERT_GT(backupKeys(first), 0u);
        if (!c.backupThere) {
            host.files.erase(L"n.bak");
        }
        const std::wstring applied = host.memory.dump(L"HKLM");
        ArgumentList list{L"volmoraConfig"};
        list.insert(list.end(), c.second.begin(), c.second.end());
        host.out.clear();
        host.err.clear();
        EXPECT_EQ(config::runConfigCommand(host, list), c.code) << host.err;
        EXPECT_EQ(host.memory.dump(L"HKLM"), applied);
        ASSERT_TRUE(host.files.contains(L"n.bak"));
        if (c.kept) {
            EXPECT_EQ(host.files[L"n.bak"], first);
            EXPECT_EQ(host.out,
                      "No changes.\nNothing to change: the backup \"n.bak\" was left as it is.\n");
        } else {
            EXPECT_EQ(backupKeys(host.files[L"n.bak"]), 0u);
        }
        // The backup kept still undoes the first run.
        EXPECT_EQ(host.run({L"restore", L"n.bak"}), 0) << host.err;
        EXPECT_EQ(host.memory.keyExists(configRoot + L"\\JVMs\\A"), !c.kept);
    }
}

// Journals of three keys encoded with limits around their size.
TEST(Keeping, AJournalPastItsLimitIsCutOffAndRefused) {
    Journal journal;
    for (int i = 0; i < 3; ++i) {
        journal.changes.push_back(
            {localMachine, L"SOFTWARE\\K" + std::to_wstring(i), {}, {true, {}}});
    }
    const std::size_t size = config::encodeJournal(journal).size();
    for (const std::size_t limit : {size - 1, size / 2, std::size_t{20}, size, size + 1}) {
        SCOPED_TRACE(limit);
        config::StringJournalSink sink;
        config::JournalEncoder encoder(sink, journal.viewBits, journal.verb, limit);
        for (const auto& change : journal.changes) {
            encoder.add(change);
        }
        const long result = encoder.finish();
        EXPECT_EQ(result, limit >= size ? 0 : status::fileTooLarge);
        EXPECT_LE(sink.bytes.size(), std::max(limit, size));
        if (result == 0) {
            EXPECT_EQ(sink.bytes, config::encodeJournal(journal));
        }
    }
}

TEST(Keeping, AFolderWhereTheJournalShouldBeIsRefusedWithTheWayToDiscardIt) {
    const std::wstring path = L"C:\\ProgramData\\volmoraConfig\\journal";
    const std::vector<std::vector<std::wstring>> verbs = {
        {L"export"}, {L"check"}, {L"recover"}, {L"apply", L"f.json"}, {L"restore", L"b.bak"}};
    for (const auto& arguments : verbs) {
        SCOPED_TRACE(utf8(arguments.front()));
        FakeConfigHost host;
        host.files[L"f.json"] = oneJvm;
        host.files[L"b.bak"] = config::encodeJournal({});
        host.journalStore.journalIsFolder = true;
        const std::wstring before = host.memory.dump(L"HKLM");
        ArgumentList list{L"volmoraConfig"};
        list.insert(list.end(), arguments.begin(), arguments.end());
        EXPECT_EQ(config::runConfigCommand(host, list), 12);
        EXPECT_EQ(host.err, L"The journal \"" + path +
                                L"\" cannot be used. It is a folder, not a journal file. It was "
                                L"kept, not used, and nothing was changed.\n"
                                L"After a look, discard it from an elevated prompt with: rd /s /q "
                                L"\"" +
                                path + L"\"\n");
        EXPECT_EQ(host.memory.dump(L"HKLM"), before);
    }
}

TEST(Keeping, ARunAskedToStopNeverEndsAsASuccess) {
    struct Case {
        std::vector<std::wstring> arguments;
        std::int32_t code;
    };
    const Case cases[] = {
        {{L"export"}, 4},
        {{L"export", L"e.json"}, 4},
        {{L"check"}, 4},
        {{L"recover"}, 4},
        {{L"apply", L"/check", L"f.json"}, 4},
        {{L"apply", L"/detailed-exitcode", L"/check", L"f.json"}, 4},
        {{L"apply", L"f.json"}, 4},
        {{L"apply", L"/backup", L"n.bak", L"f.json"}, 4},
        {{L"restore", L"/check", L"b.bak"}, 4},
        // Failures keep their own codes.
        {{L"apply", L"missing.json"}, 7},
        {{L"apply"}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(utf8(c.arguments.back()));
        FakeConfigHost host;
        host.files[L"f.json"] = oneJvm;
        host.files[L"b.bak"] = config::encodeJournal({});
        host.ctrlC = true;
        const std::wstring before = host.memory.dump(L"HKLM");
        ArgumentList list{L"volmoraConfig"};
        list.insert(list.end(), c.arguments.begin(), c.arguments.end());
        EXPECT_EQ(config::runConfigCommand(host, list), c.code) << host.err;
        if (c.code == 4) {
            EXPECT_NE(host.err.find(L"Stopped by Ctrl+C or Ctrl+Break.\n"), std::wstring::npos)
                << host.err;
        }
        EXPECT_EQ(host.memory.dump(L"HKLM"), before);
        EXPECT_EQ(host.journalStore.written, 0u);
        EXPECT_FALSE(host.files.contains(L"n.bak"));
        EXPECT_FALSE(host.catching);
    }
}

}  // namespace
}  // namespace volmora::testing
