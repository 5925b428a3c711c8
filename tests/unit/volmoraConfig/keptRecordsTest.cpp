// What apply keeps: a record named in another letter case, a class renamed to its own versioned
// ProgID and back, the ProgID keys the other view wrote in another letter case, and a class
// without a server written as an empty ServerId.
#include <gtest/gtest.h>

#include "../bindObject/classLayout.h"
#include "check/recordFiles.h"
#include "fakeConfigHost.h"

namespace volmora::testing {
namespace {

const std::wstring& root = configRoot;
const std::string jvmMembers = R"("DllPath": "C:\\jvm\\jvm.dll",
                                  "JvmOptions": "-Djava.class.path=C:\\VOLM\\lib\\VOLM.jar")";

// A file with MyJVM and one class, the sample's CLSID with the ProgID given.
std::string classFile(const std::string& progId,
                      const std::string& clsid = "{B036ABD6-EE02-4d8e-8D67-186DFEE9A903}") {
    return R"({"formatVersion": 1, "jvms": {"MyJVM": {)" + jvmMembers + R"(}}, "classes": {")" +
           clsid + R"(": {"JavaClassName": "com.tamsiver.myserver.CoolService",
           "JvmId": "MyJVM", "ProgId": ")" +
           progId + R"("}}})";
}

// Every key and value below HKEY_CLASSES_ROOT.
std::wstring comKeys(const MemoryRegistry& registry) {
    return registry.dump(L"HKCR");
}

// The COM keys that registering the class alone writes on a clean machine.
std::wstring registeredAlone(const ClassOperands& c) {
    FakeConfigHost clean;
    writeLayout(clean.memory, c);
    return comKeys(clean.memory);
}

TEST(KeptRecords, ARecordNamedInAnotherLetterCaseIsTheSameRecord) {
    // Latin Extended-B, beyond any hand-written table of the ASCII and Latin-1 letters.
    const std::wstring lower = L"\u0219JVM";
    FakeConfigHost host;
    putJvm(host.memory, lower);
    host.files[L"f.json"] = R"({"formatVersion": 1, "jvms": {"\u0218JVM": {)" + jvmMembers + "}}}";
    EXPECT_EQ(host.run({L"apply", L"/prune", L"/detailed-exitcode", L"f.json"}), 0) << host.err;
    EXPECT_EQ(fromUtf8(host.out), L"No changes.\n");
    EXPECT_TRUE(host.memory.keyExists(root + L"\\JVMs\\" + lower));
    ASSERT_EQ(host.run({L"export"}), 0);
    EXPECT_NE(host.out.find(utf8(lower)), std::string::npos) << host.out;
}

// A ProgID renamed to its own versioned name shares a key with the old one: the key is made what
// registration writes for the new ProgID, never deleted under it.
TEST(KeptRecords, AClassRenamedToItsVersionedProgIdAndBackEndsAsRegisteredAlone) {
    ClassOperands plain;
    ClassOperands versioned = plain;
    versioned.progId = plain.progId + L".1";
    FakeConfigHost host;
    putJvm(host.memory, L"MyJVM");
    writeLayout(host.memory, plain);
    const std::wstring hklm = host.memory.dump(L"HKLM");
    struct Step {
        const ClassOperands& to;
        std::wstring plan;
    };
    const std::wstring cls = L"~ class {B036ABD6-EE02-4d8e-8D67-186DFEE9A903} (";
    const std::wstring comClass = L"CLSID\\{B036ABD6-EE02-4d8e-8D67-186DFEE9A903}";
    const Step steps[] = {
        {versioned, cls +
                        L"MyServer.CoolService.1)\n"
                        L"    ProgId: \"MyServer.CoolService\" -> \"MyServer.CoolService.1\"\n"
                        L"    COM key \"" +
                        comClass +
                        L"\\ProgId\": \"MyServer.CoolService\" -> \"MyServer.CoolService.1\"\n"
                        L"    COM key \"MyServer.CoolService.1\\CurVer\": (none) -> "
                        L"\"MyServer.CoolService.1.1\"\n"
                        L"    COM key \"MyServer.CoolService.1.1\\CLSID\": (none) -> "
                        L"\"{B036ABD6-EE02-4d8e-8D67-186DFEE9A903}\"\n"
                        L"    COM key \"MyServer.CoolService\\CLSID\": deleted\n"
                        L"    COM key \"MyServer.CoolService\\CurVer\": deleted\n"
                        L"    COM key \"MyServer.CoolService\": deleted\n"
                        L"Plan: 0 to add, 1 to change, 0 to remove.\n"},
        {plain, cls +
                    L"MyServer.CoolService)\n"
                    L"    ProgId: \"MyServer.CoolService.1\" -> \"MyServer.CoolService\"\n"
                    L"    COM key \"" +
                    comClass +
                    L"\\ProgId\": \"MyServer.CoolService.1\" -> \"MyServer.CoolService\"\n"
                    L"    COM key \"MyServer.CoolService\\CLSID\": (none) -> "
                    L"\"{B036ABD6-EE02-4d8e-8D67-186DFEE9A903}\"\n"
                    L"    COM key \"MyServer.CoolService\\CurVer\": (none) -> "
                    L"\"MyServer.CoolService.1\"\n"
                    L"    COM key \"MyServer.CoolService.1\\CurVer\": deleted\n"
                    L"    COM key \"MyServer.CoolService.1.1\\CLSID\": deleted\n"
                    L"    COM key \"MyServer.CoolService.1.1\": deleted\n"
                    L"Plan: 0 to add, 1 to change, 0 to remove.\n"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(utf8(step.to.progId));
        host.files[L"f.json"] = classFile(utf8(step.to.progId));
        ASSERT_EQ(host.run({L"apply", L"f.json"}), 0) << host.err;
        EXPECT_EQ(fromUtf8(host.out),
                  step.plan + L"Apply complete: 0 added, 1 changed, 0 removed.\n");
        EXPECT_EQ(comKeys(host.memory), registeredAlone(step.to));
        ASSERT_EQ(host.run({L"apply", L"f.json"}), 0) << host.err;
        EXPECT_EQ(fromUtf8(host.out), L"No changes.\n");
    }
    EXPECT_EQ(host.memory.dump(L"HKLM"), hklm);
}

// Both views share the ProgID keys; the other view's program wrote them with its record's
// spelling of the CLSID and the ProgID. They are the same keys and names, so neither view's
// apply rewrites what the other wrote.
TEST(KeptRecords, TheViewsDoNotRewriteEachOthersProgIdKeysOverLetterCase) {
    ClassOperands other;
    other.clsid = L"{b036abd6-ee02-4d8e-8d67-186dfee9a903}";
    other.progId = L"myserver.coolservice";
    FakeConfigHost host;
    putJvm(host.memory, L"MyJVM");
    host.memory.putText(otherConfigRoot + L"\\CLSIDs\\" + other.clsid, L"ProgId", other.progId);
    for (const LayoutWrite& write : classLayout(other)) {
        if (write.key.starts_with(L"HKCR\\" + other.progId) && write.name) {
            host.memory.putText(write.key, *write.name, write.text);
        }
    }
    const std::wstring shared = host.memory.dump(L"HKCR\\MyServer.CoolService") +
                                host.memory.dump(L"HKCR\\MyServer.CoolService.1");
    host.files[L"f.json"] = classFile("MyServer.CoolService");
    ASSERT_EQ(host.run({L"apply", L"f.json"}), 0) << host.err;
    // The record is added; the COM keys are already what registration writes.
    EXPECT_EQ(fromUtf8(host.out),
              L"+ class {B036ABD6-EE02-4d8e-8D67-186DFEE9A903} (MyServer.CoolService)\n"
              L"Plan: 1 to add, 0 to change, 0 to remove.\n"
              L"Apply complete: 1 added, 0 changed, 0 removed.\n");
    ASSERT_EQ(host.run({L"apply", L"/detailed-exitcode", L"f.json"}), 0) << host.err;
    EXPECT_EQ(fromUtf8(host.out), L"No changes.\n");
    EXPECT_EQ(host.memory.dump(L"HKCR\\MyServer.CoolService") +
                  host.memory.dump(L"HKCR\\MyServer.CoolService.1"),
              shared);
}

// An empty ServerId is no server for the programs and for check; apply takes it the same way,
// so the round trip of such a machine is exact.
TEST(KeptRecords, AnEmptyServerIdRoundTrips) {
    FakeConfigHost machine;
    putJvm(machine.memory, L"MyJVM");
    writeLayout(machine.memory, ClassOperands{});
    machine.memory.putText(root + L"\\CLSIDs\\{B036ABD6-EE02-4d8e-8D67-186DFEE9A903}", L"ServerId",
                           L"");
    machine.fileSystem.files[L"C:\\jvm\\jvm.dll"] = {};
    machine.fileSystem.files[L"C:\\VOLM\\bin\\VOLM.dll"] = imageHeader(config::ownMachine);
    ASSERT_EQ(machine.run({L"check"}), 0) << fromUtf8(machine.out);
    ASSERT_EQ(machine.run({L"export"}), 0);
    EXPECT_EQ(machine.err, L"");

    const std::string exported = machine.out;
    EXPECT_NE(exported.find("\"ServerId\": \"\""), std::string::npos) << exported;

    FakeConfigHost empty;
    empty.files[L"f.json"] = exported;
    ASSERT_EQ(empty.run({L"apply", L"f.json"}), 0) << empty.err;
    ASSERT_EQ(empty.run({L"export"}), 0);
    EXPECT_EQ(empty.out, exported);
}

}  // namespace
}  // namespace volmora::testing
