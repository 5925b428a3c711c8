// bindObject registering and unregistering classes under Wine: the exact keys, values and types
// it leaves, the runtime library's path, repeated and remapped registrations, a round trip that
// restores the registry, silent runs and names the registry refuses.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "expectations.h"
#include "harness.h"
#include "registryWriting.h"

namespace volmora::e2e {
namespace {

const std::wstring caption = L"Volmora - Bind Object";
const std::wstring configurationRoot = L"SOFTWARE\\Tamsiver Software\\VOLM";
const std::wstring records = configurationRoot + L"\\CLSIDs";
const std::wstring runtimeClass = L"CLSID\\{3A8D888D-0DB5-4a58-A10B-2743F727D0AB}";
const std::wstring registeredRuntime = L"C:\\Program Files\\Volmora\\bin\\VOLM.dll";

struct JavaClass {
    std::wstring progId = L"MyServer.CoolService";
    std::wstring clsid = L"{B036ABD6-EE02-4d8e-8D67-186DFEE9A903}";
    std::wstring javaClassName = L"com.tamsiver.myserver.CoolService";
    std::wstring jvmId = L"MyJVM";
    std::wstring serverId;

    std::wstring arguments() const {
        std::wstring text = quotedArgument(progId) + L" " + quotedArgument(clsid) + L" " +
                            javaClassName + L" " + jvmId;
        return serverId.empty() ? text : text + L" " + serverId;
    }
    static std::wstring quotedArgument(const std::wstring& text) { return L"\"" + text + L"\""; }
};

JavaClass neatService() {
    JavaClass c;
    c.progId = L"ServerA.NeatService";
    c.clsid = L"{2E2311DB-9D64-4cc0-9837-CD6B5F0FBF38}";
    c.javaClassName = L"com.tamsiver.serverA.NeatService";
    c.serverId = L"ServerA";
    return c;
}

std::wstring recordDump(const JavaClass& c, const std::wstring& serverId) {
    std::wstring out = L"[]\n" + textLine(L"JavaClassName", c.javaClassName) +
                       textLine(L"JvmId", c.jvmId) + textLine(L"ProgId", c.progId);
    return serverId.empty() ? out : out + textLine(L"ServerId", serverId);
}

std::wstring comClassDump(const JavaClass& c, const std::wstring& libraryPath) {
    return L"[]\n[InprocServer32]\n" + textLine(L"", libraryPath) +
           textLine(L"ThreadingModel", L"both") + L"[ProgId]\n" + textLine(L"", c.progId);
}

std::wstring progIdDump(const JavaClass& c) {
    return L"[]\n[CLSID]\n" + textLine(L"", c.clsid) + L"[CurVer]\n" +
           textLine(L"", c.progId + L".1");
}

std::wstring versionDump(const JavaClass& c) {
    return L"[]\n[CLSID]\n" + textLine(L"", c.clsid);
}

std::wstring successText(const JavaClass& c) {
    std::wstring text = L"Java class successfully registered.\r\n    ProgId:     \t" + c.progId +
                        L"\r\n    CLSID:      \t" + c.clsid + L"\r\n    Java class: \t" +
                        c.javaClassName + L"\r\n    JVM ID:     \t" + c.jvmId;
    return c.serverId.empty() ? text : text + L"\r\n    ServerId:   \t" + c.serverId;
}

std::wstring toolFolderLibrary() {
    std::wstring tool = builtToolPath(L"bindObject");
    return tool.substr(0, tool.find_last_of(L'\\')) + L"\\VOLM.dll";
}

void setDefault(HKEY root, const std::wstring& path, const std::wstring& text) {
    writeText(root, path, L"", text);
}

// A box whose text is one line wider than the screen: its icon lies off the screen, where
// the harness cannot see it, so only the caption and the text are compared.
void expectWideBox(const RunResult& result, BoxIcon icon, const std::wstring& text) {
    ASSERT_EQ(result.boxes.size(), 1u);
    if (text.size() < 100) {
        expectBoxIcon(result.boxes[0], icon);
    }
    EXPECT_EQ(narrow(result.boxes[0].caption), narrow(caption));
    EXPECT_EQ(narrow(result.boxes[0].text), narrow(text));
}

class BindObjectRegistry : public ::testing::Test {
  protected:
    void SetUp() override { cleanUp(); }
    void TearDown() override { cleanUp(); }

    // Every key a test may write; removed before and after it.
    void cleanUp() {
        deleteTree(HKEY_LOCAL_MACHINE, records);
        deleteTree(HKEY_LOCAL_MACHINE, records, otherView);
        deleteTree(HKEY_CLASSES_ROOT, runtimeClass);
        deleteTree(HKEY_CLASSES_ROOT, runtimeClass, otherView);
        for (const JavaClass& c : {JavaClass{}, neatService()}) {
            forget(c);
        }
        for (const auto& [root, path] : extraKeys_) {
            deleteTree(root, path);
        }
    }
    void forget(const JavaClass& c) {
        deleteTree(HKEY_CLASSES_ROOT, L"CLSID\\" + c.clsid);
        deleteTree(HKEY_CLASSES_ROOT, c.progId);
        deleteTree(HKEY_CLASSES_ROOT, c.progId + L".1");
    }
    // path must name one key of the test's own: never a shared parent such as "CLSID\\".
    void track(HKEY root, const std::wstring& path) {
        ASSERT_FALSE(path.empty() || path.back() == L'\\') << narrow(path);
        deleteTree(root, path);
        extraKeys_.emplace_back(root, path);
    }

    RunResult run(const std::wstring& arguments) {
        RunResult result = runTool(L"bindObject", arguments);
        EXPECT_FALSE(result.timedOut) << narrow(arguments);
        EXPECT_EQ(result.exitCode, 0u) << narrow(arguments);
        return result;
    }
    void registerClass(const JavaClass& c) {
        expectOneBox(run(c.arguments()), BoxIcon::information, caption, successText(c));
    }
    void expectRegistered(const JavaClass& c, const std::wstring& serverId,
                          const std::wstring& libraryPath) {
        EXPECT_EQ(dumpKey(HKEY_LOCAL_MACHINE, records + L"\\" + c.clsid), recordDump(c, serverId));
        EXPECT_EQ(dumpKey(HKEY_CLASSES_ROOT, L"CLSID\\" + c.clsid), comClassDump(c, libraryPath));
        EXPECT_EQ(dumpKey(HKEY_CLASSES_ROOT, c.progId), progIdDump(c));
        EXPECT_EQ(dumpKey(HKEY_CLASSES_ROOT, c.progId + L".1"), versionDump(c));
    }
    // The keys a registration and unregistration of c touch, whole.
    std::wstring touchedKeys(const JavaClass& c) {
        return dumpKey(HKEY_LOCAL_MACHINE, configurationRoot) + L"--\n" +
               dumpKey(HKEY_CLASSES_ROOT, L"CLSID\\" + c.clsid) + L"--\n" +
               dumpKey(HKEY_CLASSES_ROOT, c.progId) + L"--\n" +
               dumpKey(HKEY_CLASSES_ROOT, c.progId + L".1") + L"--\n" +
               dumpKey(HKEY_CLASSES_ROOT, runtimeClass);
    }

  private:
    std::vector<std::pair<HKEY, std::wstring>> extraKeys_;
};

enum class Runtime { notRegistered, inOwnView, inOtherView };

// The runtime's path comes from its COM registration in the tool's own registry view only.
TEST_F(BindObjectRegistry, WritesExactlyTheClassRecordAndComKeys) {
    struct Case {
        Runtime runtime;
        JavaClass javaClass;
    };
    const Case cases[] = {{Runtime::notRegistered, JavaClass{}},
                          {Runtime::inOwnView, JavaClass{}},
                          {Runtime::notRegistered, neatService()},
                          {Runtime::inOwnView, neatService()},
                          {Runtime::inOtherView, JavaClass{}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(narrow(c.javaClass.progId) + " runtime " +
                     std::to_string(static_cast<int>(c.runtime)));
        cleanUp();
        if (c.runtime == Runtime::inOwnView) {
            setDefault(HKEY_CLASSES_ROOT, runtimeClass + L"\\InprocServer32", registeredRuntime);
        } else if (c.runtime == Runtime::inOtherView) {
            writeText(HKEY_CLASSES_ROOT, runtimeClass + L"\\InprocServer32", L"", registeredRuntime,
                      otherView);
        }
        const std::wstring runtimeBefore = dumpKey(HKEY_CLASSES_ROOT, runtimeClass);
        registerClass(c.javaClass);
        expectRegistered(c.javaClass, c.javaClass.serverId,
                         c.runtime == Runtime::inOwnView ? registeredRuntime : toolFolderLibrary());
        EXPECT_EQ(dumpKey(HKEY_CLASSES_ROOT, runtimeClass), runtimeBefore);
    }
}

TEST_F(BindObjectRegistry, RegisteringAgainRewritesAndAnOldServerIdStays) {
    JavaClass c = neatService();
    registerClass(c);
    registerClass(c);
    expectRegistered(c, L"ServerA", toolFolderLibrary());
    c.serverId.clear();
    registerClass(c);
    expectRegistered(c, L"ServerA", toolFolderLibrary());
}

TEST_F(BindObjectRegistry, ARemappedProgIdPointsToTheNewClassAndTheOldOneStays) {
    JavaClass old;
    JavaClass moved = old;
    moved.clsid = neatService().clsid;
    registerClass(old);
    registerClass(moved);
    expectRegistered(moved, L"", toolFolderLibrary());
    EXPECT_EQ(dumpKey(HKEY_LOCAL_MACHINE, records + L"\\" + old.clsid), recordDump(old, L""));
    EXPECT_EQ(dumpKey(HKEY_CLASSES_ROOT, L"CLSID\\" + old.clsid),
              comClassDump(old, toolFolderLibrary()));
}

TEST_F(BindObjectRegistry, UnregisteringRestoresTheRegistryExactly) {
    registerClass(neatService());  // another class, so that the records key already exists
    setDefault(HKEY_CLASSES_ROOT, runtimeClass + L"\\InprocServer32", registeredRuntime);
    for (JavaClass c : {JavaClass{}, JavaClass{}}) {
        const std::wstring before = touchedKeys(c);
        c.serverId = L"ServerB";
        registerClass(c);
        expectRegistered(c, L"ServerB", registeredRuntime);
        expectOneBox(run(L"/u " + c.progId), BoxIcon::information, caption,
                     L"Class \"MyServer.CoolService\" successfully unregistered.");
        EXPECT_EQ(touchedKeys(c), before);
    }
    expectRegistered(neatService(), L"ServerA", toolFolderLibrary());
}

// The other build of the tools keeps its class records in the other registry view, and both
// views share the ProgID keys: they stay while a record there carries the ProgID.
TEST_F(BindObjectRegistry, UnregisteringLeavesTheProgIdKeysTheOtherBuildStillUses) {
    const JavaClass c;
    const std::wstring record = records + L"\\" + c.clsid;
    const std::wstring unregistered = L"Class \"MyServer.CoolService\" successfully unregistered.";
    registerClass(c);
    writeText(HKEY_LOCAL_MACHINE, record, L"ProgId", c.progId, otherView);
    const std::wstring otherRecord = dumpKey(HKEY_LOCAL_MACHINE, record, otherView);
    ASSERT_EQ(otherRecord, L"[]\n" + textLine(L"ProgId", c.progId));

    expectOneBox(run(L"/u " + c.progId), BoxIcon::information, caption, unregistered);
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, record));
    EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, L"CLSID\\" + c.clsid));
    EXPECT_EQ(dumpKey(HKEY_CLASSES_ROOT, c.progId), progIdDump(c));
    EXPECT_EQ(dumpKey(HKEY_CLASSES_ROOT, c.progId + L".1"), versionDump(c));
    EXPECT_EQ(dumpKey(HKEY_LOCAL_MACHINE, record, otherView), otherRecord);

    // Key names ignore letter case: a record there that carries the ProgID in upper case uses
    // the same keys, which stay too.
    deleteTree(HKEY_LOCAL_MACHINE, record, otherView);
    registerClass(c);
    writeText(HKEY_LOCAL_MACHINE, record, L"ProgId", L"MYSERVER.COOLSERVICE", otherView);
    expectOneBox(run(L"/u " + c.progId), BoxIcon::information, caption, unregistered);
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, record));
    EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, L"CLSID\\" + c.clsid));
    EXPECT_EQ(dumpKey(HKEY_CLASSES_ROOT, c.progId), progIdDump(c));
    EXPECT_EQ(dumpKey(HKEY_CLASSES_ROOT, c.progId + L".1"), versionDump(c));

    // Without that record, unregistering takes the ProgID keys with the rest.
    deleteTree(HKEY_LOCAL_MACHINE, record, otherView);
    registerClass(c);
    expectOneBox(run(L"/u " + c.progId), BoxIcon::information, caption, unregistered);
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, record));
    EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, L"CLSID\\" + c.clsid));
    EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, c.progId));
    EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, c.progId + L".1"));
}

TEST_F(BindObjectRegistry, AFirstRegistrationLeavesOnlyTheRecordsKeyBehind) {
    deleteTree(HKEY_LOCAL_MACHINE, configurationRoot);
    const JavaClass c;
    registerClass(c);
    expectOneBox(run(L"/u " + c.progId), BoxIcon::information, caption,
                 L"Class \"MyServer.CoolService\" successfully unregistered.");
    EXPECT_EQ(dumpKey(HKEY_LOCAL_MACHINE, configurationRoot), L"[]\n[CLSIDs]\n");
    EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, L"CLSID\\" + c.clsid));
    EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, c.progId));
    EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, c.progId + L".1"));
}

TEST_F(BindObjectRegistry, ClassesThatAreNotRegistered) {
    const JavaClass c;
    expectOneBox(run(L"/u " + c.progId), BoxIcon::exclamation, caption,
                 L"Class \"MyServer.CoolService\" isn't registered");
    registerClass(c);
    const std::wstring registered = touchedKeys(c);
    expectOneBox(run(L"/u myserver.coolservice"), BoxIcon::exclamation, caption,
                 L"Class \"myserver.coolservice\" isn't registered.");
    expectOneBox(run(L"/u MyServer.CoolService.1"), BoxIcon::exclamation, caption,
                 L"Class \"MyServer.CoolService.1\" isn't registered.");
    EXPECT_EQ(touchedKeys(c), registered);
}

TEST_F(BindObjectRegistry, SilentRunsShowNothing) {
    const JavaClass c = neatService();
    expectNoBox(run(L"/s " + c.arguments()));
    expectRegistered(c, L"ServerA", toolFolderLibrary());
    expectNoBox(run(L"/u /s " + c.progId));
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, records + L"\\" + c.clsid));
    EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, c.progId));
    expectNoBox(run(L"/u /s " + c.progId));
    expectNoBox(run(L"/s " + c.progId + L" {X}\\{Y} a b"));
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, records + L"\\{X}"));
}

TEST_F(BindObjectRegistry, NamesTheRegistryCannotTakeEndInTheStepsMessage) {
    const std::wstring tooLong(300, L'x');
    struct Case {
        std::wstring progId;
        std::wstring clsid;
        std::wstring message;
        bool recordWritten;
        // Unregistering: the ProgID keys the registry cannot name (code 87) were never
        // written and count as gone, so the run removes the rest and the record.
    };
    track(HKEY_CLASSES_ROOT, L"Bad");
    createKey(HKEY_LOCAL_MACHINE, records);
    const Case cases[] = {
        {L"Bad.Clsid", L"", L"Can't create VOLM CLSID registry settings: error=161", false},
        {L"Bad.Clsid", L"{A}\\{B}", L"Can't create VOLM CLSID registry settings: error=161", false},
        {L"Bad.Clsid", L"\\{A}", L"Can't create VOLM CLSID registry settings: error=161", false},
        {L"Bad.Clsid", tooLong, L"Can't create VOLM CLSID registry settings: error=87", false},
        {L"Bad\\ProgId", L"{BAD-1}", L"Can't create Bad\\ProgId registry settings: error=161",
         false},
        {tooLong, L"{BAD-2}", L"Can't create " + tooLong + L" registry settings: error=87", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(narrow(c.progId.substr(0, 12) + L" " + c.clsid.substr(0, 12)));
        JavaClass bad;
        bad.progId = c.progId;
        bad.clsid = c.clsid;
        if (c.recordWritten) {
            track(HKEY_CLASSES_ROOT, L"CLSID\\" + c.clsid);
        }
        const RunResult result = run(bad.arguments());
        expectWideBox(result, BoxIcon::exclamation, c.message);
        if (!c.recordWritten) {
            EXPECT_EQ(dumpKey(HKEY_LOCAL_MACHINE, records), L"[]\n");
            EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, L"Bad"));
            continue;
        }
        // The class record and the COM class are written; no ProgID key is.
        EXPECT_EQ(dumpKey(HKEY_LOCAL_MACHINE, records + L"\\" + c.clsid), recordDump(bad, L""));
        EXPECT_EQ(dumpKey(HKEY_CLASSES_ROOT, L"CLSID\\" + c.clsid),
                  comClassDump(bad, toolFolderLibrary()));
        EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, L"Bad"));
        // Unregistering it removes what was written; the missing ProgID keys count as deleted.
        const RunResult removal = run(L"/u " + JavaClass::quotedArgument(c.progId));
        expectWideBox(removal, BoxIcon::information,
                      L"Class \"" + c.progId + L"\" successfully unregistered.");
        EXPECT_EQ(dumpKey(HKEY_LOCAL_MACHINE, records), L"[]\n");
        EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, L"CLSID\\" + c.clsid));
    }
}

TEST_F(BindObjectRegistry, AProgIdWithABackslashNeverNamesOtherKeys) {
    // Keys of another program that the ProgID "VolmoraOther\Doc" would name, and a record that
    // carries that ProgID as an earlier version could write it.
    track(HKEY_CLASSES_ROOT, L"VolmoraOther");
    for (const wchar_t* key : {L"VolmoraOther\\Doc\\CLSID", L"VolmoraOther\\Doc\\CurVer",
                               L"VolmoraOther\\Doc.1\\CLSID"}) {
        setDefault(HKEY_CLASSES_ROOT, key, L"theirs");
    }
    writeText(HKEY_LOCAL_MACHINE, records + L"\\{0-OLD}", L"ProgId", L"VolmoraOther\\Doc");
    track(HKEY_CLASSES_ROOT, L"CLSID\\{BAD-3}");
    const auto state = [] {
        return dumpKey(HKEY_CLASSES_ROOT, L"VolmoraOther") + L"--\n" +
               dumpKey(HKEY_LOCAL_MACHINE, records);
    };
    const std::wstring before = state();
    JavaClass c;
    c.progId = L"VolmoraOther\\Doc";
    c.clsid = L"{BAD-3}";
    expectOneBox(run(c.arguments()), BoxIcon::exclamation, caption,
                 L"Can't create VolmoraOther\\Doc registry settings: error=161");
    EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, L"CLSID\\{BAD-3}"));
    expectOneBox(run(L"/u VolmoraOther\\Doc"), BoxIcon::exclamation, caption,
                 L"Class \"VolmoraOther\\Doc\" isn't registered.");
    EXPECT_EQ(state(), before);
}

TEST_F(BindObjectRegistry, BrokenRecordsArePassedOverAndLeftAsTheyAre) {
    // Records without a ProgId, or with one that is no text, sorting before the class.
    const std::wstring noProgId = records + L"\\{0-NO-PROGID}";
    const std::wstring numberProgId = records + L"\\{1-NUMBER}";
    writeText(HKEY_LOCAL_MACHINE, noProgId, L"JvmId", L"MyJVM");
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, numberProgId.c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const DWORD number = 7;
    EXPECT_EQ(RegSetValueExW(key, L"ProgId", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                             sizeof number),
              ERROR_SUCCESS);
    RegCloseKey(key);
    const std::wstring broken =
        dumpKey(HKEY_LOCAL_MACHINE, noProgId) + L"--\n" + dumpKey(HKEY_LOCAL_MACHINE, numberProgId);
    const JavaClass c;
    registerClass(c);
    expectOneBox(run(L"/u " + c.progId), BoxIcon::information, caption,
                 L"Class \"MyServer.CoolService\" successfully unregistered.");
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, records + L"\\" + c.clsid));
    EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, L"CLSID\\" + c.clsid));
    EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, c.progId));
    EXPECT_EQ(
        dumpKey(HKEY_LOCAL_MACHINE, noProgId) + L"--\n" + dumpKey(HKEY_LOCAL_MACHINE, numberProgId),
        broken);
}

TEST_F(BindObjectRegistry, AKeyThatCannotBeDeletedLeavesTheRecordForASecondRun) {
    const JavaClass c;
    registerClass(c);
    // Something else added a subkey below the ProgID key, so that key cannot be deleted.
    setDefault(HKEY_CLASSES_ROOT, c.progId + L"\\Shell", L"open");
    expectOneBox(run(L"/u " + c.progId), BoxIcon::exclamation, caption,
                 L"Can't delete MyServer.CoolService key: error=5");
    EXPECT_EQ(dumpKey(HKEY_LOCAL_MACHINE, records + L"\\" + c.clsid), recordDump(c, L""));
    EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, L"CLSID\\" + c.clsid));
    EXPECT_EQ(dumpKey(HKEY_CLASSES_ROOT, c.progId + L".1"), versionDump(c));

    deleteTree(HKEY_CLASSES_ROOT, c.progId + L"\\Shell");
    expectOneBox(run(L"/u " + c.progId), BoxIcon::information, caption,
                 L"Class \"MyServer.CoolService\" successfully unregistered.");
    EXPECT_EQ(dumpKey(HKEY_LOCAL_MACHINE, records), L"[]\n");
    EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, c.progId));
    EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, c.progId + L".1"));
}

TEST_F(BindObjectRegistry, NamesOutsideTheAnsiCodePageAreStoredAsTyped) {
    JavaClass c;
    c.progId = L"\u00C9t\u00E9.\u4E2D\u6587";
    c.clsid = L"{\u0394\u03A9-\U0001F600}";
    c.jvmId = L"\u0416VM";
    track(HKEY_CLASSES_ROOT, L"CLSID\\" + c.clsid);
    track(HKEY_CLASSES_ROOT, c.progId);
    track(HKEY_CLASSES_ROOT, c.progId + L".1");
    createKey(HKEY_LOCAL_MACHINE, records);
    const std::wstring before = touchedKeys(c);
    registerClass(c);
    expectRegistered(c, L"", toolFolderLibrary());
    expectOneBox(run(L"/u " + c.progId), BoxIcon::information, caption,
                 L"Class \"" + c.progId + L"\" successfully unregistered.");
    EXPECT_EQ(touchedKeys(c), before);
}

}  // namespace
}  // namespace volmora::e2e
