// volmoraConfig export and apply against the in-memory registry: the round trip, the plan, the
// refusals, the ProgID keys that stay or go, all or nothing, and the exit codes.
#include <gtest/gtest.h>

#include <cwchar>
#include <random>

#include "../bindObject/classLayout.h"
#include "command/configCommand.h"
#include "fakeConfigHost.h"
#include "journal/journalFormat.h"
#include "model/configFile.h"
#include "plan/applyPlanner.h"
#include "planJsonLines.h"
#include "sampleMachine.h"

namespace volmora::testing {
namespace {

const std::wstring& root = configRoot;
const std::wstring nothingChanged = L"Nothing was changed.\n";

// The sample, and a server and a JVM that no file below names.
void registerSampleAndOldRecords(MemoryRegistry& registry) {
    registerSample(registry);
    putServer(registry, L"Old");
    putJvm(registry, L"OldJVM");
}

std::wstring state(const MemoryRegistry& registry) {
    return registry.dump(L"HKLM") + registry.dump(L"HKCR");
}

std::wstring outText(const FakeConfigHost& host) {
    return fromUtf8(host.out);
}

// The file that the sample machine exports, with one edit.
std::string sampleFile(
    const std::string& classValues = R"("JavaClassName": "com.tamsiver.myserver.CoolService",
      "JvmId": "MyJVM",
      "ProgId": "MyServer.CoolService",
      "ServerId": "ServerA")") {
    return R"({
  "formatVersion": 1,
  "jvms": {
    "MyJVM": {
      "DllPath": "C:\\jvm\\jvm.dll",
      "JvmOptions": "-Djava.class.path=C:\\VOLM\\lib\\VOLM.jar"
    }
  },
  "servers": {
    "ServerA": {
      "Classpath": "C:\\app",
      "Imports": ""
    }
  },
  "classes": {
    "{B036ABD6-EE02-4d8e-8D67-186DFEE9A903}": {
      )" + classValues +
           R"(
    }
  }
}
)";
}

TEST(VolmoraConfig, ExportThenApplyToAnEmptyViewWritesWhatTheProgramsWroteExactly) {
    FakeConfigHost machine;
    registerSample(machine.memory);
    ASSERT_EQ(machine.run({L"export"}), 0);
    EXPECT_EQ(machine.out, sampleFile());
    EXPECT_EQ(machine.err, L"");

    FakeConfigHost empty;
    empty.files[L"f.json"] = machine.out;
    ASSERT_EQ(empty.run({L"apply", L"f.json"}), 0) << empty.err;
    EXPECT_EQ(outText(empty),
              L"+ jvm MyJVM\n+ server ServerA\n"
              L"+ class {B036ABD6-EE02-4d8e-8D67-186DFEE9A903} "
              L"(MyServer.CoolService)\n"
              L"Plan: 3 to add, 0 to change, 0 to remove.\n"
              L"Apply complete: 3 added, 0 changed, 0 removed.\n");
    EXPECT_EQ(state(empty.memory), state(machine.memory));
    EXPECT_EQ(empty.memory.openHandles(), 0u);

    ASSERT_EQ(empty.run({L"export", L"back.json"}), 0);
    EXPECT_EQ(empty.files[L"back.json"], sampleFile());
    // Idempotent: the same file again changes nothing, and says so.
    for (const auto& detailed : {L"/check", L"/detailed-exitcode", L"-DETAILED-EXITCODE"}) {
        EXPECT_EQ(empty.run({L"apply", detailed, L"f.json"}), 0);
        EXPECT_EQ(outText(empty), L"No changes.\n");
    }
    EXPECT_EQ(state(empty.memory), state(machine.memory));
}

// A text stored with NUL characters after it, as an installer that writes its whole buffer
// leaves one, is its text before the first NUL for export, check and apply alike: export and
// check say of it what they say of the text stored plainly, and it equals the same text in a
// file, so that apply changes nothing and keeps the stored bytes.
TEST(VolmoraConfig, ATextStoredWithNulsAfterItIsTheTextBeforeThem) {
    FakeConfigHost plain;
    registerSample(plain.memory);
    FakeConfigHost machine;
    registerSample(machine.memory);
    const std::wstring server = root + L"\\Servers\\ServerA";
    const StoredValue padded{valueType::sz, {'C', 0, ':', 0, '\\', 0, 'a', 0, 'p', 0, 'p',
                                             0,   0, 0,   0, 0,    0, 0,   0, 0,   0, 0}};
    machine.memory.putValue(server, L"Classpath", padded);
    const std::wstring before = state(machine.memory);

    // What each reading verb says is what it says of the same text stored with one NUL.
    const auto sameAsPlain = [&](std::initializer_list<std::wstring> verb, const char* what) {
        SCOPED_TRACE(what);
        EXPECT_EQ(machine.run(verb), plain.run(verb));
        EXPECT_EQ(machine.out, plain.out);
        EXPECT_EQ(machine.err, plain.err);
    };
    sameAsPlain({L"export"}, "export");
    sameAsPlain({L"check"}, "check");
    sameAsPlain({L"check", L"/json"}, "check /json");
    EXPECT_EQ(machine.run({L"export"}), 0);
    EXPECT_EQ(machine.out, sampleFile());

    machine.files[L"f.json"] = sampleFile();
    EXPECT_EQ(machine.run({L"apply", L"f.json"}), 0) << machine.err;
    EXPECT_EQ(outText(machine), L"No changes.\n");
    EXPECT_EQ(machine.memory.value(server, L"Classpath"), padded);
    EXPECT_EQ(state(machine.memory), before);
}

TEST(VolmoraConfig, ThePlanNamesEachChange) {
    struct Case {
        const char* what;
        void (*arrange)(MemoryRegistry&);
        std::string file;
        std::vector<std::wstring> switches;
        std::wstring plan;
    };
    const std::wstring clsid = L"{B036ABD6-EE02-4d8e-8D67-186DFEE9A903}";
    const std::wstring cls = L"class " + clsid + L" (MyServer.CoolService)";
    const Case cases[] = {
        {"the same configuration", registerSample, sampleFile(), {}, L"No changes.\n"},
        {"a stale ServerId goes",
         registerSample,
         sampleFile(R"("JavaClassName": "com.tamsiver.myserver.CoolService",
                       "JvmId": "MyJVM", "ProgId": "MyServer.CoolService")"),
         {},
         L"~ " + cls +
             L"\n"
             L"    ServerId: \"ServerA\" -> (none)\n"
             L"Plan: 0 to add, 1 to change, 0 to remove.\n"},
        {"a value changes and one is added",
         registerSample,
         sampleFile(R"("JavaClassName": "com.tamsiver.myserver.CoolService",
                       "JvmId": "MyJVM", "ProgId": "MyServer.CoolService",
                       "ServerId": "ServerA", "Note": "x")")
             .replace(sampleFile().find("C:\\\\app"), 7, "D:\\\\app"),
         {},
         L"~ server ServerA\n"
         L"    Classpath: \"C:\\app\" -> \"D:\\app\"\n"
         L"~ " +
             cls +
             L"\n"
             L"    Note: (none) -> \"x\"\n"
             L"Plan: 0 to add, 2 to change, 0 to remove.\n"},
        {"names in another letter case are the same records and values",
         registerSample,
         sampleFile(R"("javaclassname": "com.tamsiver.myserver.CoolService",
                       "JVMID": "MyJVM", "ProgId": "MyServer.CoolService",
                       "ServerId": "ServerA")")
             .replace(sampleFile().find("MyJVM"), 5, "myjvm")
             .replace(sampleFile().find("{B036ABD6"), 38, "{b036abd6-ee02-4D8E-8d67-186dfee9a903}"),
         {},
         L"No changes.\n"},
        {"a COM key put right counts as a change",
         [](MemoryRegistry& r) {
             registerSample(r);
             r.putText(L"HKCR\\CLSID\\{B036ABD6-EE02-4d8e-8D67-186DFEE9A903}\\InprocServer32",
                       L"ThreadingModel", L"Apartment");
             r.removeValue(L"HKCR\\MyServer.CoolService\\CurVer", L"");
         },
         sampleFile(),
         {},
         L"~ " + cls + L"\n    COM key \"CLSID\\" + clsid +
             L"\\InprocServer32\" value ThreadingModel: \"Apartment\" -> \"both\"\n"
             L"    COM key \"MyServer.CoolService\\CurVer\": (none) -> "
             L"\"MyServer.CoolService.1\"\n"
             L"Plan: 0 to add, 1 to change, 0 to remove.\n"},
        {"a new class's writes to keys that are there are shown",
         [](MemoryRegistry& r) {
             putJvm(r, L"MyJVM");
             putServer(r, L"ServerA");
             // Left by a registration that never wrote its record: they lead to the class.
             r.putText(L"HKCR\\MyServer.CoolService\\CLSID", L"",
                       L"{B036ABD6-EE02-4d8e-8D67-186DFEE9A903}");
             r.putText(L"HKCR\\MyServer.CoolService\\CurVer", L"", L"Old.1");
         },
         sampleFile(),
         {},
         L"+ " + cls +
             L"\n    COM key \"MyServer.CoolService\\CurVer\": \"Old.1\" -> "
             L"\"MyServer.CoolService.1\"\n"
             L"Plan: 1 to add, 0 to change, 0 to remove.\n"},
        {"an empty ProgID key holds nothing of anyone's",
         [](MemoryRegistry& r) {
             putJvm(r, L"MyJVM");
             putServer(r, L"ServerA");
             r.putKey(L"HKCR\\MyServer.CoolService");
         },
         sampleFile(),
         {},
         L"+ " + cls + L"\n    COM key \"MyServer.CoolService\\CLSID\": (none) -> \"" + clsid +
             L"\"\n    COM key \"MyServer.CoolService\\CurVer\": (none) -> "
             L"\"MyServer.CoolService.1\"\n"
             L"Plan: 1 to add, 0 to change, 0 to remove.\n"},
        {"records the file does not name stay",
         registerSampleAndOldRecords,
         sampleFile(),
         {},
         L"No changes.\n"},
        {"with /prune they go",
         registerSampleAndOldRecords,
         sampleFile(),
         {L"/prune"},
         L"- server Old\n- jvm OldJVM\nPlan: 0 to add, 0 to change, 2 to remove.\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FakeConfigHost host;
        c.arrange(host.memory);
        host.files[L"f.json"] = c.file;
        const std::wstring before = state(host.memory);
        ArgumentList arguments{L"volmoraConfig", L"apply", L"/check", L"/detailed-exitcode"};
        arguments.insert(arguments.end(), c.switches.begin(), c.switches.end());
        arguments.push_back(L"f.json");
        const bool changes = c.plan != L"No changes.\n";
        EXPECT_EQ(config::runConfigCommand(host, arguments), changes ? 2 : 0) << host.err;
        EXPECT_EQ(outText(host), c.plan);
        EXPECT_EQ(state(host.memory), before);  // /check stops after the plan

        // The JSON plan tells the same, with the same exit code, and changes nothing either.
        ArgumentList json = arguments;
        json.insert(json.begin() + 2, L"/json");
        host.out.clear();
        EXPECT_EQ(config::runConfigCommand(host, json), changes ? 2 : 0) << host.err;
        EXPECT_EQ(applyLinesOfJson(host.out), c.plan);
        EXPECT_EQ(state(host.memory), before);
        host.out.clear();

        // Applied, the same plan is made, and a second run finds nothing to do.
        arguments.erase(arguments.begin() + 2);
        host.out.clear();
        EXPECT_EQ(config::runConfigCommand(host, arguments), changes ? 2 : 0) << host.err;
        EXPECT_TRUE(outText(host).starts_with(c.plan));
        host.out.clear();
        EXPECT_EQ(config::runConfigCommand(host, arguments), 0) << host.err;
        EXPECT_EQ(outText(host), L"No changes.\n");
        EXPECT_EQ(host.memory.openHandles(), 0u);
    }
}

// A file is refused whole, and nothing changes, for a record the programs would not write, a
// reference that would dangle, or a ProgID key that a class with another CLSID that stays owns.
TEST(VolmoraConfig, RefusesAFileThatWouldBreakWhatItKeeps) {
    struct Case {
        const char* what;
        std::string members;  // the file's members after formatVersion
        std::vector<std::wstring> switches;
        std::wstring refusal;
    };
    const std::string jvm = R"("jvms": {"MyJVM": {"DllPath": "C:\\jvm.dll", "JvmOptions":
                                 "-Djava.class.path=C:\\VOLM\\lib\\VOLM.jar"}})";
    const auto oneClass = [&](const std::string& values) {
        return jvm + R"(, "classes": {"{B036ABD6-EE02-4d8e-8D67-186DFEE9A903}": {)" + values + "}}";
    };
    const std::string cls = R"("JavaClassName": "J", "JvmId": "MyJVM", )";
    const std::wstring where = L"class \"{B036ABD6-EE02-4d8e-8D67-186DFEE9A903}\": ";
    const Case cases[] = {
        {"no ProgId",
         oneClass(R"("JavaClassName": "J", "JvmId": "MyJVM")"),
         {},
         where + L"no \"ProgId\" value."},
        {"no JavaClassName and no JvmId",
         oneClass(R"("ProgId": "P")"),
         {},
         where + L"no \"JavaClassName\" value.\n" + where + L"no \"JvmId\" value."},
        {"a JVM without its library",
         R"("jvms": {"J": {"JvmOptions": "-Djava.class.path=C:\\VOLM.jar"}})",
         {},
         L"jvm \"J\": no \"DllPath\" value."},
        {"a JvmId that names nothing",
         oneClass(R"("JavaClassName": "J", "JvmId": "Nope", "ProgId": "P")"),
         {},
         where + L"JvmId \"Nope\" names no jvm record."},
        {"a ServerId that names nothing",
         oneClass(cls + R"("ProgId": "P", "ServerId": "ServerB")"),
         {},
         where + L"ServerId \"ServerB\" names no server record."},
        {"a server only on the machine, after /prune",
         oneClass(cls + R"("ProgId": "P", "ServerId": "Kept")"),
         {L"/prune"},
         where + L"ServerId \"Kept\" names no server record."},
        {"imports of a server that /prune removes",
         R"("servers": {"S": {"Classpath": "C:\\s", "Imports": "Kept, S"}})",
         {L"/prune"},
         L"server \"S\": Imports names no server record \"Kept\"."},
        {"a ProgId that cannot name a key",
         oneClass(cls + R"("ProgId": "a\\b")"),
         {},
         where + L"ProgId \"a\\b\" holds a backslash, so it cannot name a registry key."},
        {"a ProgId whose versioned key would be too long",
         oneClass(cls + "\"ProgId\": \"" + std::string(254, 'p') + "\""),
         {},
         where + L"ProgId \"" + std::wstring(254, L'p') +
             L"\" is longer than 253 characters, so it cannot name a registry key."},
        {"a NUL in a record's name",
         R"("servers": {"a\u0000b": {"Classpath": "C:\\s"}})",
         {},
         L"server \"a" + std::wstring(1, L'\0') +
             L"b\": the name holds a NUL character, so it cannot name a registry key."},
        {"a NUL in a value",
         oneClass(cls + R"("ProgId": "P", "Note": "x\u0000y")"),
         {},
         where + L"value \"Note\" holds a NUL character."},
        {"a NUL in a value's name",
         oneClass(cls + R"("ProgId": "P", "N\u0000": "x")"),
         {},
         where + L"a value name holds a NUL character."},
        {"a ProgID that a class of the other view owns",
         oneClass(cls + R"("ProgId": "OTHER.PROG")"),
         {},
         where + L"ProgId \"OTHER.PROG\" would take the key \"OTHER.PROG\" of class "
                 L"\"{0AAAAAAA-0000-0000-0000-000000000000}\" of the other registry view, which "
                 L"shares the ProgID keys."},
        {"the versioned key of a ProgID that the other view owns",
         oneClass(cls + R"("ProgId": "Other.Prog.1")"),
         {},
         where + L"ProgId \"Other.Prog.1\" would take the key \"Other.Prog.1\" of class "
                 L"\"{0AAAAAAA-0000-0000-0000-000000000000}\" of the other registry view, which "
                 L"shares the ProgID keys."},
        {"a ProgID that a class of this machine that stays owns",
         oneClass(cls + R"("ProgId": "shared.prog")"),
         {},
         where + L"ProgId \"shared.prog\" would take the key \"shared.prog\" of class "
                 L"\"{11111111-0000-0000-0000-000000000000}\", which stays: name that class in "
                 L"the file with another ProgId, or use /prune to remove it."},
        {"two classes of the file whose ProgIDs own one key",
         jvm + R"(, "classes": {
             "{AAAAAAAA-0000-0000-0000-000000000000}": {"JavaClassName": "J", "JvmId": "MyJVM",
                                                        "ProgId": "P.1"},
             "{BBBBBBBB-0000-0000-0000-000000000000}": {"JavaClassName": "J", "JvmId": "MyJVM",
                                                        "ProgId": "p"}})",
         {L"/prune"},
         L"classes \"{AAAAAAAA-0000-0000-0000-000000000000}\" and "
         L"\"{BBBBBBBB-0000-0000-0000-000000000000}\" both own the ProgID key \"P.1\" (ProgIds "
         L"\"P.1\" and \"p\")."},
        {"a CLSID that is no GUID",
         jvm + R"(, "classes": {"not-a-guid": {"JavaClassName": "J", "JvmId": "MyJVM",
                                                "ProgId": "P"}})",
         {},
         L"class \"not-a-guid\": the CLSID is not a GUID in braces, so COM cannot use it."},
        {"another product's ProgID",
         oneClass(cls + R"("ProgId": "scripting.filesystemobject")"),
         {},
         where + L"ProgId \"scripting.filesystemobject\" would take the key "
                 L"\"HKEY_CLASSES_ROOT\\scripting.filesystemobject\", which belongs to class "
                 L"\"{0D43FE01-F093-11CF-8940-00A0C9054228}\", which has no bridge record."},
        {"the versioned key of another product's ProgID",
         oneClass(cls + R"("ProgId": "Acme.Tool")"),
         {},
         where + L"ProgId \"Acme.Tool\" would take the key \"HKEY_CLASSES_ROOT\\Acme.Tool.1\", "
                 L"which belongs to class \"{0D43FE01-F093-11CF-8940-00A0C9054228}\", which has "
                 L"no bridge record."},
        {"the key of every COM class, in another letter case",
         oneClass(cls + R"("ProgId": "clsid")"),
         {},
         where + L"ProgId \"clsid\" names the key \"HKEY_CLASSES_ROOT\\clsid\", which COM or "
                 L"the system keeps."},
        {"the key of every interface",
         oneClass(cls + R"("ProgId": "INTERFACE")"),
         {},
         where + L"ProgId \"INTERFACE\" names the key \"HKEY_CLASSES_ROOT\\INTERFACE\", which "
                 L"COM or the system keeps."},
        {"a file type that is not there",
         oneClass(cls + R"("ProgId": ".volm")"),
         {},
         where + L"ProgId \".volm\" names the key \"HKEY_CLASSES_ROOT\\.volm\", which COM or "
                 L"the system keeps."},
        {"a key that names no class",
         oneClass(cls + R"("ProgId": "Acme.Document")"),
         {},
         where + L"ProgId \"Acme.Document\" would take the key "
                 L"\"HKEY_CLASSES_ROOT\\Acme.Document\", which belongs to another product (it "
                 L"names no class)."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FakeConfigHost host;
        putServer(host.memory, L"Kept");
        host.memory.putText(
            L"HKLM-other\\SOFTWARE\\Tamsiver Software\\VOLM\\CLSIDs\\"
            L"{0AAAAAAA-0000-0000-0000-000000000000}",
            L"ProgId", L"Other.Prog");
        ClassOperands kept;
        kept.progId = L"Shared.Prog";
        kept.clsid = L"{11111111-0000-0000-0000-000000000000}";
        putJvm(host.memory, L"MyJVM");
        writeLayout(host.memory, kept);
        // Keys of other products: a class of theirs, and a key that leads to no class.
        const std::wstring theirs = L"{0D43FE01-F093-11CF-8940-00A0C9054228}";
        host.memory.putText(L"HKCR\\Scripting.FileSystemObject", L"", L"FileSystem Object");
        host.memory.putText(L"HKCR\\Scripting.FileSystemObject\\CLSID", L"", theirs);
        host.memory.putText(L"HKCR\\Acme.Tool.1\\CLSID", L"", theirs);
        host.memory.putText(L"HKCR\\Acme.Document\\shell\\open", L"", L"Open");
        host.files[L"f.json"] = "{\"formatVersion\": 1, " + c.members + "}";
        const std::wstring before = state(host.memory);
        ArgumentList arguments{L"volmoraConfig", L"apply"};
        arguments.insert(arguments.end(), c.switches.begin(), c.switches.end());
        arguments.push_back(L"f.json");
        EXPECT_EQ(config::runConfigCommand(host, arguments), 3);
        std::wstring expected;
        for (std::size_t start = 0; start < c.refusal.size();) {
            const std::size_t end = std::min(c.refusal.find(L'\n', start), c.refusal.size());
            expected += L"\"f.json\": " + c.refusal.substr(start, end - start) + L"\n";
            start = end + 1;
        }
        EXPECT_EQ(host.err, expected + nothingChanged);
        EXPECT_EQ(host.out, "");
        EXPECT_EQ(state(host.memory), before);
    }
}

TEST(VolmoraConfig, RefusesOptionsTheProgramsWouldRefuse) {
    struct Case {
        std::string options;
        std::wstring refusal;
    };
    const Case cases[] = {
        {"-Xmx1g", L"A non-null \"-Djava.class.path=...\" option must be specified."},
        {"-Djava.class.path=C:\\\\a.jar",
         L"VOLM.jar path must be specified in \"-Djava.class.path=...\" option."},
    };
    for (const auto& c : cases) {
        FakeConfigHost host;
        host.files[L"f.json"] = R"({"formatVersion": 1, "jvms": {"J": {"DllPath": "C:\\jvm.dll",
            "JvmOptions": ")" + c.options +
                                "\"}}}";
        EXPECT_EQ(host.run({L"apply", L"f.json"}), 3);
        EXPECT_EQ(host.err,
                  L"\"f.json\": jvm \"J\": JvmOptions: " + c.refusal + L"\n" + nothingChanged);
        EXPECT_EQ(state(host.memory), state(FakeConfigHost().memory));
    }
}

// A class that goes, or whose ProgID changes, takes each key its old ProgID owns only when that
// key points to it and no record kept in either view owns it.
TEST(VolmoraConfig, ProgIdKeysGoOnlyWhenNothingKeptUsesThem) {
    ClassOperands old;  // MyServer.CoolService
    ClassOperands other = old;
    other.clsid = L"{0BBBBBBB-0000-0000-0000-000000000000}";
    struct Case {
        const char* what;
        void (*arrange)(MemoryRegistry&, const ClassOperands& old, const ClassOperands& other);
        bool plainStays;      // MyServer.CoolService
        bool versionedStays;  // MyServer.CoolService.1
    };
    const Case cases[] = {
        {"nothing else carries it",
         [](MemoryRegistry&, const ClassOperands&, const ClassOperands&) {}, false, false},
        {"registered again for another CLSID, which is kept",
         [](MemoryRegistry& r, const ClassOperands&, const ClassOperands& o) { writeLayout(r, o); },
         true, true},
        {"the other view's record carries it in another case",
         [](MemoryRegistry& r, const ClassOperands&, const ClassOperands& o) {
             r.putText(L"HKLM-other\\SOFTWARE\\Tamsiver Software\\VOLM\\CLSIDs\\" + o.clsid,
                       L"ProgId", L"MYSERVER.COOLSERVICE");
         },
         true, true},
        {"the other view's record of the same class carries it",
         [](MemoryRegistry& r, const ClassOperands& c, const ClassOperands&) {
             r.putText(L"HKLM-other\\SOFTWARE\\Tamsiver Software\\VOLM\\CLSIDs\\" + c.clsid,
                       L"ProgId", c.progId);
         },
         true, true},
        {"the plain key points to another class that has no record",
         [](MemoryRegistry& r, const ClassOperands&, const ClassOperands& o) {
             r.putText(L"HKCR\\MyServer.CoolService\\CLSID", L"", o.clsid);
         },
         true, false},
        {"the versioned key is the ProgID of a class that is kept",
         [](MemoryRegistry& r, const ClassOperands&, const ClassOperands& o) {
             ClassOperands versioned = o;
             versioned.progId = L"MyServer.CoolService.1";
             writeLayout(r, versioned);
         },
         false, true},
    };
    for (const bool prune : {true, false}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.what) + (prune ? ", class pruned" : ", ProgID changed"));
            FakeConfigHost host;
            putJvm(host.memory, L"MyJVM");
            writeLayout(host.memory, old);
            c.arrange(host.memory, old, other);
            // The file keeps the other class when the machine has it, and the old one only when
            // its ProgID changes.
            std::string classes;
            if (const auto otherProgId =
                    host.memory.text(recordsPath + L"\\" + other.clsid, L"ProgId")) {
                classes = R"("{0BBBBBBB-0000-0000-0000-000000000000}": {"JavaClassName":
                    "com.tamsiver.myserver.CoolService", "JvmId": "MyJVM", "ProgId": ")" +
                          utf8(*otherProgId) + "\"}";
            }
            if (!prune) {
                classes += std::string(classes.empty() ? "" : ",") +
                           R"("{B036ABD6-EE02-4d8e-8D67-186DFEE9A903}": {"JavaClassName":
                    "com.tamsiver.myserver.CoolService", "JvmId": "MyJVM", "ProgId": "New.Prog"})";
            }
            host.files[L"f.json"] =
                R"({"formatVersion": 1, "jvms": {"MyJVM": {"DllPath": "C:\\jvm\\jvm.dll",
                    "JvmOptions": "-Djava.class.path=C:\\VOLM\\lib\\VOLM.jar"}}, "classes": {)" +
                classes + "}}";
            const std::wstring plainKeys = host.memory.dump(L"HKCR\\MyServer.CoolService");
            const std::wstring versionedKeys = host.memory.dump(L"HKCR\\MyServer.CoolService.1");
            ASSERT_EQ(host.run({L"apply", prune ? L"/prune" : L"/check", L"f.json"}), 0)
                << host.err;
            if (!prune) {
                ASSERT_EQ(host.run({L"apply", L"f.json"}), 0) << host.err;
                EXPECT_EQ(host.memory.text(L"HKCR\\New.Prog\\CLSID", L""), old.clsid);
            } else {
                EXPECT_FALSE(host.memory.keyExists(recordsPath + L"\\" + old.clsid));
                EXPECT_FALSE(host.memory.keyExists(L"HKCR\\CLSID\\" + old.clsid));
            }
            // A key that stays is left as it was; one that goes, goes whole.
            EXPECT_EQ(host.memory.dump(L"HKCR\\MyServer.CoolService"),
                      c.plainStays ? plainKeys : L"");
            EXPECT_EQ(host.memory.dump(L"HKCR\\MyServer.CoolService.1"),
                      c.versionedStays ? versionedKeys : L"");
        }
    }
}

TEST(VolmoraConfig, AFailedWriteLeavesEverythingAsItWas) {
    const std::wstring newJvm = root + L"\\JVMs\\NewJVM";
    const std::wstring clsid = L"{B036ABD6-EE02-4d8e-8D67-186DFEE9A903}";
    struct Case {
        RegistryCall call;
        std::wstring target;
        std::wstring step;
    };
    const Case cases[] = {
        {RegistryCall::createKey, newJvm, L"Can't create \"NewJVM\" key: error=1021"},
        {RegistryCall::setValue, newJvm + L"@JvmOptions",
         L"Can't set JvmOptions registry value: error=1021"},
        {RegistryCall::deleteValue, root + L"\\CLSIDs\\" + clsid + L"@ServerId",
         L"Can't delete ServerId registry value: error=1021"},
        {RegistryCall::setValue, L"HKCR\\New.Prog\\CurVer@",
         L"Can't set New.Prog\\CurVer registry value: error=1021"},
        {RegistryCall::deleteKey, L"HKCR\\MyServer.CoolService.1",
         L"Can't delete MyServer.CoolService.1 key: error=1021"},
        {RegistryCall::deleteKey, root + L"\\Servers\\Old",
         L"Can't delete \"Old\" key: error=1021"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target);
        FakeConfigHost host;
        registerSample(host.memory);
        putServer(host.memory, L"Old");
        host.memory.putText(L"HKCR\\CLSID\\" + clsid + L"\\AppID", L"", L"{kept}");
        // A JVM to add, a server to prune, and a class whose ProgID and JVM change.
        host.files[L"f.json"] = R"({"formatVersion": 1,
            "jvms": {"MyJVM": {"DllPath": "C:\\jvm\\jvm.dll",
                               "JvmOptions": "-Djava.class.path=C:\\VOLM\\lib\\VOLM.jar"},
                     "NewJVM": {"DllPath": "x", "JvmOptions": "-Djava.class.path=C:\\VOLM.jar"}},
            "servers": {"ServerA": {"Classpath": "C:\\app", "Imports": ""}},
            "classes": {"{B036ABD6-EE02-4d8e-8D67-186DFEE9A903}": {
                "JavaClassName": "com.tamsiver.myserver.CoolService", "JvmId": "NewJVM",
                "ProgId": "New.Prog"}}})";
        const std::wstring before = state(host.memory);
        host.memory.failCall(c.call, c.target, 1021);
        EXPECT_EQ(host.run({L"apply", L"/prune", L"f.json"}), 4);
        EXPECT_EQ(host.err,
                  c.step + L"\nEverything was put back as it was. Nothing was changed.\n");
        EXPECT_EQ(state(host.memory), before);
        EXPECT_EQ(host.memory.openHandles(), 0u);
    }
}

TEST(VolmoraConfig, ARestoreThatFailsListsWhatItCouldNotPutBack) {
    FakeConfigHost host;
    putJvm(host.memory, L"MyJVM");
    host.files[L"f.json"] =
        R"({"formatVersion": 1, "jvms": {"MyJVM": {"DllPath": "D:\\jvm.dll", "JvmOptions":
            "-Djava.class.path=C:\\VOLM\\lib\\VOLM.jar"}, "New": {"DllPath": "D:\\jvm.dll", "JvmOptions":
            "-Djava.class.path=C:\\VOLM\\lib\\VOLM.jar"}}})";
    // The write of DllPath goes through; putting it back fails.
    host.memory.failCall(RegistryCall::createKey, root + L"\\JVMs\\New", 1021);
    host.memory.failLaterCall(RegistryCall::setValue, root + L"\\JVMs\\MyJVM@DllPath", 5, 1);
    EXPECT_EQ(host.run({L"apply", L"f.json"}), 5);
    EXPECT_EQ(host.err,
              L"Can't create \"New\" key: error=1021\n"
              L"These keys could not be put back as they were:\n"
              L"  HKEY_LOCAL_MACHINE\\SOFTWARE\\Tamsiver Software\\VOLM\\JVMs\\MyJVM: "
              L"error=5\n"
              L"The journal \"C:\\ProgramData\\volmoraConfig\\journal\" was kept: run "
              L"\"volmoraConfig recover\" to try again.\n");
    EXPECT_EQ(host.memory.text(root + L"\\JVMs\\MyJVM", L"DllPath"), L"D:\\jvm.dll");
    EXPECT_FALSE(host.memory.keyExists(root + L"\\JVMs\\New"));
    // The journal stays for recover, which puts the rest back once the registry lets it.
    EXPECT_TRUE(host.journalStore.journal);
    EXPECT_EQ(host.run({L"recover"}), 0) << host.err;
    EXPECT_EQ(host.memory.text(root + L"\\JVMs\\MyJVM", L"DllPath"), L"C:\\jvm\\jvm.dll");
    EXPECT_FALSE(host.journalStore.journal);
}

TEST(VolmoraConfig, CommandLinesItRefuses) {
    const std::vector<std::vector<std::wstring>> refused = {
        {},
        {L"import"},
        {L"export", L"a.json", L"b.json"},
        {L"export", L"/x"},
        {L"apply"},
        {L"apply", L"/check"},
        {L"apply", L"/bogus", L"f.json"},
        {L"apply", L"f.json", L"g.json"},
        {L"apply", L"f.json", L"/backup"},
        {L"apply", L"/backup", L"/check", L"f.json"},  // a switch is no backup file
        {L"apply", L"/backup", L"b.json", L"/backup", L"c.json", L"f.json"},
        {L"apply", L"/?"},
        {L"apply", L"/json", L"f.json"},  // the JSON plan is a dry run's whole output
        {L"restore", L"/json", L"b.bak"},
        {L"restore", L"/check", L"/json", L"/json", L"b.bak"},
    };
    for (const auto& arguments : refused) {
        FakeConfigHost host;
        host.files[L"f.json"] = sampleFile();
        ArgumentList list{L"volmoraConfig"};
        list.insert(list.end(), arguments.begin(), arguments.end());
        EXPECT_EQ(config::runConfigCommand(host, list), 1);
        EXPECT_EQ(host.err,
                  L"Usage: volmoraConfig export [FILE]\n"
                  L"       volmoraConfig apply [/check [/json]] [/prune] [/detailed-exitcode] "
                  L"[/backup BACKUPFILE] FILE\n"
                  L"       volmoraConfig check [/json]\n"
                  L"       volmoraConfig recover\n"
                  L"       volmoraConfig restore [/check [/json]] FILE\n");
        EXPECT_EQ(host.out, "");
        EXPECT_EQ(state(host.memory), state(FakeConfigHost().memory));
    }
    FakeConfigHost host;
    EXPECT_EQ(host.run({L"/?"}), 0);
    EXPECT_EQ(host.err, L"");
    EXPECT_TRUE(outText(host).starts_with(L"Usage: volmoraConfig export [FILE]\n"));
}

TEST(VolmoraConfig, EachWayToFailHasItsCodeAndChangesNothing) {
    struct Case {
        const char* what;
        void (*arrange)(FakeConfigHost&);
        std::vector<std::wstring> arguments;
        std::int32_t code;
        std::wstring err;
    };
    const Case cases[] = {
        {"a missing file",
         [](FakeConfigHost&) {},
         {L"apply", L"missing.json"},
         7,
         L"Can't read \"missing.json\": error=2\n"},
        {"a file too large",
         [](FakeConfigHost& h) { h.files[L"f.json"] = std::string(33 * 1024 * 1024, ' '); },
         {L"apply", L"f.json"},
         3,
         L"\"f.json\": The file is larger than 32 MB.\n" + nothingChanged},
        {"no rights to write",
         [](FakeConfigHost& h) { h.memory.failCall(RegistryCall::openKey, root, 5, true); },
         {L"apply", L"f.json"},
         9,
         L"No rights to write the configuration: Can't open \"HKEY_LOCAL_MACHINE\\SOFTWARE\\"
         L"Tamsiver Software\\VOLM\" key: error=5\n" +
             nothingChanged},
        {"the records cannot be read",
         [](FakeConfigHost& h) { h.memory.failCall(RegistryCall::enumKey, root + L"\\JVMs", 5); },
         {L"apply", L"f.json"},
         8,
         L"Can't enumerate JVMs: error=5\n"},
        {"a record's values cannot be read",
         [](FakeConfigHost& h) {
             h.memory.failCall(RegistryCall::enumValue, root + L"\\JVMs\\MyJVM", 5);
         },
         {L"export"},
         8,
         L"Can't read \"MyJVM\" key: error=5\n"},
        {"the lock is held",
         [](FakeConfigHost& h) { h.lockResult = 258; },
         {L"apply", L"f.json"},
         10,
         L"Can't lock the configuration (held): error=258\n" + nothingChanged},
        {"the lock is held, for export",
         [](FakeConfigHost& h) { h.lockResult = 258; },
         {L"export"},
         10,
         L"Can't lock the configuration (held): error=258\n"},
        {"the lock is held, for check",
         [](FakeConfigHost& h) { h.lockResult = 258; },
         {L"check"},
         10,
         L"Can't lock the configuration (held): error=258\n"},
        {"the backup cannot be written",
         [](FakeConfigHost& h) { h.unreadable[L"b.json"] = 5; },
         {L"apply", L"/backup", L"b.json", L"f.json"},
         7,
         L"Can't write \"b.json\": error=5\n" + nothingChanged},
        {"the export file cannot be written",
         [](FakeConfigHost& h) { h.unreadable[L"e.json"] = 3; },
         {L"export", L"e.json"},
         7,
         L"Can't write \"e.json\": error=3\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FakeConfigHost host;
        putJvm(host.memory, L"MyJVM");
        host.files[L"f.json"] = sampleFile();
        c.arrange(host);
        const std::wstring before = state(host.memory);
        ArgumentList list{L"volmoraConfig"};
        list.insert(list.end(), c.arguments.begin(), c.arguments.end());
        EXPECT_EQ(config::runConfigCommand(host, list), c.code);
        EXPECT_EQ(host.err, c.err);
        EXPECT_EQ(state(host.memory), before);
    }
}

// The backup holds the keys the apply touches as they were, values of every type included, and
// restore gives them back; /check writes the backup too and nothing else.
TEST(VolmoraConfig, TheBackupHoldsWhatApplyFound) {
    FakeConfigHost host;
    registerSample(host.memory);
    host.memory.putValue(root + L"\\Servers\\ServerA", L"Count", {valueType::dword, {7, 0, 0, 0}});
    const std::wstring before = state(host.memory);
    host.files[L"f.json"] =
        R"({"formatVersion": 1, "servers": {"ServerA": {"Classpath": "D:\\"}}})";
    ASSERT_EQ(host.run({L"apply", L"/check", L"/backup", L"c.bak", L"f.json"}), 0) << host.err;
    EXPECT_EQ(state(host.memory), before);
    ASSERT_EQ(host.run({L"apply", L"/backup", L"b.bak", L"f.json"}), 0) << host.err;
    EXPECT_EQ(host.files[L"b.bak"], host.files[L"c.bak"]);
    EXPECT_NE(state(host.memory), before);
    EXPECT_EQ(host.run({L"restore", L"b.bak"}), 0) << host.err;
    EXPECT_EQ(outText(host),
              L"~ key HKEY_LOCAL_MACHINE\\SOFTWARE\\Tamsiver Software\\VOLM\\Servers\\ServerA\n"
              L"    Classpath: \"D:\\\" -> \"C:\\app\"\n"
              L"    Imports: (none) -> \"\"\n"
              L"Plan: 0 to add, 1 to change, 0 to remove.\n"
              L"Restore complete.\n");
    EXPECT_EQ(state(host.memory), before);
}

// Restore's lines show the values of a key it changes, and only the key's name for one it adds or
// removes (the JSON document has every value).
TEST(VolmoraConfig, RestoreLinesShowValuesOnlyUnderAChangedKey) {
    struct Case {
        const char* what;
        std::string file;  // applied with /backup; the backup is then restored with /check
        wchar_t marker;    // of the lines the restore plan must hold
    };
    const Case cases[] = {
        {"a server added: restore removes its key",
         R"({"formatVersion": 1, "servers": {"ServerA": {"Classpath": "C:\\app", "Imports": ""},
             "ServerB": {"Classpath": "C:\\b"}}})",
         L'-'},
        {"a server pruned: restore adds its key", R"({"formatVersion": 1})", L'+'},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeConfigHost host;
        registerSample(host.memory);
        host.files[L"f.json"] = c.file;
        ASSERT_EQ(host.run({L"apply", L"/prune", L"/backup", L"b.bak", L"f.json"}), 0) << host.err;
        host.out.clear();
        ASSERT_EQ(host.run({L"restore", L"/check", L"b.bak"}), 0) << host.err;
        const std::wstring plan = outText(host);
        bool sawMarker = false;
        wchar_t last = L' ';
        for (std::size_t start = 0; start < plan.size();) {
            const std::size_t end = plan.find(L'\n', start);
            const std::wstring line = plan.substr(start, end - start);
            start = end + 1;
            if (line.starts_with(L"    ")) {
                EXPECT_EQ(last, L'~') << "a value line under: " << std::string(1, char(last));
            } else if (line.size() > 2 && line[1] == L' ') {
                last = line[0];
                sawMarker = sawMarker || last == c.marker;
            }
        }
        EXPECT_TRUE(sawMarker);
    }
}

// Both views share the ProgID keys: restoring this view's backup leaves the keys that a class
// record of the other view uses, and gives back everything else.
TEST(VolmoraConfig, RestoreKeepsTheProgIdKeysOfTheOtherViewsClasses) {
    struct Case {
        const wchar_t* otherProgId;
        bool kept;
    };
    const Case cases[] = {{L"Both.Views", true}, {L"BOTH.VIEWS", true}, {L"Another.One", false}};
    const std::wstring otherClsid = L"{0AAAAAAA-0000-0000-0000-000000000000}";
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.otherProgId, c.otherProgId + std::wcslen(c.otherProgId)));
        FakeConfigHost host;
        putJvm(host.memory, L"MyJVM");
        host.files[L"f.json"] = sampleFile(R"("JavaClassName": "com.tamsiver.myserver.CoolService",
            "JvmId": "MyJVM", "ProgId": "Both.Views", "ServerId": "ServerA")");
        ASSERT_EQ(host.run({L"apply", L"/backup", L"b.bak", L"f.json"}), 0) << host.err;
        host.memory.putText(otherConfigRoot + L"\\CLSIDs\\" + otherClsid, L"ProgId", c.otherProgId);
        host.err.clear();
        ASSERT_EQ(host.run({L"restore", L"b.bak"}), 0) << host.err;
        EXPECT_EQ(host.memory.keyExists(L"HKCR\\Both.Views\\CLSID"), c.kept);
        EXPECT_EQ(host.memory.keyExists(L"HKCR\\Both.Views.1\\CLSID"), c.kept);
        EXPECT_FALSE(host.memory.keyExists(L"HKCR\\CLSID\\{B036ABD6-EE02-4d8e-8D67-186DFEE9A903}"));
        EXPECT_FALSE(
            host.memory.keyExists(root + L"\\CLSIDs\\{B036ABD6-EE02-4d8e-8D67-186DFEE9A903}"));
        const std::wstring stays =
            L" stays as it is: a class record of the other registry view "
            L"uses it.\n";
        EXPECT_EQ(host.err, c.kept ? L"The key \"HKEY_CLASSES_ROOT\\Both.Views\"" + stays +
                                         L"The key \"HKEY_CLASSES_ROOT\\Both.Views.1\"" + stays
                                   : L"");
    }
}

TEST(VolmoraConfig, ExportWarnsOfWhatItLeavesOutAndOfWhatApplyWouldRefuse) {
    FakeConfigHost host;
    putJvm(host.memory, L"MyJVM");
    host.memory.putValue(root + L"\\JVMs\\MyJVM", L"Count", {valueType::dword, {1, 0, 0, 0}});
    host.memory.putText(root + L"\\CLSIDs\\{C}", L"ProgId", L"P");
    ASSERT_EQ(host.run({L"export"}), 0);
    EXPECT_EQ(host.err,
              L"warning: jvm \"MyJVM\": value \"Count\" is not REG_SZ and is left out.\n"
              L"warning: class \"{C}\": no \"JavaClassName\" value. Apply would refuse this file.\n"
              L"warning: class \"{C}\": no \"JvmId\" value. Apply would refuse this file.\n"
              L"warning: class \"{C}\": the CLSID is not a GUID in braces, so COM cannot use it. "
              L"Apply would refuse this file.\n");
    EXPECT_NE(host.out.find("\"{C}\": {\n      \"ProgId\": \"P\"\n    }"), std::string::npos);
    EXPECT_EQ(host.out.find("Count"), std::string::npos);
}

// A registry that runs out of memory at one write: what a failed allocation does in the middle of
// the writes.
class ExhaustedRegistry : public MemoryRegistry {
  public:
    long setValue(KeyHandle key, const std::wstring& name, std::uint32_t type,
                  const std::uint8_t* data, std::uint32_t size) override {
        if (name == failingValue && failAfter-- == 0) {
            throw std::bad_alloc();
        }
        return MemoryRegistry::setValue(key, name, type, data, size);
    }
    std::wstring failingValue;
    int failAfter = 0;  // writes of that value that go through first
};

class ExhaustedHost : public FakeConfigHost {
  public:
    Registry& registry() override { return exhausted; }
    ExhaustedRegistry exhausted;
};

// An internal error while writing, or while putting back, is no failure to read: the run ends as a
// failed write does, or as a put-back that failed.
TEST(VolmoraConfig, RunningOutOfMemoryWhileWritingEndsAsAFailedWrite) {
    const std::string changedJvm = R"("DllPath": "D:\\jvm.dll", "JvmOptions":
        "-Djava.class.path=C:\\VOLM\\lib\\VOLM.jar")";
    for (const bool inPutBack : {false, true}) {
        SCOPED_TRACE(inPutBack ? "putting back" : "writing");
        ExhaustedHost host;
        host.exhausted.putKey(L"HKLM\\SOFTWARE");
        host.exhausted.putKey(L"HKCR\\CLSID");
        putJvm(host.exhausted, L"MyJVM");
        host.files[L"f.json"] = R"({"formatVersion": 1, "jvms": {"MyJVM": {)" + changedJvm + R"(}},
                "classes": {"{B036ABD6-EE02-4d8e-8D67-186DFEE9A903}": {"JavaClassName": "J",
                "JvmId": "MyJVM", "ProgId": "MyServer.CoolService"}}})";
        const std::wstring before = state(host.exhausted);
        if (inPutBack) {
            // The class's key cannot be made; putting the JVM's library back runs out.
            host.exhausted.failCall(RegistryCall::createKey,
                                    root + L"\\CLSIDs\\{B036ABD6-EE02-4d8e-8D67-186DFEE9A903}",
                                    1021);
            host.exhausted.failingValue = L"DllPath";
            host.exhausted.failAfter = 1;
        } else {
            host.exhausted.failingValue = L"ThreadingModel";
        }
        if (!inPutBack) {
            EXPECT_EQ(host.run({L"apply", L"f.json"}), 4);
            EXPECT_EQ(host.err,
                      L"Out of memory: error=8\nEverything was put back as it was. "
                      L"Nothing was changed.\n");
            EXPECT_EQ(state(host.exhausted), before);
        } else {
            EXPECT_EQ(host.run({L"apply", L"f.json"}), 5);
            EXPECT_EQ(host.err,
                      L"Can't create \"{B036ABD6-EE02-4d8e-8D67-186DFEE9A903}\" key: "
                      L"error=1021\nThese keys could not be put back as they were:\n"
                      L"  Out of memory while putting the keys back\n"
                      L"The journal \"C:\\ProgramData\\volmoraConfig\\journal\" was kept: "
                      L"run \"volmoraConfig recover\" to try again.\n");
        }
    }
}

// A no-change apply reads what export reads and, per class, the COM values it compares: the key
// of each value opened once (below the COM classes key, opened once for all), every value of that
// key read through it, and closed: 16 calls for the six values in five keys.
TEST(VolmoraConfig, ANoChangeApplyReadsEachClassWithTheFewestCalls) {
    const auto callsPerClass = [](const std::vector<std::wstring>& arguments) {
        std::size_t calls[2] = {};
        for (const int classes : {100, 200}) {
            FakeConfigHost host;
            putJvm(host.memory, L"MyJVM");
            std::string members;
            for (int i = 0; i < classes; ++i) {
                ClassOperands c;
                wchar_t clsid[40];
                std::swprintf(clsid, 40, L"{B036ABD6-EE02-4d8e-8D67-%012d}", i);
                c.clsid = clsid;
                c.progId = L"Bench.Class" + std::to_wstring(i);
                writeLayout(host.memory, c);
                members += (members.empty() ? "\"" : ", \"") + utf8(c.clsid) +
                           R"(": {"JavaClassName": "com.tamsiver.myserver.CoolService",
                                  "JvmId": "MyJVM", "ProgId": ")" +
                           utf8(c.progId) + "\"}";
            }
            host.files[L"f.json"] = R"({"formatVersion": 1, "jvms": {"MyJVM": {"DllPath":
                "C:\\jvm\\jvm.dll", "JvmOptions": "-Djava.class.path=C:\\VOLM\\lib\\VOLM.jar"}},
                "classes": {)" + members +
                                    "}}";
            ArgumentList list{L"volmoraConfig"};
            list.insert(list.end(), arguments.begin(), arguments.end());
            const std::size_t before = host.memory.callCount();
            EXPECT_EQ(config::runConfigCommand(host, list), 0) << host.err;
            calls[classes / 200] = host.memory.callCount() - before;
        }
        return (calls[1] - calls[0]) / 100;
    };
    const std::size_t exportCalls = callsPerClass({L"export"});
    EXPECT_EQ(callsPerClass({L"apply", L"f.json"}), exportCalls + 16);
}

TEST(VolmoraConfig, KeysLookedForInOneListingAreFoundAsOpeningThemFindsThem) {
    MemoryRegistry registry;
    for (const wchar_t* key : {L"HKCR\\CLSID\\{B036ABD6-EE02-4d8e-8D67-000000000001}",
                               L"HKCR\\CLSID\\{b036abd6-ee02-4D8E-8d67-00000000000A}\\Inproc",
                               L"HKCR\\Acme.Tool", L"HKCR\\Acme.Tool.1\\CLSID", L"HKCR\\ȘTool"}) {
        registry.putKey(key);
    }
    const std::wstring looks[] = {
        L"CLSID\\{B036ABD6-EE02-4d8e-8D67-000000000001}",
        L"CLSID\\{b036abd6-ee02-4d8e-8d67-000000000001}",  // another letter case
        L"CLSID\\{B036ABD6-EE02-4d8e-8D67-00000000000A}",
        L"CLSID\\{B036ABD6-EE02-4d8e-8D67-000000000002}",  // missing
        L"CLSID\\{b036abd6-ee02-4D8E-8d67-00000000000A}\\Inproc",
        L"CLSID\\{b036abd6-ee02-4D8E-8d67-00000000000A}\\Missing",
        L"Acme.Tool",
        L"ACME.TOOL.1",
        L"Acme.Tool.2",
        L"șTOOL",
        L"Acme",
    };
    config::RegistryComState opened(registry);
    config::RegistryComState listed(registry);
    // More looks than the parents have subkeys: the listed one lists them.
    listed.expectKeyLooks(L"CLSID", 100);
    listed.expectKeyLooks(L"", 100);
    const std::size_t afterListing = registry.callCount();
    for (const std::wstring& key : looks) {
        EXPECT_EQ(listed.keyStatus(key), opened.keyStatus(key)) << key;
    }
    // Fewer looks than subkeys: each is opened, and the two agree the same.
    config::RegistryComState few(registry);
    few.expectKeyLooks(L"CLSID", 1);
    for (const std::wstring& key : looks) {
        EXPECT_EQ(few.keyStatus(key), opened.keyStatus(key)) << key;
    }
    // A parent that is missing lists nothing: each look finds out for itself.
    config::RegistryComState noParent(registry);
    noParent.expectKeyLooks(L"Interface", 100);
    EXPECT_EQ(noParent.keyStatus(L"Interface\\{X}"), status::fileNotFound);

    // The listed state answers the first level's looks with no call at all.
    MemoryRegistry counted;
    counted.putKey(L"HKCR\\CLSID\\{B036ABD6-EE02-4d8e-8D67-000000000001}");
    config::RegistryComState lookedUp(counted);
    lookedUp.expectKeyLooks(L"CLSID", 10);
    const std::size_t before = counted.callCount();
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(lookedUp.keyStatus(L"CLSID\\{B036ABD6-EE02-4d8e-8D67-00000000000" +
                                     std::to_wstring(i) + L"}"),
                  i == 1 ? status::success : status::fileNotFound);
    }
    EXPECT_EQ(counted.callCount(), before);
    EXPECT_GT(afterListing, 0u);
}

TEST(VolmoraConfig, AnApplyToAnEmptyViewLooksForTheNewClassesKeysInOneListing) {
    // The calls apply makes for each class on top of what a whole run makes, with 100 and 200
    // classes on an empty view: the record's and COM keys' writes, their journal's reads, and no
    // open per class to find that its COM keys are missing.
    std::size_t calls[2] = {};
    std::size_t opens[2] = {};
    for (const int classes : {100, 200}) {
        FakeConfigHost host;
        std::string members;
        for (int i = 0; i < classes; ++i) {
            wchar_t clsid[40];
            std::swprintf(clsid, 40, L"{B036ABD6-EE02-4d8e-8D67-%012d}", i);
            members += (members.empty() ? "\"" : ", \"") + utf8(clsid) +
                       R"(": {"JavaClassName": "com.x.C", "JvmId": "MyJVM", "ProgId": "Bench.C)" +
                       std::to_string(i) + "\"}";
        }
        host.files[L"f.json"] = R"({"formatVersion": 1, "jvms": {"MyJVM": {"DllPath":
            "C:\\jvm\\jvm.dll", "JvmOptions": "-Djava.class.path=C:\\VOLM\\lib\\VOLM.jar"}},
            "classes": {)" + members +
                                "}}";
        const std::size_t before = host.memory.callCount();
        const std::size_t openedBefore = host.memory.callCount(RegistryCall::openKey);
        ASSERT_EQ(config::runConfigCommand(host, {L"volmoraConfig", L"apply", L"f.json"}), 0)
            << host.err;
        calls[classes / 200] = host.memory.callCount() - before;
        opens[classes / 200] = host.memory.callCount(RegistryCall::openKey) - openedBefore;
    }
    // Each class's three COM keys are found missing among their parents' subkeys, listed a call
    // each, where opening them would take three calls more.
    EXPECT_EQ((opens[1] - opens[0]) / 100, 0u);
    EXPECT_LE((calls[1] - calls[0]) / 100, 21u);
}

// A ProgID key that holds more than registration writes (a verb, a value of its own) is someone
// else's too: removal takes only the bridge's subkeys from it, names it, and the rest stays.
TEST(VolmoraConfig, RemovalLeavesAProgIdKeyThatHoldsMoreThanRegistrationWrites) {
    struct Case {
        const char* what;
        std::string file;
        std::vector<std::wstring> switches;
    };
    const Case cases[] = {
        {"the class is pruned", R"({"formatVersion": 1})", {L"/prune"}},
        {"the class takes another ProgID",
         sampleFile(R"("JavaClassName": "com.tamsiver.myserver.CoolService",
                       "JvmId": "MyJVM", "ProgId": "MyServer.Renamed", "ServerId": "ServerA")"),
         {}},
    };
    const std::wstring progIdKey = L"HKCR\\MyServer.CoolService";
    for (const Case& c : cases) {
        for (const bool extraValue : {false, true}) {
            SCOPED_TRACE(std::string(c.what) + (extraValue ? ", a value" : ", a subkey"));
            FakeConfigHost host;
            registerSample(host.memory);
            if (extraValue) {
                host.memory.putText(progIdKey, L"FriendlyTypeName", L"Cool");
            } else {
                host.memory.putText(progIdKey + L"\\shell\\open\\command", L"", L"cool.exe");
            }
            host.files[L"f.json"] = c.file;
            ArgumentList arguments{L"volmoraConfig", L"apply"};
            arguments.insert(arguments.end(), c.switches.begin(), c.switches.end());
            arguments.push_back(L"f.json");
            ASSERT_EQ(config::runConfigCommand(host, arguments), 0) << host.err;
            EXPECT_EQ(host.err,
                      L"The key \"HKEY_CLASSES_ROOT\\MyServer.CoolService\" holds more "
                      L"than registration writes: it stays, and only the bridge's "
                      L"subkeys below it go.\n");
            EXPECT_TRUE(host.memory.keyExists(progIdKey));
            EXPECT_FALSE(host.memory.keyExists(progIdKey + L"\\CLSID"));
            EXPECT_FALSE(host.memory.keyExists(progIdKey + L"\\CurVer"));
            EXPECT_FALSE(host.memory.keyExists(progIdKey + L".1"));
            EXPECT_EQ(host.memory.text(progIdKey, L"FriendlyTypeName").has_value(), extraValue);
            EXPECT_EQ(host.memory.keyExists(progIdKey + L"\\shell\\open\\command"), !extraValue);
            // What stays is no longer the bridge's: the next apply leaves it alone.
            host.out.clear();
            host.err.clear();
            ASSERT_EQ(config::runConfigCommand(host, arguments), 0) << host.err;
            EXPECT_EQ(outText(host), L"No changes.\n");
            EXPECT_EQ(host.err, L"");
        }
    }
}

// Export never writes what its file cannot give back: a name or a text that is no valid UTF-16
// is left out with a warning, and two such names never become one.
TEST(VolmoraConfig, ExportLeavesOutWhatItCannotEncode) {
    const std::wstring lone(1, static_cast<wchar_t>(0xD800));
    const std::wstring otherLone(1, static_cast<wchar_t>(0xDC01));
    FakeConfigHost host;
    putServer(host.memory, L"Good");
    putServer(host.memory, L"S" + lone);
    putServer(host.memory, L"S" + otherLone);
    host.memory.putText(root + L"\\Servers\\Good", L"Note" + lone, L"x");
    host.memory.putText(root + L"\\Servers\\Good", L"Text", L"a" + otherLone + L"b");
    ASSERT_EQ(host.run({L"export", L"out.json"}), 0) << host.err;
    const std::wstring cannot = L" is not valid UTF-16 and is left out.\n";
    EXPECT_EQ(host.err, L"warning: server \"Good\": value \"Note" + lone + L"\"" + cannot +
                            L"warning: server \"Good\": value \"Text\"" + cannot +
                            L"warning: server \"S" + lone + L"\": its name" + cannot +
                            L"warning: server \"S" + otherLone + L"\": its name" + cannot);
    config::Configuration back;
    ASSERT_EQ(config::parseConfiguration(host.files[L"out.json"], back), L"");
    ASSERT_EQ(back.servers.size(), 1u);
    EXPECT_EQ(back.servers[0].name, L"Good");
    EXPECT_EQ(back.servers[0].values.size(), 2u);  // Classpath and Imports
}

// A class that a program registered with a ProgID that names a key COM keeps, or with a CLSID
// that is no GUID, goes with /prune without a write to those keys: the journal could not name
// them, so apply never touches them.
TEST(VolmoraConfig, PruneLeavesTheSystemsKeysThatAProgramWroteTo) {
    struct Case {
        const wchar_t* progId;
        const wchar_t* clsid;
        std::vector<std::wstring> keysThatStay;
    };
    const Case cases[] = {
        {L"CLSID", L"{36360000-0000-4000-8000-000000000001}", {L"HKCR\\CLSID\\CLSID"}},
        {L"interface", L"{36360000-0000-4000-8000-000000000002}", {L"HKCR\\interface\\CLSID"}},
        {L"Plain.Prog", L"not-a-guid", {L"HKCR\\CLSID\\not-a-guid\\InprocServer32"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.progId, c.progId + std::wcslen(c.progId)));
        FakeConfigHost host;
        putJvm(host.memory, L"MyJVM");
        ClassOperands registered;
        registered.progId = c.progId;
        registered.clsid = c.clsid;
        writeLayout(host.memory, registered);
        host.files[L"f.json"] = R"({"formatVersion": 1})";
        ASSERT_EQ(host.run({L"apply", L"/prune", L"/backup", L"b.bak", L"f.json"}), 0) << host.err;
        EXPECT_FALSE(host.memory.keyExists(root + L"\\CLSIDs\\" + c.clsid));
        for (const std::wstring& key : c.keysThatStay) {
            EXPECT_TRUE(host.memory.keyExists(key)) << std::string(key.begin(), key.end());
        }
        // What apply wrote down, the journal's reader takes back, and restore puts it back.
        config::Journal backup;
        EXPECT_EQ(config::decodeJournal(host.files[L"b.bak"], backup), L"");
        EXPECT_EQ(host.run({L"restore", L"b.bak"}), 0) << host.err;
        EXPECT_TRUE(host.memory.keyExists(root + L"\\CLSIDs\\" + c.clsid));
    }
}

TEST(VolmoraConfig, RecordsFoundInOrderAreTheRecordsTheListHas) {
    config::Configuration c;
    for (const wchar_t* name : {L"A", L"b", L"C", L"d", L"Ș", L"_x"}) {
        c.startRecord(config::Collection::servers, name);
        c.endRecord();
    }
    config::sortConfiguration(c);
    const std::vector<std::wstring> names = {L"A", L"a", L"B", L"b",  L"C",  L"D",
                                             L"e", L"ș", L"Ș", L"_X", L"_x", L""};
    std::mt19937 random(20261208);
    for (int round = 0; round < 200; ++round) {
        config::InOrderFinder finder(c.servers);
        // Mostly in the list's order, as a walk over another sorted list asks, now and then any.
        for (std::size_t i = 0; i < names.size(); ++i) {
            const std::wstring& name =
                random() % 4 == 0 ? names[random() % names.size()] : names[i];
            EXPECT_EQ(finder.find(name), config::findRecord(c.servers, name)) << name;
        }
    }
}

}  // namespace
}  // namespace volmora::testing
