// What a first install's rollback keeps: the note of a key as it stood before the install, as one
// line of the rollback's data and back, and the rollback that puts every noted key back exactly
// or removes it when the install made it.
#include <gtest/gtest.h>

#include <string>
#include <variant>

#include "memoryRegistry.h"
#include "notedRollback.h"

namespace volmora::msistep {
namespace {

using testing::MemoryRegistry;
using testing::RegistryCall;
using testing::StoredValue;

const std::wstring jvms = L"HKLM\\SOFTWARE\\Tamsiver Software\\VOLM\\JVMs";
const std::wstring jvmPath = L"SOFTWARE\\Tamsiver Software\\VOLM\\JVMs\\SampleJVM";
// Where a noted key of HKEY_CLASSES_ROOT is read and put back: the machine's own classes.
const std::wstring machineClasses = L"HKLM\\SOFTWARE\\Classes\\";

StoredValue bytes(std::uint32_t type, std::vector<std::uint8_t> data) {
    return {type, std::move(data)};
}

KeyNote noted(MemoryRegistry& registry, NotedRoot root, const std::wstring& path) {
    auto note = noteKey(registry, root, path);
    EXPECT_TRUE(std::holds_alternative<KeyNote>(note));
    return std::holds_alternative<KeyNote>(note) ? std::get<KeyNote>(note) : KeyNote{};
}

// Whatever a key holds survives its note's one line: names with line breaks, blanks and
// characters beyond ASCII, every value type, NUL characters inside a text, empty data, nested
// keys; and the line holds no line break of its own.
TEST(KeyNote, CarriesTheKeyWholeInOneLine) {
    const struct {
        const char* what;
        std::vector<std::pair<std::wstring, std::pair<std::wstring, StoredValue>>> values;
    } cases[] = {
        {"nothing below it", {}},
        {"a text with NULs inside and a default value",
         {{L"", {L"", bytes(1, {'a', 0, 0, 0, 'b', 0, 0, 0})}},
          {L"", {L"Classpath", bytes(1, {'C', 0, ':', 0, 0, 0})}}}},
        {"names that would break a line",
         {{L"", {L"two\nlines\r", bytes(4, {1, 2, 3, 4})}},
          {L"Sub key \x0218", {L"val ue", bytes(3, {})}},
          {L"Sub key \x0218\\deeper", {L"", bytes(7, {'x', 0, 0, 0, 0, 0})}}}},
        {"an unusual type", {{L"", {L"odd", bytes(0x12345678, {0xFF})}}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        MemoryRegistry registry;
        registry.putKey(jvms + L"\\SampleJVM");
        for (const auto& [subkey, value] : c.values) {
            registry.putValue(jvms + L"\\SampleJVM" + (subkey.empty() ? L"" : L"\\" + subkey),
                              value.first, value.second);
        }
        const KeyNote note = noted(registry, NotedRoot::localMachine, jvmPath);
        ASSERT_TRUE(note.before.has_value());
        const std::wstring item = noteItem(note);
        EXPECT_EQ(item.find_first_of(L"\r\n"), std::wstring::npos)
            << ::testing::PrintToString(item);
        const auto read = readNoteItem(item);
        ASSERT_TRUE(std::holds_alternative<KeyNote>(read)) << std::get<Fault>(read).text;
        EXPECT_EQ(std::get<KeyNote>(read), note);
        EXPECT_EQ(registry.openHandles(), 0u);
    }
    MemoryRegistry empty;
    const KeyNote absent = noted(empty, NotedRoot::classesRoot, L"CLSID\\{x}");
    EXPECT_FALSE(absent.before.has_value());
    EXPECT_EQ(noteItem(absent), L"noted HKCR 0043004c005300490044005c007b0078007d absent");
    EXPECT_EQ(std::get<KeyNote>(readNoteItem(noteItem(absent))), absent);
}

TEST(KeyNote, RefusesALineThatIsNoNote) {
    for (const std::wstring item : {
             L"",
             L"noted",
             L"noted HKCU 0041 absent",
             L"noted HKLM - absent",
             L"noted HKLM 0041 gone",
             L"noted HKLM 0041 absent more",
             L"noted HKLM 004 absent",
             L"noted HKLM 00G1 absent",
             L"noted HKLM 0041 present v 0041 1",
             L"noted HKLM 0041 present v 0041 x 00",
             L"noted HKLM 0041 present v 0041 1 0",
             L"noted HKLM 0041 present k 0042 v 0041 1 00",
             L"noted HKLM 0041 present k - e",
             L"noted HKLM 0041 present e",
             L"noted HKLM 0041 present q",
             L"SampleJVM",
         }) {
        EXPECT_TRUE(std::holds_alternative<Fault>(readNoteItem(item)))
            << ::testing::PrintToString(item);
    }
}

TEST(KeyNote, ReadingAKeyThatCannotBeReadWholeIsAnError) {
    for (const RegistryCall call :
         {RegistryCall::openKey, RegistryCall::enumValue, RegistryCall::enumKey}) {
        MemoryRegistry registry;
        registry.putText(jvms + L"\\SampleJVM\\Sub", L"DllPath", L"C:\\jvm.dll");
        registry.failCall(call, jvms + L"\\SampleJVM\\Sub", 5);
        const auto note = noteKey(registry, NotedRoot::localMachine, jvmPath);
        ASSERT_TRUE(std::holds_alternative<long>(note)) << static_cast<int>(call);
        EXPECT_EQ(std::get<long>(note), 5);
        EXPECT_EQ(registry.openHandles(), 0u);
    }
}

// After any change the install made, putting the note back leaves the key as it was before,
// value for value and in the letter case its names had; a key the install made goes, and its
// parent stays.
TEST(KeyRestore, LeavesTheKeyAsItWasBeforeTheInstall) {
    const std::wstring key = jvms + L"\\SampleJVM";
    const struct {
        const char* what;
        bool existed;
        void (*install)(MemoryRegistry&, const std::wstring& key);
    } cases[] = {
        {"values overwritten, added and removed", true,
         [](MemoryRegistry& registry, const std::wstring& at) {
             registry.putText(at, L"DLLPATH", L"C:\\installed\\jvm.dll");
             registry.putText(at, L"Added", L"x");
             registry.removeValue(at, L"JvmOptions");
         }},
        {"subkeys added and changed", true,
         [](MemoryRegistry& registry, const std::wstring& at) {
             registry.putText(at + L"\\New\\Deeper", L"", L"x");
             registry.putText(at + L"\\OLD", L"Kept", L"changed");
         }},
        {"the key deleted", true,
         [](MemoryRegistry& registry, const std::wstring&) {
             const std::wstring parent = jvmPath.substr(0, jvmPath.rfind(L'\\'));
             RegKey parentKey(registry);
             ASSERT_EQ(parentKey.open(localMachine, parent, KeyAccess::allAccess), status::success);
             ASSERT_EQ(registry.deleteKey(parentKey.handle(), L"SampleJVM\\Old"), status::success);
             ASSERT_EQ(registry.deleteKey(parentKey.handle(), L"SampleJVM"), status::success);
         }},
        {"nothing changed", true, [](MemoryRegistry&, const std::wstring&) {}},
        {"a key the install made", false,
         [](MemoryRegistry& registry, const std::wstring& at) {
             registry.putText(at + L"\\Sub", L"DllPath", L"C:\\jvm.dll");
         }},
        {"a key the install never wrote", false, [](MemoryRegistry&, const std::wstring&) {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        MemoryRegistry registry;
        registry.putText(jvms + L"\\OtherJVM", L"DllPath", L"C:\\other.dll");
        if (c.existed) {
            registry.putText(key, L"DllPath", L"C:\\before\\jvm.dll");
            registry.putValue(key, L"JvmOptions", bytes(1, {'-', 0, 0, 0, 'x', 0, 0, 0}));
            registry.putText(key + L"\\Old", L"Kept", L"before");
        }
        const std::wstring before = registry.dump(jvms);
        const KeyNote note = noted(registry, NotedRoot::localMachine, jvmPath);
        c.install(registry, key);
        ASSERT_EQ(restoreKey(registry, note), status::success);
        EXPECT_EQ(registry.dump(jvms), before);
        EXPECT_EQ(registry.openHandles(), 0u);
    }
}

TEST(KeyRestore, AWriteThatFailsIsReported) {
    const std::wstring key = jvms + L"\\SampleJVM";
    const struct {
        RegistryCall call;
        std::wstring target;
    } cases[] = {
        {RegistryCall::setValue, key + L"@DllPath"},
        {RegistryCall::deleteValue, key + L"@Added"},
        {RegistryCall::deleteKey, key + L"\\New"},
        {RegistryCall::createKey, key + L"\\Old"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.target));
        MemoryRegistry registry;
        registry.putText(key, L"DllPath", L"C:\\before\\jvm.dll");
        registry.putText(key + L"\\Old", L"Kept", L"before");
        const KeyNote note = noted(registry, NotedRoot::localMachine, jvmPath);
        registry.putText(key, L"Added", L"x");
        registry.putKey(key + L"\\New");
        registry.failCall(c.call, c.target, 5, true);
        EXPECT_EQ(restoreKey(registry, note), 5);
        EXPECT_EQ(registry.openHandles(), 0u);
    }
}

// Each rollback notes the keys that its step writes, read from the names in its data.
TEST(NotedRollback, NotesTheKeysThatItsStepWrites) {
    const std::wstring clsid = L"{9D3A4E2F-7B61-4F08-B5C2-3E8A1D6F0C57}";
    const std::wstring iid = L"{5E0C7A21-9B3D-4F68-A1E4-2C8D6B0F3A97}";
    const std::wstring lib = L"{6C1E2B7A-3F0D-4E8B-9A52-1D7C4F0B9E31}";
    const struct {
        RollbackKind kind;
        std::wstring data;
        std::vector<std::wstring> keys;  // empty: the data is refused
    } cases[] = {
        {RollbackKind::jvm, L"1\nSampleJVM", {L"HKLM\\" + jvmPath}},
        {RollbackKind::server,
         L"1\nSampleServer",
         {L"HKLM\\SOFTWARE\\Tamsiver Software\\VOLM\\Servers\\SampleServer"}},
        {RollbackKind::javaClass,
         L"2\nVolmoraSample.Greeter\n" + clsid,
         {L"HKLM\\SOFTWARE\\Tamsiver Software\\VOLM\\CLSIDs\\" + clsid, L"HKCR\\CLSID\\" + clsid,
          L"HKCR\\VolmoraSample.Greeter", L"HKCR\\VolmoraSample.Greeter.1"}},
        {RollbackKind::typeLibrary,
         L"5\n" + lib + L"\n1.0\n0\nwin64\n" + iid,
         {L"HKCR\\TypeLib\\" + lib, L"HKCR\\Interface\\" + iid}},
        {RollbackKind::javaClass, L"1\nVolmoraSample.Greeter", {}},
        {RollbackKind::jvm, L"2\nSampleJVM\nOther", {}},
        {RollbackKind::typeLibrary, L"1\n" + lib, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.data));
        MemoryRegistry registry;
        registry.putText(machineClasses + L"VolmoraSample.Greeter\\CLSID", L"", clsid);
        // What a user's own view of HKEY_CLASSES_ROOT shows is not the machine's, and is not
        // noted.
        registry.putText(L"HKCR\\VolmoraSample.Greeter.1\\CLSID", L"", clsid);
        const auto result = withNotes(registry, c.kind, c.data);
        if (c.keys.empty()) {
            EXPECT_TRUE(std::holds_alternative<Fault>(result));
            continue;
        }
        ASSERT_TRUE(std::holds_alternative<std::wstring>(result)) << std::get<Fault>(result).text;
        // Noting again replaces the notes rather than adding to them.
        const auto again = withNotes(registry, c.kind, std::get<std::wstring>(result));
        ASSERT_TRUE(std::holds_alternative<std::wstring>(again));
        EXPECT_EQ(std::get<std::wstring>(again), std::get<std::wstring>(result));

        const auto split = splitNotes(std::get<std::wstring>(result));
        ASSERT_TRUE(std::holds_alternative<NotedData>(split)) << std::get<Fault>(split).text;
        const NotedData& notedData = std::get<NotedData>(split);
        EXPECT_EQ(notedData.data, c.data);
        std::vector<std::wstring> keys;
        for (const KeyNote& note : notedData.notes) {
            keys.push_back(notedKeyName(note));
            EXPECT_EQ(note.before.has_value(), note.path == L"VolmoraSample.Greeter");
        }
        EXPECT_EQ(keys, c.keys);
        EXPECT_EQ(anyKeyExisted(notedData.notes), c.kind == RollbackKind::javaClass);
    }
}

TEST(NotedRollback, TheRollbacksToNoteAreNamedWithTheirEntries) {
    const struct {
        std::wstring data;
        std::vector<std::pair<std::wstring, RollbackKind>> rollbacks;  // empty: refused
    } cases[] = {
        {L"2\nRollbackJvm=RemoveJvm\nRollbackTypeLib=RemoveTypeLibrary",
         {{L"RollbackJvm", RollbackKind::jvm}, {L"RollbackTypeLib", RollbackKind::typeLibrary}}},
        {L"2\nRollbackServer=RemoveServer\nRollbackClass=RemoveClass",
         {{L"RollbackServer", RollbackKind::server}, {L"RollbackClass", RollbackKind::javaClass}}},
        {L"1\nRollbackJvm=RunVolmoraStep", {}},
        {L"1\nRollbackJvm", {}},
        {L"1\n=RemoveJvm", {}},
        {L"1\nRollbackJvm=removejvm", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.data));
        const auto read = readNotedRollbacks(c.data);
        if (c.rollbacks.empty()) {
            EXPECT_TRUE(std::holds_alternative<Fault>(read));
            continue;
        }
        ASSERT_TRUE(std::holds_alternative<std::vector<NotedRollback>>(read));
        const auto& rollbacks = std::get<std::vector<NotedRollback>>(read);
        ASSERT_EQ(rollbacks.size(), c.rollbacks.size());
        for (std::size_t i = 0; i < rollbacks.size(); ++i) {
            EXPECT_EQ(rollbacks[i].property, c.rollbacks[i].first);
            EXPECT_EQ(rollbacks[i].kind, c.rollbacks[i].second);
        }
    }
}

// A class whose ProgID keys another product had registered: the rollback puts those back and
// removes the record and CLSID key that the install made, and says so; a key that cannot be
// put back is named.
TEST(NotedRollback, PutsBackWhatExistedAndRemovesWhatTheInstallMade) {
    const std::wstring clsid = L"{9D3A4E2F-7B61-4F08-B5C2-3E8A1D6F0C57}";
    const std::wstring data = L"2\nVolmoraSample.Greeter\n" + clsid;
    for (const bool failing : {false, true}) {
        SCOPED_TRACE(failing ? "a key that cannot be put back" : "every key put back");
        MemoryRegistry registry;
        registry.putText(machineClasses + L"VolmoraSample.Greeter\\CLSID", L"", L"{other}");
        registry.putText(machineClasses + L"VolmoraSample.Greeter.1\\CLSID", L"", L"{other}");
        // The parent keys are the bridge's and the system's: a rollback leaves them.
        registry.putKey(L"HKLM\\SOFTWARE\\Tamsiver Software\\VOLM\\CLSIDs");
        registry.putKey(machineClasses + L"CLSID");
        const std::wstring before = registry.dump(L"HKCR") + registry.dump(L"HKLM");
        const auto notes = withNotes(registry, RollbackKind::javaClass, data);
        ASSERT_TRUE(std::holds_alternative<std::wstring>(notes));
        // What the registration writes.
        registry.putText(L"HKLM\\SOFTWARE\\Tamsiver Software\\VOLM\\CLSIDs\\" + clsid, L"ProgId",
                         L"VolmoraSample.Greeter");
        registry.putText(machineClasses + L"CLSID\\" + clsid + L"\\InprocServer32", L"",
                         L"C:\\VOLM.dll");
        registry.putText(machineClasses + L"VolmoraSample.Greeter\\CLSID", L"", clsid);
        registry.putText(machineClasses + L"VolmoraSample.Greeter\\CurVer", L"",
                         L"VolmoraSample.Greeter.1");
        registry.putText(machineClasses + L"VolmoraSample.Greeter.1\\CLSID", L"", clsid);
        if (failing) {
            registry.failCall(RegistryCall::setValue,
                              machineClasses + L"VolmoraSample.Greeter.1\\CLSID@", 5, true);
        }
        const auto split = std::get<NotedData>(splitNotes(std::get<std::wstring>(notes)));
        const RemovalReport report =
            restoreNotedKeys(registry, L"class VolmoraSample.Greeter", split.notes);
        EXPECT_EQ(report.failed, failing);
        if (failing) {
            EXPECT_EQ(report.text,
                      L"cannot put back HKCR\\VolmoraSample.Greeter.1 of class "
                      L"VolmoraSample.Greeter as it stood before the install: error=5");
            continue;
        }
        EXPECT_EQ(report.text,
                  L"class VolmoraSample.Greeter put back as it stood before the install: "
                  L"HKCR\\VolmoraSample.Greeter, HKCR\\VolmoraSample.Greeter.1; removed what the "
                  L"install made: HKLM\\SOFTWARE\\Tamsiver Software\\VOLM\\CLSIDs\\" +
                      clsid + L", HKCR\\CLSID\\" + clsid);
        EXPECT_EQ(registry.dump(L"HKCR") + registry.dump(L"HKLM"), before);
    }
}

}  // namespace
}  // namespace volmora::msistep
