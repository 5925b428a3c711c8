// The rollbacks of the JVM, server and class registrations: each removes exactly what the /u form
// of its program removes, by the name in its data, and says what it removed.
#include <gtest/gtest.h>

#include <string>
#include <variant>

#include "../bindObject/classLayout.h"
#include "memoryRegistry.h"
#include "recordPaths.h"
#include "rollbackRemoval.h"

namespace volmora::msistep {
namespace {

using testing::MemoryRegistry;

const std::wstring root = L"HKLM\\SOFTWARE\\Tamsiver Software\\VOLM";

TEST(RecordName, IsTheOneItemOfTheData) {
    const struct {
        std::wstring data;
        std::wstring name;  // empty: refused with that fault
        std::wstring fault;
    } cases[] = {
        {L"1\nSampleJVM", L"SampleJVM", L""},
        {L"1\nSample JVM \"x\"", L"Sample JVM \"x\"", L""},
        {L"0", L"", L"CustomActionData names no record (one item: its name)"},
        {L"1\n", L"", L"CustomActionData names no record (one item: its name)"},
        {L"2\nSampleJVM\nOther", L"", L"CustomActionData names no record (one item: its name)"},
        {L"1\nSample\nJVM", L"",
         L"CustomActionData holds 2 items where its first line names 1: a property's value holds "
         L"a line feed, which would make two arguments of one"},
        {L"SampleJVM", L"", L"CustomActionData does not start with its number of items: SampleJVM"},
    };
    for (const auto& c : cases) {
        const auto read = readRecordName(c.data);
        if (c.fault.empty()) {
            ASSERT_TRUE(std::holds_alternative<std::wstring>(read)) << std::get<Fault>(read).text;
            EXPECT_EQ(std::get<std::wstring>(read), c.name);
        } else {
            ASSERT_TRUE(std::holds_alternative<Fault>(read)) << ::testing::PrintToString(c.data);
            EXPECT_EQ(std::get<Fault>(read).text, c.fault);
        }
    }
}

TEST(RecordRollback, RemovesTheJvmOrServerRecordOfThatNameAlone) {
    const struct {
        const char* what;
        std::wstring_view collection;
        std::wstring kind;
        std::wstring name;
        long failure;  // injected into deleting the record; 0: none
        RemovalReport report;
        bool recordLeft;
    } cases[] = {
        {"a JVM",
         recordCollection::jvms,
         L"JVM",
         L"SampleJVM",
         0,
         {false, L"JVM SampleJVM removed"},
         false},
        {"a server",
         recordCollection::servers,
         L"server",
         L"SampleServer",
         0,
         {false, L"server SampleServer removed"},
         false},
        {"a JVM in another letter case",
         recordCollection::jvms,
         L"JVM",
         L"SAMPLEJVM",
         0,
         {false, L"JVM SAMPLEJVM removed"},
         false},
        {"a JVM never registered",
         recordCollection::jvms,
         L"JVM",
         L"OtherJVM",
         0,
         {false, L"JVM OtherJVM is not registered: nothing to remove"},
         true},
        {"a name that is no key name",
         recordCollection::servers,
         L"server",
         L"SampleServer\\x",
         0,
         {true, L"cannot remove server SampleServer\\x: error=161"},
         true},
        {"no rights",
         recordCollection::jvms,
         L"JVM",
         L"SampleJVM",
         5,
         {true, L"cannot remove JVM SampleJVM: error=5"},
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        MemoryRegistry registry;
        const std::wstring records = root + L"\\" + std::wstring(c.collection);
        const std::wstring record =
            records + L"\\" + (c.kind == L"JVM" ? L"SampleJVM" : L"SampleServer");
        registry.putText(record, L"DllPath", L"C:\\jvm.dll");
        registry.putText(records + L"\\Other", L"DllPath", L"C:\\other.dll");
        // A name with a backslash would reach a key below a record: never one of its own.
        const std::wstring nested = records + L"\\" + c.name;
        const bool isNested = c.name.find(L'\\') != std::wstring::npos;
        if (isNested) {
            registry.putKey(nested);
        }
        if (c.failure != 0) {
            registry.failCall(testing::RegistryCall::deleteKey, record, c.failure);
        }
        const RemovalReport report = removeNamedRecord(registry, c.collection, c.kind, c.name);
        EXPECT_EQ(report.failed, c.report.failed);
        EXPECT_EQ(report.text, c.report.text);
        EXPECT_EQ(registry.keyExists(record), c.recordLeft);
        EXPECT_TRUE(registry.keyExists(records + L"\\Other"));
        if (isNested) {
            EXPECT_TRUE(registry.keyExists(nested));
        }
        EXPECT_EQ(registry.openHandles(), 0u);
    }
}

const std::wstring otherRecords = L"HKLM-other\\SOFTWARE\\Tamsiver Software\\VOLM\\CLSIDs";

// As bindObject /u: the record found by its ProgId character for character, the COM keys leaves
// first, the shared ProgID keys kept while the other view's record uses them, the record last.
TEST(ClassRollback, RemovesTheClassAsUnregisteringItDoes) {
    const testing::ClassOperands sample;
    const std::wstring record = testing::recordsPath + L"\\" + sample.clsid;
    const struct {
        const char* what;
        std::wstring progId;
        std::wstring otherProgId;  // a class record of the other view carries it; empty: none
        testing::RegistryCall failing;
        std::wstring failingKey;  // empty: nothing fails
        RemovalReport report;
        bool recordLeft;
        bool progIdKeysLeft;
    } cases[] = {
        {"alone",
         sample.progId,
         L"",
         {},
         L"",
         {false,
          L"class MyServer.CoolService removed: its record " + sample.clsid + L" and its COM keys"},
         false,
         false},
        {"beside the other view's class",
         sample.progId,
         L"myserver.coolservice",
         {},
         L"",
         {false, L"class MyServer.CoolService removed: its record " + sample.clsid +
                     L" and its COM keys; kept for the other registry view's class: "
                     L"MyServer.CoolService, MyServer.CoolService.1"},
         false,
         true},
        // The record is found by its ProgId as written, character for character.
        {"in another letter case",
         L"myserver.coolservice",
         L"",
         {},
         L"",
         {false, L"class myserver.coolservice is not registered: nothing to remove"},
         true,
         true},
        {"a key that cannot go",
         sample.progId,
         L"",
         testing::RegistryCall::deleteKey,
         L"HKCR\\MyServer.CoolService\\CLSID",
         {true,
          L"cannot remove class MyServer.CoolService: its key MyServer.CoolService\\CLSID: "
          L"error=5"},
         true,
         true},
        {"the record that cannot go",
         sample.progId,
         L"",
         testing::RegistryCall::deleteKey,
         record,
         {true,
          L"cannot remove class MyServer.CoolService: its record " + sample.clsid + L": error=5"},
         true,
         false},
        {"records that cannot be read",
         sample.progId,
         L"",
         testing::RegistryCall::enumKey,
         testing::recordsPath,
         {true,
          L"cannot remove class MyServer.CoolService: the class records cannot be read: "
          L"error=5"},
         true,
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        MemoryRegistry registry;
        testing::writeLayout(registry, sample);
        if (!c.otherProgId.empty()) {
            registry.putText(otherRecords + L"\\" + sample.clsid, L"ProgId", c.otherProgId);
        }
        if (!c.failingKey.empty()) {
            registry.failCall(c.failing, c.failingKey, 5);
        }
        const RemovalReport report = removeClass(registry, c.progId);
        EXPECT_EQ(report.failed, c.report.failed);
        EXPECT_EQ(report.text, c.report.text);
        EXPECT_EQ(registry.keyExists(record), c.recordLeft);
        EXPECT_EQ(registry.keyExists(L"HKCR\\MyServer.CoolService.1\\CLSID"), c.progIdKeysLeft);
        EXPECT_EQ(registry.openHandles(), 0u);
    }
}

}  // namespace
}  // namespace volmora::msistep
