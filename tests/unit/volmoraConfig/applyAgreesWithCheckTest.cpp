// apply and check judge by one set of record rules. Over generated configurations (a fixed seed,
// a bounded count), with names that differ only in letter case, ProgIDs that own each other's
// versioned keys, dangling references and the other view's records sharing the ProgID keys:
// - a machine where check finds no error exports, applies to an empty view and exports again
//   byte for byte;
// - an apply that is accepted leaves a machine where check finds no error and the same file
//   changes nothing a second time; one that is refused changes nothing.
#include <gtest/gtest.h>

#include <random>

#include "../bindObject/classLayout.h"
#include "check/recordFiles.h"
#include "command/verbSupport.h"
#include "command/verbs.h"
#include "fakeConfigHost.h"
#include "model/configFile.h"
#include "plan/applyPlanner.h"
#include "plan/applyRefusals.h"
#include "plan/planText.h"

namespace volmora::testing {
namespace {

const std::wstring& root = configRoot;
const std::wstring& otherRoot = otherConfigRoot;
const std::wstring jvmLibrary = L"C:\\jvm.dll";
const std::wstring validOptions = L"-Xmx64m -Djava.class.path=C:\\VOLM\\lib\\VOLM.jar";

// Small pools, so that names meet: pairs that differ only in letter case, beyond ASCII too,
// and ProgIDs that are each other's versioned names.
const std::vector<std::wstring> jvmNames = {L"J", L"j", L"\u0218J", L"\u0219j", L"K"};
const std::vector<std::wstring> serverNames = {L"S", L"s", L"T", L"\u00C9t\u00E9"};
const std::vector<std::wstring> progIds = {L"A.P", L"a.p", L"A.P.1", L"B.Q", L"B.Q.1", L"C.R"};
const std::vector<std::wstring> clsids = {
    L"{00000000-0000-0000-0000-00000000000A}", L"{00000000-0000-0000-0000-00000000000a}",
    L"{00000000-0000-0000-0000-00000000000B}", L"{00000000-0000-0000-0000-00000000000C}",
    L"{00000000-0000-0000-0000-00000000000D}"};

class Generator {
  public:
    explicit Generator(std::uint32_t seed) : random_(seed) {}

    bool chance(int percent) { return pick(100) < static_cast<std::size_t>(percent); }
    std::size_t pick(std::size_t count) {
        return std::uniform_int_distribution<std::size_t>(0, count - 1)(random_);
    }
    const std::wstring& from(const std::vector<std::wstring>& pool) {
        return pool[pick(pool.size())];
    }

    // A configuration; mostly sound, with a fault now and then.
    config::Configuration configuration() {
        config::Configuration c;
        for (std::size_t n = pick(3); n > 0; --n) {
            add(c, config::Collection::jvms, from(jvmNames),
                {{L"DllPath", jvmLibrary},
                 {L"JvmOptions", chance(95) ? validOptions : std::wstring(L"-Xmx64m")}});
        }
        for (std::size_t n = pick(3); n > 0; --n) {
            std::wstring imports;
            for (std::size_t i = pick(3); i > 0; --i) {
                imports += (imports.empty() ? L"" : L", ") + reference(c.servers, serverNames);
            }
            add(c, config::Collection::servers, from(serverNames),
                {{L"Classpath", L"C:\\s"}, {L"Imports", imports}});
        }
        for (std::size_t n = pick(4); n > 0; --n) {
            std::vector<Texts> values = {{L"JavaClassName", L"com.x.C"},
                                         {L"JvmId", reference(c.jvms, jvmNames)},
                                         {L"ProgId", from(progIds)}};
            if (chance(30)) {
                values.push_back(
                    {L"ServerId", chance(30) ? std::wstring() : reference(c.servers, serverNames)});
            }
            add(c, config::Collection::classes, from(clsids), values);
        }
        config::sortConfiguration(c);
        return c;
    }

  private:
    using Texts = std::pair<std::wstring, std::wstring>;  // a value's name and text

    // A name of a record in records, or now and then any name of the pool.
    std::wstring reference(const std::vector<config::Record>& records,
                           const std::vector<std::wstring>& pool) {
        if (!records.empty() && chance(90)) {
            return std::wstring(records[pick(records.size())].name);
        }
        return from(pool);
    }
    static void add(config::Configuration& c, config::Collection collection,
                    const std::wstring& name, const std::vector<Texts>& values) {
        for (const config::Record& record : c.records(collection)) {
            if (config::sameName(record.name, name)) {
                return;
            }
        }
        c.startRecord(collection, name);
        for (const auto& [valueName, text] : values) {
            c.addValue(valueName, text);
        }
        c.endRecord();
    }

    std::mt19937 random_;
};

// A host whose files check finds: the JVM library and the runtime library for this build.
void provideFiles(FakeConfigHost& host) {
    host.fileSystem.files[jvmLibrary] = {};
    host.fileSystem.files[L"C:\\VOLM\\bin\\VOLM.dll"] = imageHeader(config::ownMachine);
}

// Writes the configuration as the programs leave it, one record after the other; classes get
// their COM keys, a later one's ProgID keys over an earlier one's.
void writeMachine(MemoryRegistry& registry, const config::Configuration& c) {
    for (const config::Collection collection : config::allCollections) {
        for (const config::Record& record : c.records(collection)) {
            const std::wstring key = root + L"\\" +
                                     std::wstring(config::collectionKey(collection)) + L"\\" +
                                     std::wstring(record.name);
            registry.putKey(key);
            for (const config::Value& value : record.values) {
                registry.putText(key, std::wstring(value.name), std::wstring(value.text));
            }
            if (collection != config::Collection::classes) {
                continue;
            }
            ClassOperands operands;
            operands.clsid = record.name;
            operands.progId = *config::findValue(record, L"ProgId");
            for (const LayoutWrite& write : classLayout(operands)) {
                if (write.key.starts_with(L"HKCR") && write.name) {
                    registry.putText(write.key, *write.name, write.text);
                }
            }
        }
    }
}

// The other view's class records, with the ProgID keys its program wrote for them.
void writeOtherView(MemoryRegistry& registry, Generator& generate) {
    for (std::size_t n = generate.pick(3); n > 0; --n) {
        ClassOperands operands;
        operands.clsid = generate.from(clsids);
        operands.progId = generate.from(progIds);
        registry.putText(otherRoot + L"\\CLSIDs\\" + operands.clsid, L"ProgId", operands.progId);
        for (const LayoutWrite& write : classLayout(operands)) {
            if (write.key.starts_with(L"HKCR\\" + operands.progId) && write.name) {
                registry.putText(write.key, *write.name, write.text);
            }
        }
    }
}

std::wstring everything(const MemoryRegistry& registry) {
    return registry.dump(L"HKLM") + registry.dump(L"HKLM-other") + registry.dump(L"HKCR");
}

constexpr std::uint32_t seed = 20261208;
constexpr int rounds = 600;

TEST(ApplyAgreesWithCheck, AMachineWithoutErrorsRoundTripsExactly) {
    Generator generate(seed);
    int clean = 0;
    for (int round = 0; round < rounds; ++round) {
        FakeConfigHost machine;
        provideFiles(machine);
        writeMachine(machine.memory, generate.configuration());
        if (machine.run({L"check"}) != 0) {
            continue;
        }
        ++clean;
        ASSERT_EQ(machine.run({L"export"}), 0);
        const std::string exported = machine.out;
        SCOPED_TRACE(exported);
        FakeConfigHost empty;
        empty.files[L"f.json"] = exported;
        ASSERT_EQ(empty.run({L"apply", L"f.json"}), 0) << empty.err;
        ASSERT_EQ(empty.run({L"export"}), 0);
        EXPECT_EQ(empty.out, exported);
    }
    // The property holds of enough machines to mean something.
    EXPECT_GT(clean, rounds / 5);
}

TEST(ApplyAgreesWithCheck, WhatApplyAcceptsLeavesNoErrorAndWhatItRefusesNoChange) {
    Generator generate(seed + 1);
    int applied = 0;
    int refused = 0;
    for (int round = 0; round < rounds; ++round) {
        FakeConfigHost host;
        provideFiles(host);
        // A quarter of the rounds start from an empty view.
        if (generate.chance(75)) {
            writeMachine(host.memory, generate.configuration());
        }
        writeOtherView(host.memory, generate);
        if (host.run({L"check"}) != 0) {
            continue;
        }
        const config::Configuration file = generate.configuration();
        host.files[L"f.json"] = config::renderConfiguration(file);
        SCOPED_TRACE(host.files[L"f.json"]);
        const bool prune = generate.chance(50);
        const std::wstring before = everything(host.memory);
        const std::int32_t code =
            prune ? host.run({L"apply", L"/prune", L"f.json"}) : host.run({L"apply", L"f.json"});
        if (code == 3) {
            ++refused;
            EXPECT_EQ(everything(host.memory), before);
            continue;
        }
        ASSERT_EQ(code, 0) << host.err;
        ++applied;
        EXPECT_EQ(host.run({L"check"}), 0) << fromUtf8(host.out);
        const std::int32_t again =
            prune ? host.run({L"apply", L"/prune", L"f.json"}) : host.run({L"apply", L"f.json"});
        EXPECT_EQ(again, 0) << host.err;
        EXPECT_EQ(fromUtf8(host.out), L"No changes.\n");
    }
    EXPECT_GT(applied, rounds / 10);
    EXPECT_GT(refused, rounds / 20);
}

// The writes of every unit, copied out of the unit that the writes hand over.
std::vector<config::WriteUnit> unitsOf(const config::WriteUnits& writes) {
    std::vector<config::WriteUnit> units;
    writes.forEach([&](const config::WriteUnit& unit) {
        units.push_back(unit);
        return true;
    });
    return units;
}

void expectSameUnit(const config::WriteUnit& a, const config::WriteUnit& b) {
    ASSERT_EQ(a.writes.size(), b.writes.size());
    for (std::size_t i = 0; i < a.writes.size(); ++i) {
        EXPECT_EQ(a.writes[i].root, b.writes[i].root);
        EXPECT_EQ(a.writes[i].path, b.writes[i].path);
        EXPECT_EQ(a.writes[i].remove, b.writes[i].remove);
        EXPECT_EQ(a.writes[i].set, b.writes[i].set);
        EXPECT_EQ(a.writes[i].unset, b.writes[i].unset);
    }
    ASSERT_EQ(a.owned.size(), b.owned.size());
    for (std::size_t i = 0; i < a.owned.size(); ++i) {
        EXPECT_EQ(a.owned[i].root, b.owned[i].root);
        EXPECT_EQ(a.owned[i].path, b.owned[i].path);
        EXPECT_EQ(a.owned[i].knownMissing, b.owned[i].knownMissing);
    }
}

TEST(ApplyAgreesWithCheck, EachRecordsWritesAreTheSameAfterAnyOtherRecords) {
    // The writes of a plan are made again record after record in one unit whose room is reused:
    // nothing that an earlier record left in it may reach a later one's writes.
    Generator generate(seed + 2);
    int compared = 0;
    for (int round = 0; round < rounds; ++round) {
        FakeConfigHost host;
        provideFiles(host);
        writeMachine(host.memory, generate.configuration());
        writeOtherView(host.memory, generate);
        const config::Configuration file = generate.configuration();
        const bool prune = generate.chance(50);
        config::Machine machine;
        ASSERT_TRUE(config::readMachine(host, machine));
        if (!config::refusals(file, machine, prune).empty()) {
            continue;
        }
        const std::wstring library = L"C:\\VOLM\\bin\\VOLM.dll";
        config::RegistryComState com(host.memory);
        config::Plan plan;
        config::TextChunks chunks([](std::string_view) {});
        config::PlanText text(chunks);
        ASSERT_EQ(config::makePlan(file, machine, prune, library, com, plan, text).code, 0);
        const std::vector<config::WriteUnit> units =
            unitsOf(config::PlannedWrites(plan, file, machine, library));
        ASSERT_EQ(units.size(), plan.records.size());
        for (std::size_t i = 0; i < plan.records.size(); ++i) {
            config::Plan alone;
            alone.records = {plan.records[i]};
            const std::vector<config::WriteUnit> fresh =
                unitsOf(config::PlannedWrites(alone, file, machine, library));
            ASSERT_EQ(fresh.size(), 1u);
            expectSameUnit(units[i], fresh[0]);
            ++compared;
        }
    }
    EXPECT_GT(compared, rounds / 3);
}

}  // namespace
}  // namespace volmora::testing
