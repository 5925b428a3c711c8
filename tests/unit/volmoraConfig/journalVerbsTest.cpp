// The journal in the verbs, against the in-memory registry: a run ended after any write is put
// back by recover, byte for byte, leaving alone what changed since; the verbs that never write
// refuse while a journal is there, and a journal that cannot be trusted is kept and never used;
// restore puts a backup back on a drifted machine, all or nothing, also when Ctrl+C stops it.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "command/configCommand.h"
#include "crashingRegistry.h"
#include "fakeConfigHost.h"
#include "journal/journalFormat.h"
#include "journal/writeExecutor.h"

namespace volmora::testing {
namespace {

using config::Journal;
using config::JournalVerb;
using config::KeyChange;
using config::KeyWrite;
using config::SavedValue;

const std::wstring rootPath = L"SOFTWARE\\Tamsiver Software\\VOLM";
const std::wstring journalPath = L"C:\\ProgramData\\volmoraConfig\\journal";

std::wstring state(const MemoryRegistry& registry) {
    return registry.dump(L"HKLM") + registry.dump(L"HKCR");
}

// The dump without the lines of one key (its path line and its values).
std::wstring withoutKey(const std::wstring& dump, const std::wstring& path) {
    std::wstring out;
    bool skipping = false;
    for (std::size_t start = 0; start < dump.size();) {
        const std::size_t end = dump.find(L'\n', start) + 1;
        const std::wstring line = dump.substr(start, end - start);
        if (!line.starts_with(L"  ")) {
            skipping = line == path + L"\n";
        }
        if (!skipping) {
            out += line;
        }
        start = end;
    }
    return out;
}

// A machine of the shape apply leaves, with keys of every kind and values of every type; the
// seed decides which keys exist and what they hold. Keys are listed parents first.
struct Candidate {
    KeyHandle root;
    std::wstring path;
    bool leaf;
};
std::vector<Candidate> candidates() {
    std::vector<Candidate> keys = {{localMachine, L"SOFTWARE\\Tamsiver Software", false},
                                   {localMachine, rootPath, false},
                                   {localMachine, rootPath + L"\\JVMs", false},
                                   {localMachine, rootPath + L"\\CLSIDs", false}};
    for (const wchar_t* jvm : {L"J0", L"J1", L"J2"}) {
        keys.push_back({localMachine, rootPath + L"\\JVMs\\" + jvm, true});
    }
    const std::wstring clsid = L"{5E0A4C11-2B7D-4F0E-9A31-0C1D2E3F4A51}";
    keys.push_back({localMachine, rootPath + L"\\CLSIDs\\" + clsid, true});
    keys.push_back({classesRoot, L"CLSID\\" + clsid, false});
    keys.push_back({classesRoot, L"CLSID\\" + clsid + L"\\InprocServer32", true});
    keys.push_back({classesRoot, L"CLSID\\" + clsid + L"\\ProgId", true});
    keys.push_back({classesRoot, L"Gen.Prog", false});
    keys.push_back({classesRoot, L"Gen.Prog\\CLSID", true});
    keys.push_back({classesRoot, L"Gen.Prog\\CurVer", true});
    keys.push_back({classesRoot, L"Gen.Prog.1", false});
    keys.push_back({classesRoot, L"Gen.Prog.1\\CLSID", true});
    return keys;
}

std::wstring memoryPath(KeyHandle root, const std::wstring& path) {
    return (root == classesRoot ? L"HKCR\\" : L"HKLM\\") + path;
}

SavedValue randomValue(std::mt19937& random) {
    static const wchar_t* names[] = {L"", L"DllPath", L"JvmId", L"Flags", L"\u0219Name"};
    static const std::uint32_t types[] = {valueType::sz,    valueType::expandSz, valueType::binary,
                                          valueType::dword, valueType::multiSz,  0x42};
    SavedValue value{names[random() % 5], types[random() % 6], {}};
    const std::size_t size = random() % 9;
    for (std::size_t i = 0; i < size; ++i) {
        value.data.push_back(static_cast<std::uint8_t>(random() % 3 == 0 ? 0 : random()));
    }
    // Texts as the registry keeps them, with their terminator: RegSetValueExW adds one to a text
    // that lacks it when the caller's buffer has a zero after it.
    if (value.type == valueType::sz || value.type == valueType::expandSz ||
        value.type == valueType::multiSz) {
        value.data.resize(value.data.size() & ~std::size_t{1});
        value.data.insert(value.data.end(), {0, 0});
    }
    return value;
}

void arrangeMachine(MemoryRegistry& registry, std::mt19937& random) {
    for (const Candidate& key : candidates()) {
        const std::wstring parent = key.path.substr(0, key.path.rfind(L'\\'));
        const bool parentThere = key.path.find(L'\\') == std::wstring::npos ||
                                 registry.keyExists(memoryPath(key.root, parent));
        if (!parentThere || random() % 5 < 2) {
            continue;
        }
        registry.putKey(memoryPath(key.root, key.path));
        for (std::size_t n = random() % 4; n > 0; --n) {
            SavedValue value = randomValue(random);
            registry.putValue(memoryPath(key.root, key.path), value.name, {value.type, value.data});
        }
    }
}

// An apply's writes over the candidates: keys written with values set and removed, leaf keys
// deleted.
std::vector<KeyWrite> randomWrites(std::mt19937& random) {
    std::vector<KeyWrite> writes;
    std::vector<KeyWrite> removals;
    for (const Candidate& key : candidates()) {
        const unsigned choice = random() % 6;
        if (choice < 3) {
            KeyWrite write{key.root, key.path, false, {}, {}, {}};
            for (std::size_t n = random() % 3; n > 0; --n) {
                write.set.push_back(randomValue(random));
            }
            if (choice == 2) {
                write.unset.push_back(randomValue(random).name);
            }
            writes.push_back(std::move(write));
        } else if (choice == 3 && key.leaf) {
            removals.push_back({key.root, key.path, true, {}, {}, {}});
        }
    }
    writes.insert(writes.end(), removals.begin(), removals.end());
    return writes;
}

// The backup that apply /backup writes before those writes.
std::string backupOf(MemoryRegistry& registry, const std::vector<KeyWrite>& writes) {
    Journal backup{config::ownViewBits, JournalVerb::backup, {}};
    EXPECT_EQ(config::keyChanges(registry, config::WriteList(writes),
                                 [&](const KeyChange& change) { backup.changes.push_back(change); })
                  .code,
              0);
    return config::encodeJournal(backup);
}

// A machine, a backup taken before an apply of random writes, the apply made, then a drift:
// what restore starts from.
struct Drifted {
    std::string backup;
    std::wstring beforeApply;
    std::wstring beforeRestore;
};
Drifted arrangeDrifted(FakeConfigHost& host, std::uint32_t seed) {
    std::mt19937 random(seed);
    arrangeMachine(host.memory, random);
    const std::vector<KeyWrite> writes = randomWrites(random);
    Drifted drifted{backupOf(host.memory, writes), state(host.memory), {}};
    EXPECT_EQ(config::executeWrites(host.memory, config::WriteList(writes)).failure.code, 0);
    // Someone changes a key that the backup holds, one that was there before.
    Journal backup;
    EXPECT_EQ(config::decodeJournal(drifted.backup, backup), L"");
    for (const KeyChange& change : backup.changes) {
        if (change.before.exists && host.memory.keyExists(memoryPath(change.root, change.path))) {
            host.memory.putText(memoryPath(change.root, change.path), L"Drift",
                                L"seed " + std::to_wstring(seed));
            break;
        }
    }
    drifted.beforeRestore = state(host.memory);
    host.files[L"b.bak"] = drifted.backup;
    return drifted;
}

TEST(JournalVerbs, RestoreGivesTheBackedUpKeysBackOnADriftedMachine) {
    for (std::uint32_t seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE(seed);
        FakeConfigHost host;
        const Drifted drifted = arrangeDrifted(host, seed);
        const std::int32_t checked = host.run({L"restore", L"/check", L"b.bak"});
        EXPECT_EQ(checked, 0) << host.err;
        EXPECT_EQ(state(host.memory), drifted.beforeRestore);
        const std::string plan = host.out;
        EXPECT_TRUE(plan == "No changes.\n" || plan.find("\nPlan: ") != std::string::npos) << plan;

        EXPECT_EQ(host.run({L"restore", L"b.bak"}), 0) << host.err;
        EXPECT_EQ(state(host.memory), drifted.beforeApply);
        EXPECT_TRUE(host.out.starts_with(plan)) << host.out;
        EXPECT_FALSE(host.journalStore.journal);
        EXPECT_EQ(host.journalStore.written, plan == "No changes.\n" ? 0u : 1u);
        EXPECT_EQ(host.run({L"restore", L"b.bak"}), 0);
        EXPECT_EQ(host.out, "No changes.\n");
    }
}

// Restore reads each key once: the journal takes the state the plan read, so that a key it
// deletes or writes is opened no more often than its dry run opens it. (That the journal holds
// what was there, the run ended after any write shows below.)
TEST(JournalVerbs, RestoreReadsEachKeyOnce) {
    for (std::uint32_t seed = 1; seed <= 20; ++seed) {
        SCOPED_TRACE(seed);
        FakeConfigHost host;
        const Drifted drifted = arrangeDrifted(host, seed);
        Journal backup;
        ASSERT_EQ(config::decodeJournal(drifted.backup, backup), L"");
        const auto counted = [&](std::initializer_list<std::wstring> command) {
            const std::size_t before = host.memory.calls().size();
            EXPECT_EQ(host.run(command), 0) << host.err;
            std::map<std::wstring, std::size_t> calls;
            for (auto call = host.memory.calls().begin() + static_cast<std::ptrdiff_t>(before);
                 call != host.memory.calls().end(); ++call) {
                ++calls[*call];
            }
            return calls;
        };
        auto checked = counted({L"restore", L"/check", L"b.bak"});
        auto restored = counted({L"restore", L"b.bak"});
        std::size_t written = 0;
        for (const KeyChange& change : backup.changes) {
            const std::wstring key = memoryPath(change.root, change.path);
            if (restored[L"deleteKey " + key] + restored[L"createKey " + key] > 0) {
                ++written;
                // The configuration's root is opened once more, to see that there are rights.
                const std::size_t rights = change.path == rootPath ? 1 : 0;
                EXPECT_EQ(restored[L"openKey " + key], checked[L"openKey " + key] + rights) << key;
            }
        }
        EXPECT_GT(written, 0u);
        EXPECT_EQ(state(host.memory), drifted.beforeApply);
    }
}

// The run is ended after its k-th write, for every k; the registry and the journal survive it.
// recover then gives back the state before the run byte for byte, and a change made by someone
// else in between survives.
TEST(JournalVerbs, ARunEndedAfterAnyWriteIsPutBackByRecover) {
    std::size_t runsEnded = 0;
    for (std::uint32_t seed = 1; seed <= 25; ++seed) {
        for (const bool laterChange : {false, true}) {
            for (std::size_t k = 0;; ++k) {
                SCOPED_TRACE(::testing::Message()
                             << "seed " << seed << " k " << k << " later " << laterChange);
                FakeConfigHost host;
                const Drifted drifted = arrangeDrifted(host, seed);
                CrashingRegistry crashing(host.memory, k);
                host.registryInUse = &crashing;
                bool ended = false;
                try {
                    host.run({L"restore", L"b.bak"});
                } catch (const RunEnded&) {
                    ended = true;
                }
                host.registryInUse = &host.memory;
                if (!ended) {
                    break;
                }
                ++runsEnded;
                ASSERT_TRUE(host.journalStore.journal);
                std::wstring expected = drifted.beforeRestore;
                std::wstring changedKey;
                if (laterChange) {
                    Journal journal;
                    ASSERT_EQ(config::decodeJournal(*host.journalStore.journal, journal), L"");
                    // A key that the run wrote, or the first it would write.
                    const KeyChange& change = journal.changes.back();
                    changedKey = memoryPath(change.root, change.path);
                    host.memory.putText(changedKey, L"Later", L"by someone else");
                }
                ASSERT_EQ(host.run({L"recover"}), 0) << host.err;
                EXPECT_FALSE(host.journalStore.journal);
                if (laterChange) {
                    EXPECT_EQ(host.memory.text(changedKey, L"Later"), L"by someone else");
                    EXPECT_EQ(withoutKey(state(host.memory), changedKey),
                              withoutKey(expected, changedKey));
                } else {
                    EXPECT_EQ(state(host.memory), expected);
                    EXPECT_EQ(host.err.find(L"Left alone"), std::wstring::npos) << host.err;
                }
                // Twice is safe: nothing left to do.
                EXPECT_EQ(host.run({L"recover"}), 0);
                EXPECT_EQ(host.out, "Nothing to recover.\n");
            }
        }
    }
    EXPECT_GT(runsEnded, 100u);
}

}  // namespace
}  // namespace volmora::testing

namespace volmora::testing {
namespace {

// A machine left by a restore ended after its first write, with its journal in place.
void arrangeEndedRun(FakeConfigHost& host) {
    arrangeDrifted(host, 3);
    CrashingRegistry crashing(host.memory, 1);
    host.registryInUse = &crashing;
    EXPECT_THROW(host.run({L"restore", L"b.bak"}), RunEnded);
    host.registryInUse = &host.memory;
    ASSERT_TRUE(host.journalStore.journal);
}

const std::wstring refusedWhileEnded =
    L"A run of the 64-bit volmoraConfig (restore) was ended part-way: its journal \"" +
    journalPath +
    L"\" holds what it changed. Nothing was read.\n"
    L"Run \"volmoraConfig recover\", elevated, to put the machine back as it was before that "
    L"run.\n";

TEST(JournalVerbs, VerbsThatNeverWriteRefuseWhileAJournalIsThere) {
    const std::vector<std::vector<std::wstring>> readOnly = {{L"export"},
                                                             {L"export", L"out.json"},
                                                             {L"apply", L"/check", L"f.json"},
                                                             {L"restore", L"/check", L"b.bak"}};
    for (const auto& arguments : readOnly) {
        FakeConfigHost host;
        arrangeEndedRun(host);
        host.files[L"f.json"] = R"({"formatVersion": 1})";
        const std::string journal = *host.journalStore.journal;
        const std::wstring before = state(host.memory);
        ArgumentList list{L"volmoraConfig"};
        list.insert(list.end(), arguments.begin(), arguments.end());
        host.err.clear();
        host.out.clear();
        EXPECT_EQ(config::runConfigCommand(host, list), 11) << host.err;
        EXPECT_EQ(host.err, refusedWhileEnded);
        EXPECT_EQ(host.out, "");
        EXPECT_EQ(host.journalStore.journal, journal);
        EXPECT_EQ(state(host.memory), before);
        EXPECT_FALSE(host.files.contains(L"out.json"));
    }
}

TEST(JournalVerbs, ApplyPutsAJournalBackFirst) {
    FakeConfigHost host;
    const Drifted drifted = arrangeDrifted(host, 4);
    CrashingRegistry crashing(host.memory, 2);
    host.registryInUse = &crashing;
    EXPECT_THROW(host.run({L"restore", L"b.bak"}), RunEnded);
    host.registryInUse = &host.memory;
    host.files[L"f.json"] = R"({"formatVersion": 1})";
    EXPECT_EQ(host.run({L"apply", L"f.json"}), 0) << host.err;
    EXPECT_TRUE(host.err.starts_with(
        L"A run of the 64-bit volmoraConfig (restore) was ended part-way: its journal \"" +
        journalPath + L"\" holds what it changed.\nPutting it back first.\n"))
        << host.err;
    EXPECT_FALSE(host.journalStore.journal);
    EXPECT_EQ(state(host.memory), drifted.beforeRestore);
    EXPECT_TRUE(host.out.ends_with("No changes.\n")) << host.out;
}

TEST(JournalVerbs, AJournalThatCannotBeTrustedIsKeptAndNeverUsed) {
    struct Case {
        const char* what;
        void (*spoil)(FakeJournalStore&);
        std::wstring why;
        std::wstring discard;
    };
    const std::wstring folder = L"C:\\ProgramData\\volmoraConfig";
    const Case cases[] = {
        {"a byte changed", [](FakeJournalStore& s) { (*s.journal)[40] ^= 1; },
         L"The journal \"" + journalPath +
             L"\" cannot be used. Its checksum does not match: it was damaged.",
         L"del \"" + journalPath + L"\""},
        {"cut short", [](FakeJournalStore& s) { s.journal->resize(s.journal->size() / 2); },
         L"The journal \"" + journalPath +
             L"\" cannot be used. Its checksum does not match: it was damaged.",
         L"del \"" + journalPath + L"\""},
        {"owned by a user",
         [](FakeJournalStore& s) { s.fileSecurity.owner = L"S-1-5-21-1-2-3-1001"; },
         L"The journal \"" + journalPath +
             L"\" cannot be trusted. It is owned by S-1-5-21-1-2-3-1001, not by Administrators "
             L"or SYSTEM.",
         L"del \"" + journalPath + L"\""},
        {"users may write the folder",
         [](FakeJournalStore& s) {
             s.folderSecurity.entries.push_back({true, false, L"S-1-5-32-545", 0x6});
         },
         L"The journal folder \"" + folder +
             L"\" cannot be trusted. It may be written by S-1-5-32-545 (access 0x6).",
         L"rd /s /q \"" + folder + L"\""},
    };
    const std::vector<std::vector<std::wstring>> verbs = {
        {L"export"}, {L"recover"}, {L"restore", L"b.bak"}, {L"restore", L"/check", L"b.bak"}};
    for (const Case& c : cases) {
        for (const auto& arguments : verbs) {
            SCOPED_TRACE(::testing::Message() << c.what << " " << arguments.size());
            FakeConfigHost host;
            arrangeEndedRun(host);
            c.spoil(host.journalStore);
            const std::string journal = *host.journalStore.journal;
            const std::wstring before = state(host.memory);
            ArgumentList list{L"volmoraConfig"};
            list.insert(list.end(), arguments.begin(), arguments.end());
            host.err.clear();
            EXPECT_EQ(config::runConfigCommand(host, list), 12);
            EXPECT_EQ(host.err, c.why + L" It was kept, not used, and nothing was changed.\n" +
                                    L"After a look, discard it from an elevated prompt with: " +
                                    c.discard + L"\n");
            EXPECT_EQ(host.journalStore.journal, journal);
            EXPECT_EQ(state(host.memory), before);
        }
    }
    // Where the system keeps no security descriptors, there is nothing to check.
    FakeConfigHost host;
    arrangeEndedRun(host);
    host.journalStore.securityKept = false;
    host.journalStore.fileSecurity.owner = L"S-1-5-21-0-0-0-1000";
    EXPECT_EQ(host.run({L"recover"}), 0) << host.err;
}

TEST(JournalVerbs, TheOtherBuildsJournalIsLeftToItsOwnRecover) {
    FakeConfigHost host;
    arrangeEndedRun(host);
    Journal journal;
    ASSERT_EQ(config::decodeJournal(*host.journalStore.journal, journal), L"");
    journal.viewBits = 32;
    host.journalStore.journal = config::encodeJournal(journal);
    const std::wstring before = state(host.memory);
    for (const std::vector<std::wstring>& arguments :
         {std::vector<std::wstring>{L"recover"}, {L"export"}, {L"restore", L"b.bak"}}) {
        ArgumentList list{L"volmoraConfig"};
        list.insert(list.end(), arguments.begin(), arguments.end());
        host.err.clear();
        EXPECT_EQ(config::runConfigCommand(host, list), 11);
        EXPECT_EQ(
            host.err,
            L"A run of the 32-bit volmoraConfig (restore) was ended part-way: its journal \"" +
                journalPath +
                L"\" holds what it changed. Nothing was read or changed.\n"
                L"Run \"volmoraConfig recover\" of the 32-bit volmoraConfig, elevated, to "
                L"put it back.\n");
        EXPECT_EQ(state(host.memory), before);
        EXPECT_TRUE(host.journalStore.journal);
    }
}

TEST(JournalVerbs, RecoverSaysWhatItDidAndWhatItLeftAlone) {
    FakeConfigHost host;
    EXPECT_EQ(host.run({L"recover"}), 0);
    EXPECT_EQ(host.out, "Nothing to recover.\n");
    EXPECT_EQ(host.err, L"");

    arrangeEndedRun(host);
    host.journalStore.temporaries = {L"journal.tmp"};
    const std::wstring key = L"HKLM\\" + rootPath;
    host.memory.putText(key, L"Later", L"x");
    // Every write fails: the journal stays for another try.
    CrashingRegistry failing(host.memory, 0, status::accessDenied);
    host.registryInUse = &failing;
    EXPECT_EQ(host.run({L"recover"}), 5);
    EXPECT_NE(host.err.find(L"These keys could not be put back as they were:\n  HKEY_"),
              std::wstring::npos)
        << host.err;
    EXPECT_TRUE(host.err.ends_with(L"The journal \"" + journalPath +
                                   L"\" was kept: run \"volmoraConfig recover\" again.\n"))
        << host.err;
    EXPECT_TRUE(host.journalStore.journal);
    EXPECT_TRUE(host.journalStore.temporaries.empty());

    host.registryInUse = &host.memory;
    EXPECT_EQ(host.run({L"recover"}), 0) << host.err;
    EXPECT_TRUE(
        host.err.starts_with(L"A run of the 64-bit volmoraConfig (restore) was ended part-way"))
        << host.err;
    EXPECT_NE(host.err.find(L"Left alone, changed since: HKEY_LOCAL_MACHINE\\" + rootPath),
              std::wstring::npos)
        << host.err;
    EXPECT_FALSE(host.journalStore.journal);
    EXPECT_TRUE(host.out.ends_with(" left alone.\n")) << host.out;
    EXPECT_NE(host.out.find("Put back: HKEY_"), std::string::npos) << host.out;
    EXPECT_EQ(host.memory.text(key, L"Later"), L"x");
    EXPECT_TRUE(host.flushed.contains(L"HKLM\\SOFTWARE")) << host.flushed.size();
}

TEST(JournalVerbs, RestoreIsAllOrNothing) {
    struct Case {
        const char* what;
        void (*arrange)(FakeConfigHost&);
        std::int32_t code;
        std::wstring errEnd;
        bool journalKept;
    };
    const Case cases[] = {
        {"Ctrl+C before the first write", [](FakeConfigHost& h) { h.ctrlC = true; }, 4,
         L"Stopped by Ctrl+C or Ctrl+Break.\nNothing was changed.\n", false},
        {"a write fails",
         [](FakeConfigHost& h) {
             // The drift goes last: its key is written after every key the plan creates.
             h.memory.failCall(RegistryCall::deleteValue, L"HKCR\\Gen.Prog@Drift", 1021);
             h.memory.putText(L"HKCR\\Gen.Prog", L"Drift", L"x");
         },
         4,
         L"Can't delete Gen.Prog\\Drift registry value: error=1021\nEverything was put back as it "
         L"was. "
         L"Nothing was changed.\n",
         false},
        {"the journal cannot be written", [](FakeConfigHost& h) { h.journalStore.writeResult = 5; },
         7, L"Can't write the journal \"" + journalPath + L"\": error=5\nNothing was changed.\n",
         false},
        {"no rights",
         [](FakeConfigHost& h) {
             h.memory.failCall(RegistryCall::openKey, L"HKCR\\CLSID", 5, true);
         },
         9, L"Nothing was changed.\n", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeConfigHost host;
        arrangeDrifted(host, 5);
        c.arrange(host);
        const std::wstring before = state(host.memory);
        EXPECT_EQ(host.run({L"restore", L"b.bak"}), c.code);
        EXPECT_TRUE(host.err.ends_with(c.errEnd)) << host.err;
        EXPECT_EQ(state(host.memory), before);
        EXPECT_EQ(host.journalStore.journal.has_value(), c.journalKept);
        EXPECT_FALSE(host.catching);
    }
}

TEST(JournalVerbs, RestoreRefusesABackupItCannotUse) {
    FakeConfigHost host;
    arrangeDrifted(host, 6);
    Journal backup;
    ASSERT_EQ(config::decodeJournal(host.files[L"b.bak"], backup), L"");
    backup.viewBits = 32;
    host.files[L"32.bak"] = config::encodeJournal(backup);
    host.files[L"bad.bak"] = host.files[L"b.bak"];
    host.files[L"bad.bak"].back() ^= 1;
    const std::wstring before = state(host.memory);
    const std::tuple<std::vector<std::wstring>, std::int32_t, std::wstring> cases[] = {
        {{L"restore", L"bad.bak"},
         3,
         L"\"bad.bak\": Its checksum does not match: it was damaged.\nNothing was changed.\n"},
        {{L"restore", L"32.bak"},
         3,
         L"\"32.bak\": It holds the keys of the 32-bit registry view: restore it with the "
         L"32-bit volmoraConfig.\nNothing was changed.\n"},
        {{L"restore", L"missing.bak"}, 7, L"Can't read \"missing.bak\": error=2\n"},
        {{L"restore"}, 1, L""},
        {{L"restore", L"/check"}, 1, L""},
        {{L"restore", L"b.bak", L"b.bak"}, 1, L""},
        {{L"restore", L"/prune", L"b.bak"}, 1, L""},
        {{L"recover", L"b.bak"}, 1, L""},
    };
    for (const auto& [arguments, code, err] : cases) {
        ArgumentList list{L"volmoraConfig"};
        list.insert(list.end(), arguments.begin(), arguments.end());
        host.err.clear();
        EXPECT_EQ(config::runConfigCommand(host, list), code);
        if (code != 1) {
            EXPECT_EQ(host.err, err);
        } else {
            EXPECT_TRUE(host.err.starts_with(L"Usage: ")) << host.err;
        }
        EXPECT_EQ(state(host.memory), before);
    }
}

// The journal store, whose journal cannot be read once it is in place.
class UnreadableOnceWritten : public config::JournalStore {
  public:
    explicit UnreadableOnceWritten(FakeJournalStore& store) : store_(store) {}
    std::wstring folder() override { return store_.folder(); }
    std::wstring path() override { return store_.path(); }
    long read(std::size_t maxBytes, config::JournalFound& found) override {
        return store_.journal ? 5 : store_.read(maxBytes, found);
    }
    long create(std::unique_ptr<config::JournalFile>& file) override { return store_.create(file); }
    long remove() override { return store_.remove(); }
    long clearStale() override { return store_.clearStale(); }

  private:
    FakeJournalStore& store_;
};

TEST(JournalVerbs, AFailedWriteIsPutBackFromTheJournalOnDiskOrTheJournalIsKept) {
    // The state to put back is read from the journal in place, not held in memory as well: when
    // that journal cannot be read, nothing is guessed, the run ends with 5 and the journal stays
    // for recover, which puts everything back.
    FakeConfigHost host;
    putJvm(host.memory, L"Old");
    const std::wstring before = state(host.memory);
    host.files[L"f.json"] = R"({"formatVersion": 1, "jvms": {"A": {"DllPath": "C:\\a.dll",
        "JvmOptions": "-Djava.class.path=C:\\VOLM\\lib\\VOLM.jar"}, "B": {"DllPath":
        "C:\\b.dll", "JvmOptions": "-Djava.class.path=C:\\VOLM\\lib\\VOLM.jar"}}})";
    host.memory.failCall(RegistryCall::createKey, configRoot + L"\\JVMs\\B", 1021);
    UnreadableOnceWritten unreadable(host.journalStore);
    host.journalInUse = &unreadable;
    EXPECT_EQ(host.run({L"apply", L"/prune", L"f.json"}), 5);
    EXPECT_NE(host.err.find(L"Can't read the journal \"" + journalPath + L"\": error=5"),
              std::wstring::npos)
        << host.err;
    EXPECT_TRUE(host.journalStore.journal);
    EXPECT_NE(state(host.memory), before);

    host.journalInUse = &host.journalStore;
    EXPECT_EQ(host.run({L"recover"}), 0) << host.err;
    EXPECT_EQ(state(host.memory), before);
    EXPECT_FALSE(host.journalStore.journal);
}

}  // namespace
}  // namespace volmora::testing
