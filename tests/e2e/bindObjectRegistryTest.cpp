// bindObject registering and unregistering classes under Wine: the exact keys, values and types
// it leaves, the runtime library's path, repeated and remapped registrations, a round trip that
// restores the registry, silent runs and names the registry refuses.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "expectations.h"
#include "harness.h"

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

// A REG_SZ as the harness's dump shows it, terminator included.
std::wstring sz(const std::wstring& text) {
    std::wstring escaped;
    for (wchar_t c : text) {
        escaped += c == L'\\' ? std::wstring(L"\\\\") : std::wstring(1, c);
    }
    return L"REG_SZ \"" + escaped + L"\\0\"";
}

std::wstring recordDump(const JavaClass& c, const std::wstring& serverId) {
    std::wstring out = L"[]\nJavaClassName=" + sz(c.javaClassName) + L"\nJvmId=" + sz(c.jvmId) +
                       L"\nProgId=" + sz(c.progId) + L"\n";
    return serverId.empty() ? out : out + L"ServerId=" + sz(serverId) + L"\n";
}

std::wstring comClassDump(const JavaClass& c, const std::wstring& libraryPath) {
    return L"[]\n[InprocServer32]\n@=" + sz(libraryPath) + L"\nThreadingModel=" + sz(L"both") +
           L"\n[ProgId]\n@=" + sz(c.progId) + L"\n";
}

std::wstring progIdDump(const JavaClass& c) {
    return L"[]\n[CLSID]\n@=" + sz(c.clsid) + L"\n[CurVer]\n@=" + sz(c.progId + L".1") + L"\n";
}

std::wstring versionDump(const JavaClass& c) {
    return L"[]\n[CLSID]\n@=" + sz(c.clsid) + L"\n";
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
    HKEY key = nullptr;
    ASSERT_EQ(
        RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
        ERROR_SUCCESS);
    const auto size = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
    EXPECT_EQ(
        RegSetValueExW(key, L"", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), size),
        ERROR_SUCCESS);
    RegCloseKey(key);
}

void createKey(HKEY root, const std::wstring& path) {
    HKEY key = nullptr;
    ASSERT_EQ(
        RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
        ERROR_SUCCESS);
    RegCloseKey(key);
}

// An error box whose text is one line wider than the screen: its icon lies off the screen, where
// the harness cannot see it, so only the caption and the text are compared.
void expectWideErrorBox(const RunResult& result, const std::wstring& text) {
    ASSERT_EQ(result.boxes.size(), 1u);
    if (text.size() < 100) {
        expectBoxIcon(result.boxes[0], BoxIcon::exclamation);
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
            setDefaultText(HKEY_CLASSES_ROOT, runtimeClass + L"\\InprocServer32", registeredRuntime,
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
        // Unregistering: the ProgID keys the registry cannot name are missing with code 87,
        // which is no "already gone" (2) and stops the run once the record and COM class are
        // gone. Empty: it succeeds.
        std::wstring unregistrationFailure = {};
    };
    track(HKEY_CLASSES_ROOT, L"Bad");
    createKey(HKEY_LOCAL_MACHINE, records);
    const Case cases[] = {
        {L"Bad.Clsid", L"", L"Can't create VOLM CLSID registry settings: error=161", false},
        {L"Bad.Clsid", L"{A}\\{B}", L"Can't create VOLM CLSID registry settings: error=161", false},
        {L"Bad.Clsid", L"\\{A}", L"Can't create VOLM CLSID registry settings: error=161", false},
        {L"Bad.Clsid", tooLong, L"Can't create VOLM CLSID registry settings: error=87", false},
        {L"Bad\\ProgId", L"{BAD-1}", L"Can't create Bad\\ProgId registry settings: error=161",
         true},
        {tooLong, L"{BAD-2}", L"Can't create " + tooLong + L" registry settings: error=87", true,
         L"Can't delete " + tooLong + L"\\CLSID key: error=87"},
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
        expectWideErrorBox(result, c.message);
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
        if (c.unregistrationFailure.empty()) {
            expectOneBox(removal, BoxIcon::information, caption,
                         L"Class \"" + c.progId + L"\" successfully unregistered.");
        } else {
            expectWideErrorBox(removal, c.unregistrationFailure);
        }
        EXPECT_EQ(dumpKey(HKEY_LOCAL_MACHINE, records), L"[]\n");
        EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, L"CLSID\\" + c.clsid));
    }
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
