// What volmoraConfig holds at once at fleet scale: the texts of thousands of records in an arena
// whose views stay valid, and an export, a plan and a journal that go out in pieces as they are
// made, never whole.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>

#include "fakeConfigHost.h"
#include "journal/journaledWrites.h"
#include "model/configuration.h"
#include "model/textArena.h"

namespace volmora::testing {
namespace {

TEST(TextArena, KeptTextsStayWhereTheyAreHoweverManyFollow) {
    // Lengths about the arena's blocks (64 KB: 32,768 characters) and a quarter of one, where a
    // text gets a block of its own, mixed with lists that need their own alignment.
    const std::size_t lengths[] = {0, 1, 7, 8191, 8192, 8193, 32767, 32768, 40000, 100000};
    std::mt19937 random(20261208);
    config::TextArena arena;
    std::vector<std::wstring> texts;
    std::vector<std::wstring_view> kept;
    std::vector<std::span<config::Value>> lists;
    for (int i = 0; i < 600; ++i) {
        std::wstring text(lengths[random() % std::size(lengths)], L'\0');
        for (wchar_t& c : text) {
            c = static_cast<wchar_t>(L'A' + random() % 26);
        }
        kept.push_back(arena.keep(text));
        texts.push_back(std::move(text));
        const config::Value values[] = {{kept.back(), kept.front()}, {kept.front(), kept.back()}};
        lists.push_back(arena.keep(std::span<const config::Value>(values, 1 + random() % 2)));
    }
    for (std::size_t i = 0; i < texts.size(); ++i) {
        ASSERT_EQ(kept[i], texts[i]) << i;
        ASSERT_EQ(reinterpret_cast<std::uintptr_t>(lists[i].data()) % alignof(config::Value), 0u);
        EXPECT_EQ(lists[i][0].name, texts[i]) << i;
        EXPECT_EQ(lists[i][0].text, texts[0]) << i;
    }
}

// A machine with a JVM and classes that use it, as bindObject leaves them.
void putClasses(FakeConfigHost& host, int classes) {
    putJvm(host.memory, L"MyJVM");
    for (int i = 0; i < classes; ++i) {
        wchar_t clsid[40];
        std::swprintf(clsid, 40, L"{B036ABD6-EE02-4d8e-8D67-%012d}", i);
        const std::wstring key = configRoot + L"\\CLSIDs\\" + clsid;
        host.memory.putText(key, L"JavaClassName", L"com.tamsiver.myserver.CoolService");
        host.memory.putText(key, L"JvmId", L"MyJVM");
        host.memory.putText(key, L"ProgId", L"Bench.Class" + std::to_wstring(i));
    }
}

TEST(VolmoraConfig, ALongExportPlanOrJournalGoesOutInPieces) {
    // 3,000 classes: an export of over 400 KB, a plan of a line a class, a journal of 3 keys a
    // class. Each goes out in pieces of about 64 KB.
    constexpr std::size_t piece = 64 * 1024 + 1024;
    FakeConfigHost machine;
    putClasses(machine, 3000);
    ASSERT_EQ(machine.run({L"export"}), 0) << machine.err;
    EXPECT_GT(machine.out.size(), 400'000u);
    EXPECT_LE(machine.largestOut.bytes, piece);
    const std::string exported = machine.out;
    ASSERT_EQ(machine.run({L"export", L"all.json"}), 0) << machine.err;
    EXPECT_EQ(machine.files[L"all.json"], exported);
    EXPECT_LE(machine.largestFile.bytes, piece);
    EXPECT_GT(machine.largestFile.pieces, 5u);

    FakeConfigHost empty;
    empty.files[L"all.json"] = machine.files[L"all.json"];
    ASSERT_EQ(empty.run({L"apply", L"/check", L"all.json"}), 0) << empty.err;
    EXPECT_NE(empty.out.find("Plan: 3001 to add, 0 to change, 0 to remove."), std::string::npos);
    EXPECT_LE(empty.largestOut.bytes, piece);
    EXPECT_GE(empty.largestOut.pieces, 3u);

    ASSERT_EQ(empty.run({L"apply", L"all.json"}), 0) << empty.err;
    EXPECT_EQ(empty.journalStore.written, 1u);
    EXPECT_FALSE(empty.journalStore.journal.has_value());
    EXPECT_GT(empty.journalStore.largestAppend, 0u);
    EXPECT_LE(empty.journalStore.largestAppend, piece);
    ASSERT_EQ(empty.run({L"export"}), 0);
    EXPECT_EQ(empty.out, exported);
}

TEST(VolmoraConfig, EachHiveThatChangedIsFlushedOnce) {
    const config::KeyChange record{
        localMachine, L"SOFTWARE\\Tamsiver Software\\VOLM\\JVMs\\MyJVM", {}, {true, {}}};
    const config::KeyChange parent{localMachine, L"SOFTWARE\\Tamsiver Software", {}, {true, {}}};
    const config::KeyChange comClass{classesRoot, L"CLSID\\{B}", {}, {true, {}}};
    const config::KeyChange progId{classesRoot, L"My.Prog", {}, {true, {}}};
    const std::wstring software = L"HKLM\\SOFTWARE";
    const std::wstring machineClasses = L"HKLM\\SOFTWARE\\Classes";
    const std::wstring userClasses = L"HKCU\\Software\\Classes";
    struct Case {
        std::vector<config::KeyChange> changes;
        std::map<std::wstring, long> failures;
        std::set<std::wstring> flushed;
        std::wstring warnings;
    };
    const Case cases[] = {
        {{}, {}, {}, L""},
        {{record, parent}, {}, {software}, L""},
        {{comClass, progId}, {}, {machineClasses, userClasses}, L""},
        {{progId, record, comClass}, {}, {software, machineClasses, userClasses}, L""},
        // A user without classes of their own: nothing to flush there.
        {{comClass}, {{userClasses, status::fileNotFound}}, {machineClasses}, L""},
        {{record, comClass},
         {{software, status::accessDenied}},
         {machineClasses, userClasses},
         L"warning: Can't flush \"HKEY_LOCAL_MACHINE\\SOFTWARE\" key: error=5\n"},
        {{comClass},
         {{userClasses, status::accessDenied}},
         {machineClasses},
         L"warning: Can't flush \"HKEY_CURRENT_USER\\Software\\Classes\" key: error=5\n"},
    };
    for (const Case& c : cases) {
        FakeConfigHost host;
        host.flushFailures = c.failures;
        config::KeysToFlush flush;
        for (const config::KeyChange& change : c.changes) {
            flush.note(change);
        }
        flush.flush(host);
        EXPECT_EQ(host.flushed, c.flushed) << c.changes.size();
        EXPECT_EQ(host.err, c.warnings);
    }
}

}  // namespace
}  // namespace volmora::testing
