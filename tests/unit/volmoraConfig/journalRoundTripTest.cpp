// What apply may write and what the journal may name are one rule: for seeded files of classes
// with hostile names, apply either refuses before any write, or every key it would change reads
// back from its journal exactly as it was written.
#include <gtest/gtest.h>

#include <cwchar>
#include <random>

#include "../bindObject/classLayout.h"
#include "fakeConfigHost.h"
#include "journal/journalFormat.h"
#include "model/configFile.h"
#include "plan/applyPlanner.h"
#include "plan/applyRefusals.h"
#include "recordBuilder.h"

namespace volmora::testing {
namespace {

// Names a file may give a class or its ProgID: ordinary ones, the keys COM and the system keep
// in other letter cases, file types, and names the registry cannot hold as one key.
const std::vector<std::wstring>& hostileProgIds() {
    static const std::vector<std::wstring> names = {
        L"My.Prog",
        L"my.prog.1",
        L"CLSID",
        L"clsid",
        L"Interface",
        L"iNTERFACE",
        L"TypeLib",
        L"AppID",
        L"Component Categories",
        L"Wow6432Node",
        L".msi",
        L"*",
        L"Scripting.FileSystemObject",
        L"a\\b",
        L"P\\CLSID",
        std::wstring(L"nul\0x", 5),
        std::wstring(253, L'p'),
        std::wstring(254, L'p'),
        L"\u0218Tool",
        L"Caf\u00E9.Prog",
        L"",
    };
    return names;
}

const std::vector<std::wstring>& hostileClsids() {
    static const std::vector<std::wstring> names = {
        L"{B036ABD6-EE02-4d8e-8D67-186DFEE9A903}",
        L"{b036abd6-ee02-4d8e-8d67-186dfee9a903}",
        L"{11111111-2222-3333-4444-555555555555}",
        L"not-a-guid",
        L"{}",
        L"B036ABD6-EE02-4d8e-8D67-186DFEE9A903",
        L"{B036ABD6-EE02-4d8e-8D67-186DFEE9A90G}",
        L"CLSID",
        L"{B036ABD6-EE02-4d8e-8D67-186DFEE9A903}\\InprocServer32",
    };
    return names;
}

class NoListener : public config::PlanListener {
  public:
    void record(config::ChangeKind, config::Collection, std::wstring_view, std::wstring_view,
                const std::vector<config::PlanDetail>&) override {}
};

// A machine with keys of other products and of the system, and sometimes a bridged class.
void arrangeMachine(MemoryRegistry& registry, std::mt19937& random) {
    putJvm(registry, L"MyJVM");
    const std::wstring theirs = L"{0D43FE01-F093-11CF-8940-00A0C9054228}";
    registry.putText(L"HKCR\\Scripting.FileSystemObject", L"", L"FileSystem Object");
    registry.putText(L"HKCR\\Scripting.FileSystemObject\\CLSID", L"", theirs);
    registry.putText(L"HKCR\\.msi", L"", L"Msi.Package");
    registry.putText(L"HKCR\\CLSID\\CLSID", L"", L"system");
    registry.putKey(L"HKCR\\Interface\\{00000000-0000-0000-C000-000000000046}");
    if (random() % 2 == 0) {
        ClassOperands bridged;
        bridged.clsid = L"{11111111-2222-3333-4444-555555555555}";
        bridged.progId = L"My.Prog";
        writeLayout(registry, bridged);
    }
}

std::string fileOf(std::mt19937& random) {
    config::Configuration file;
    addRecord(file, config::Collection::jvms, L"MyJVM",
              {{L"DllPath", sampleJvmLibrary}, {L"JvmOptions", sampleJvmOptions}});
    const std::size_t classes = 1 + random() % 2;
    for (std::size_t i = 0; i < classes; ++i) {
        // Half the names are new and fit, so that both sides of the rule are reached.
        wchar_t fresh[40];
        std::swprintf(fresh, 40, L"{B036ABD6-EE02-4d8e-8D67-%012u}",
                      static_cast<unsigned>(random() % 1000000));
        const std::wstring clsid = random() % 4 != 0
                                       ? std::wstring(fresh)
                                       : hostileClsids()[random() % hostileClsids().size()];
        const std::wstring progId = random() % 3 == 0
                                        ? L"Gen.P" + std::to_wstring(random() % 1000)
                                        : hostileProgIds()[random() % hostileProgIds().size()];
        addRecord(file, config::Collection::classes, clsid,
                  {{L"JavaClassName", L"com.x.C"}, {L"JvmId", L"MyJVM"}, {L"ProgId", progId}});
    }
    return config::renderConfiguration(file);
}

bool sameChange(const config::KeyChange& a, const config::KeyChange& b) {
    return a.root == b.root && a.path == b.path && a.before.exists == b.before.exists &&
           a.before.values == b.before.values && a.after.exists == b.after.exists &&
           a.after.values == b.after.values;
}

TEST(JournalRoundTrip, ApplyRefusesWhatTheJournalCouldNotNameAndWritesWhatItReadsBack) {
    std::size_t refused = 0;
    std::size_t applied = 0;
    for (std::uint32_t seed = 1; seed <= 400; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937 random(seed);
        FakeConfigHost host;
        arrangeMachine(host.memory, random);
        const std::string bytes = fileOf(random);
        config::Configuration file;
        if (!config::parseConfiguration(bytes, file).empty()) {
            continue;  // a case-twin file: refused as it is read
        }
        const bool prune = random() % 2 == 0;
        config::Machine machine;
        ASSERT_EQ(config::readConfiguration(host.memory, KeyAccess::read, machine.own).code, 0);
        ASSERT_EQ(
            config::readConfiguration(host.memory, KeyAccess::readOtherView, machine.other).code,
            0);
        std::vector<std::wstring> reasons = config::refusals(file, machine, prune);
        config::RegistryComState com(host.memory);
        ASSERT_EQ(config::heldProgIdKeys(file, machine, com, reasons).code, 0);

        // The command agrees: refused files change nothing, and an accepted one is applied.
        host.files[L"f.json"] = bytes;
        const std::wstring before = host.memory.dump(L"HKLM") + host.memory.dump(L"HKCR");
        const std::int32_t code = prune ? host.run({L"apply", L"/prune", L"/check", L"f.json"})
                                        : host.run({L"apply", L"/check", L"f.json"});
        EXPECT_EQ(code, reasons.empty() ? 0 : 3) << host.err;
        if (!reasons.empty()) {
            ++refused;
            continue;
        }
        ++applied;
        config::Plan plan;
        NoListener quiet;
        const std::wstring library = L"C:\\VOLM\\VOLM.dll";
        ASSERT_EQ(config::makePlan(file, machine, prune, library, com, plan, quiet).code, 0);
        const config::PlannedWrites writes(plan, file, machine, library);
        std::vector<config::KeyChange> changes;
        ASSERT_EQ(config::keyChanges(host.memory, writes,
                                     [&](const config::KeyChange& c) { changes.push_back(c); })
                      .code,
                  0);
        config::Journal read;
        const config::Journal written{config::ownViewBits, config::JournalVerb::apply, changes};
        ASSERT_EQ(config::decodeJournal(config::encodeJournal(written), read), L"") << bytes;
        ASSERT_EQ(read.changes.size(), changes.size());
        for (std::size_t i = 0; i < changes.size(); ++i) {
            EXPECT_TRUE(sameChange(read.changes[i], changes[i])) << i;
        }
        EXPECT_EQ(host.memory.dump(L"HKLM") + host.memory.dump(L"HKCR"), before);
    }
    // The seeds reach both sides of the rule.
    EXPECT_GT(refused, 50u);
    EXPECT_GT(applied, 50u);
}

}  // namespace
}  // namespace volmora::testing
