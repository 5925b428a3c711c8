// What recover and restore leave alone: a key that someone changed since the journal or the backup
// was written (a subkey made below a key to delete, a value added to it, the key above a key to
// make again deleted) stays as it is, is named, and the run still finishes with 0. restore /check
// predicts restore exactly, on machines changed in every such way.
#include <gtest/gtest.h>

#include <random>

#include "command/configCommand.h"
#include "fakeConfigHost.h"
#include "journal/journalFormat.h"
#include "journal/writeExecutor.h"

namespace volmora::testing {
namespace {

using config::Journal;
using config::JournalVerb;
using config::KeyChange;
using config::KeyState;
using config::KeyWrite;
using config::SavedValue;

const std::wstring root = L"SOFTWARE\\Tamsiver Software\\VOLM";
const std::wstring rootName = L"HKEY_LOCAL_MACHINE\\" + root;

std::wstring state(const MemoryRegistry& registry) {
    return registry.dump(L"HKLM") + registry.dump(L"HKCR");
}

SavedValue text(const std::wstring& name, const std::wstring& value) {
    SavedValue saved{name, valueType::sz, {}};
    for (const wchar_t c : value + L'\0') {
        saved.data.push_back(static_cast<std::uint8_t>(c & 0xFF));
        saved.data.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    return saved;
}

// Deletes a key with everything below it, through the registry's calls.
void removeTree(Registry& registry, KeyHandle keyRoot, const std::wstring& path) {
    std::vector<std::wstring> subkeys;
    {
        RegKey key(registry);
        if (key.open(keyRoot, path, KeyAccess::read) != status::success) {
            return;
        }
        std::wstring name;
        for (std::uint32_t i = 0; registry.enumKey(key.handle(), i, name) == status::success; ++i) {
            subkeys.push_back(name);
        }
    }
    for (const std::wstring& subkey : subkeys) {
        removeTree(registry, keyRoot, path + L"\\" + subkey);
    }
    EXPECT_EQ(registry.deleteKey(keyRoot, path), status::success);
}

KeyState missing() {
    return {};
}
KeyState holding(std::vector<SavedValue> values) {
    return {true, std::move(values)};
}

// An apply that made server S1 where there was no Servers key, and deleted JVM J0.
std::vector<KeyChange> endedApply() {
    return {{localMachine, root + L"\\Servers", missing(), holding({})},
            {localMachine, root + L"\\Servers\\S1", missing(), holding({text(L"Classpath", L"a")})},
            {localMachine, root + L"\\JVMs\\J0", holding({text(L"DllPath", L"j")}), missing()}};
}

// The machine that apply left: S1 written, J0 deleted.
void arrangeAfterApply(FakeConfigHost& host) {
    host.memory.putText(configRoot + L"\\Servers\\S1", L"Classpath", L"a");
    host.memory.putKey(configRoot + L"\\JVMs");
}

TEST(LeftAlone, RecoverFinishesAndLeavesAloneWhatWasChangedSince) {
    struct Case {
        const char* what;
        void (*change)(FakeConfigHost&);  // what someone else did after the apply ended
        std::vector<std::wstring> leftAlone;
        void (*expect)(MemoryRegistry&);  // the machine that recover leaves
    };
    const Case cases[] = {
        {"nothing",
         [](FakeConfigHost&) {},
         {},
         [](MemoryRegistry& m) {
             m.putKey(configRoot + L"\\JVMs");
             m.putText(configRoot + L"\\JVMs\\J0", L"DllPath", L"j");
         }},
        {"a server registered beside the one made",
         [](FakeConfigHost& h) { h.memory.putText(configRoot + L"\\Servers\\Other", L"x", L"o"); },
         {rootName + L"\\Servers: its subkey \"Other\" was created since"},
         [](MemoryRegistry& m) {
             m.putText(configRoot + L"\\Servers\\Other", L"x", L"o");
             m.putText(configRoot + L"\\JVMs\\J0", L"DllPath", L"j");
         }},
        {"a value added to the server made",
         [](FakeConfigHost& h) { h.memory.putText(configRoot + L"\\Servers\\S1", L"Later", L"l"); },
         {rootName + L"\\Servers\\S1: its value \"Later\" was changed since",
          rootName + L"\\Servers: its subkey \"S1\" stays"},
         [](MemoryRegistry& m) {
             m.putText(configRoot + L"\\Servers\\S1", L"Classpath", L"a");
             m.putText(configRoot + L"\\Servers\\S1", L"Later", L"l");
             m.putText(configRoot + L"\\JVMs\\J0", L"DllPath", L"j");
         }},
        {"a subkey below the server made",
         [](FakeConfigHost& h) { h.memory.putKey(configRoot + L"\\Servers\\S1\\Deeper"); },
         {rootName + L"\\Servers\\S1: its subkey \"Deeper\" was created since",
          rootName + L"\\Servers: its subkey \"S1\" stays"},
         [](MemoryRegistry& m) {
             m.putText(configRoot + L"\\Servers\\S1", L"Classpath", L"a");
             m.putKey(configRoot + L"\\Servers\\S1\\Deeper");
             m.putText(configRoot + L"\\JVMs\\J0", L"DllPath", L"j");
         }},
        {"the key above the JVM deleted",
         [](FakeConfigHost& h) { removeTree(h.memory, localMachine, root + L"\\JVMs"); },
         {rootName + L"\\JVMs\\J0: the key above it was deleted since"},
         [](MemoryRegistry& m) { m.putKey(configRoot); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeConfigHost host;
        arrangeAfterApply(host);
        host.journalStore.journal = config::encodeJournal({64, JournalVerb::apply, endedApply()});
        c.change(host);
        EXPECT_EQ(host.run({L"recover"}), 0) << host.err;
        EXPECT_FALSE(host.journalStore.journal);
        std::wstring lines;
        for (const std::wstring& key : c.leftAlone) {
            lines += L"Left alone, changed since: " + key + L"\n";
        }
        EXPECT_TRUE(host.err.ends_with(lines)) << host.err;
        EXPECT_EQ(host.err.find(L"could not"), std::wstring::npos) << host.err;
        EXPECT_TRUE(host.out.ends_with(" " + std::to_string(c.leftAlone.size()) + " left alone.\n"))
            << host.out;
        FakeConfigHost expected;
        c.expect(expected.memory);
        EXPECT_EQ(state(host.memory), state(expected.memory));
        // Nothing is pending any more: the verbs go on.
        EXPECT_EQ(host.run({L"export"}), 0) << host.err;
    }
}

// A registry that, when one key is about to be created, has someone else register a server
// first, then fails that write: a failed apply whose put-back finds a key changed since.
class RegisteringFirst : public MemoryRegistry {
  public:
    long createKey(KeyHandle parent, const std::wstring& path, KeyHandle& key) override {
        if (path.ends_with(L"\\JVMs\\B") && !registered) {
            registered = true;
            putText(configRoot + L"\\JVMs\\Other", L"DllPath", L"o");
            return 1021;
        }
        return MemoryRegistry::createKey(parent, path, key);
    }
    bool registered = false;
};

class RegisteringHost : public FakeConfigHost {
  public:
    RegisteringHost() {
        racing.putKey(L"HKLM\\SOFTWARE");
        racing.putKey(L"HKCR\\CLSID");
    }
    Registry& registry() override { return racing; }
    RegisteringFirst racing;
};

TEST(LeftAlone, AFailedApplyPutsBackWhatIsItsOwnAndEndsWithFour) {
    RegisteringHost host;
    host.files[L"f.json"] = R"({"formatVersion": 1, "jvms": {"A": {"DllPath": "C:\\a.dll",
        "JvmOptions": "-Djava.class.path=C:\\VOLM\\lib\\VOLM.jar"}, "B": {"DllPath":
        "C:\\b.dll", "JvmOptions": "-Djava.class.path=C:\\VOLM\\lib\\VOLM.jar"}}})";
    EXPECT_EQ(host.run({L"apply", L"f.json"}), 4);
    // The keys above stay with it, since apply made them on its way.
    EXPECT_TRUE(host.err.ends_with(
        L"Can't create \"B\" key: error=1021\n"
        L"Left alone, changed since: " +
        rootName + L"\\JVMs: its subkey \"Other\" was created since\n" +
        L"Left alone, changed since: " + rootName + L": its subkey \"JVMs\" stays\n" +
        L"Left alone, changed since: HKEY_LOCAL_MACHINE\\SOFTWARE\\Tamsiver Software: its "
        L"subkey \"VOLM\" stays\n"
        L"Everything else was put back as it was.\n"))
        << host.err;
    EXPECT_FALSE(host.journalStore.journal);
    EXPECT_FALSE(host.racing.keyExists(configRoot + L"\\JVMs\\A"));
    EXPECT_EQ(host.racing.text(configRoot + L"\\JVMs\\Other", L"DllPath"), L"o");
}

// The key names of a plan's line as the in-memory registry writes them.
std::wstring memoryName(std::wstring name) {
    for (const auto& [full, shortName] : {std::pair{L"HKEY_LOCAL_MACHINE\\", L"HKLM\\"},
                                          std::pair{L"HKEY_CLASSES_ROOT\\", L"HKCR\\"}}) {
        if (name.starts_with(full)) {
            return shortName + name.substr(std::wcslen(full));
        }
    }
    return name;
}

// The lines of one key in a dump: its path line and its values; empty when it is missing.
std::wstring keyLines(const std::wstring& dump, const std::wstring& path) {
    std::wstring out;
    bool in = false;
    for (std::size_t start = 0; start < dump.size();) {
        const std::size_t end = dump.find(L'\n', start) + 1;
        const std::wstring line = dump.substr(start, end - start);
        if (!line.starts_with(L"  ")) {
            in = line == path + L"\n";
        }
        if (in) {
            out += line;
        }
        start = end;
    }
    return out;
}

// A backup of a machine of records and COM keys, the apply it was taken for, and then someone
// else's changes: records registered below keys the apply made, values added, keys deleted.
struct Changed {
    std::string backup;
    std::vector<std::wstring> keys;  // every key of the backup, as the in-memory registry names it
    std::vector<std::pair<KeyHandle, std::wstring>> rootedKeys;  // the same by root and path
};
Changed arrangeChanged(FakeConfigHost& host, std::uint32_t seed) {
    std::mt19937 random(seed);
    const std::wstring clsid =
        L"{6B0A4C11-2B7D-4F0E-9A31-0C1D2E3F4A5" + std::to_wstring(seed % 10) + L"}";
    std::vector<KeyWrite> writes;
    const auto maybe = [&](KeyHandle keyRoot, const std::wstring& path) {
        if (random() % 3 != 0) {
            writes.push_back(
                {keyRoot, path, false, {text(L"V", std::to_wstring(random() % 4))}, {}, {}});
        }
    };
    // Some of the collections and records are there before.
    for (const wchar_t* collection : {L"\\JVMs", L"\\Servers", L"\\CLSIDs"}) {
        if (random() % 2 == 0) {
            host.memory.putText(configRoot + collection + L"\\Old", L"V", L"old");
        }
        for (const wchar_t* record : {L"\\R1", L"\\R2"}) {
            maybe(localMachine, root + collection + record);
        }
    }
    if (random() % 2 == 0) {
        host.memory.putText(L"HKCR\\CLSID\\" + clsid, L"", L"old");
    }
    maybe(classesRoot, L"CLSID\\" + clsid + L"\\InprocServer32");
    maybe(classesRoot, L"CLSID\\" + clsid + L"\\ProgId");
    maybe(classesRoot, L"Gen.Seed\\CLSID");
    Journal backup{config::ownViewBits, JournalVerb::backup, {}};
    EXPECT_EQ(config::keyChanges(host.memory, config::WriteList(writes),
                                 [&](const KeyChange& change) { backup.changes.push_back(change); })
                  .code,
              0);
    EXPECT_EQ(config::executeWrites(host.memory, config::WriteList(writes)).failure.code, 0);
    Changed changed{config::encodeJournal(backup), {}, {}};
    for (const KeyChange& change : backup.changes) {
        changed.keys.push_back((change.root == classesRoot ? L"HKCR\\" : L"HKLM\\") + change.path);
        changed.rootedKeys.emplace_back(change.root, change.path);
    }
    // Someone else, afterwards.
    for (std::size_t i = 0; i < changed.keys.size(); ++i) {
        const std::wstring& key = changed.keys[i];
        if (!host.memory.keyExists(key)) {
            continue;
        }
        switch (random() % 6) {
            case 0:
                host.memory.putText(key + L"\\Other", L"V", L"theirs");
                break;
            case 1:
                host.memory.putText(key, L"Theirs", L"t");
                break;
            case 2:
                removeTree(host.memory, changed.rootedKeys[i].first, changed.rootedKeys[i].second);
                break;
            default:
                break;
        }
    }
    host.files[L"b.bak"] = changed.backup;
    return changed;
}

TEST(LeftAlone, RestoreCheckPredictsWhatRestoreDoes) {
    std::size_t leftAlone = 0;
    std::size_t removed = 0;
    for (std::uint32_t seed = 1; seed <= 60; ++seed) {
        SCOPED_TRACE(seed);
        FakeConfigHost host;
        const Changed changed = arrangeChanged(host, seed);
        const std::wstring before = state(host.memory);
        ASSERT_EQ(host.run({L"restore", L"/check", L"b.bak"}), 0) << host.err;
        const std::string plan = host.out;
        EXPECT_EQ(state(host.memory), before);

        ASSERT_EQ(host.run({L"restore", L"b.bak"}), 0) << host.err;
        EXPECT_TRUE(host.out.starts_with(plan)) << host.out;
        EXPECT_FALSE(host.journalStore.journal);
        const std::wstring after = state(host.memory);
        // Every key the plan names ends as its line says; every other key stays as it was.
        std::vector<std::wstring> named;
        const std::wstring planText = fromUtf8(plan);
        for (std::size_t start = 0; start < planText.size();) {
            const std::size_t end = planText.find(L'\n', start);
            const std::wstring line = planText.substr(start, end - start);
            start = end + 1;
            const std::wstring leftLine = L"Left alone, changed since: ";
            std::wstring key;
            if (line.starts_with(L"- key ")) {
                key = memoryName(line.substr(6));
                EXPECT_FALSE(host.memory.keyExists(key)) << utf8(key);
                ++removed;
            } else if (line.starts_with(L"+ key ") || line.starts_with(L"~ key ")) {
                key = memoryName(line.substr(6));
                EXPECT_TRUE(host.memory.keyExists(key)) << utf8(key);
            } else if (line.starts_with(leftLine)) {
                const std::wstring rest = line.substr(leftLine.size());
                key = memoryName(rest.substr(0, rest.find(L": ")));
                EXPECT_TRUE(host.memory.keyExists(key)) << utf8(key);
                EXPECT_EQ(keyLines(after, key), keyLines(before, key)) << utf8(key);
                ++leftAlone;
            }
            if (!key.empty()) {
                named.push_back(key);
            }
        }
        for (const std::wstring& key : changed.keys) {
            if (std::find(named.begin(), named.end(), key) == named.end()) {
                EXPECT_EQ(keyLines(after, key), keyLines(before, key)) << utf8(key);
            }
        }
        // What was left alone is left alone again; nothing else is left to do.
        ASSERT_EQ(host.run({L"restore", L"/check", L"b.bak"}), 0);
        EXPECT_TRUE(host.out.ends_with("No changes.\n")) << host.out;
        EXPECT_EQ(host.out.find("\n- key"), std::string::npos) << host.out;
    }
    // The seeds reach both kinds of removal.
    EXPECT_GT(leftAlone, 10u);
    EXPECT_GT(removed, 10u);
}

}  // namespace
}  // namespace volmora::testing
