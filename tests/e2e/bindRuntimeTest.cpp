// bindRuntime under Wine: usage and exit codes, the bridge archive of the installation layout,
// and the JVM records it writes, removes and lists, read back through the registry API.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "expectations.h"
#include "expectedUsage.h"
#include "fileHandle.h"
#include "harness.h"
#include "platformLimits.h"
#include "registryWriting.h"

namespace volmora::e2e {
namespace {

const std::wstring caption = L"Volmora - Bind Runtime";
const std::wstring vendorKey = L"SOFTWARE\\Tamsiver Software";
const std::wstring jvms = vendorKey + L"\\VOLM\\JVMs";
const std::wstring cp = L"-Djava.class.path=";
const std::wstring noClassPath = L"A non-null \"-Djava.class.path=...\" option must be specified";
const std::wstring noArchive =
    L"VOLM.jar path must be specified in \"-Djava.class.path=...\" option";

std::wstring record(const std::wstring& dll, const std::wstring& options) {
    return L"[]\n" + textLine(L"DllPath", dll) + textLine(L"JvmOptions", options);
}

std::wstring registered(const std::wstring& id, const std::wstring& dll,
                        const std::wstring& options) {
    return L"JVM \"" + id + L"\" successfully registered.\r\n    Dll Path: \t" + dll +
           L"\r\n    Options:  \t" + options;
}

void touch(const std::wstring& path) {
    const FileHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(file.valid()) << "error " << GetLastError();
}

// The tool installed as C:\<folder>\bin\bindRuntime.exe, the archive in C:\<folder>\lib when
// wanted; everything created here, in the file system and the registry, is removed afterwards.
class BindRuntime : public ::testing::Test {
  protected:
    void install(const std::wstring& folder, bool withArchive) {
        top_ = L"C:\\" + folder;
        CreateDirectoryW(top_.c_str(), nullptr);
        CreateDirectoryW((top_ + L"\\bin").c_str(), nullptr);
        CreateDirectoryW((top_ + L"\\lib").c_str(), nullptr);
        program = top_ + L"\\bin\\bindRuntime.exe";
        archive = top_ + L"\\lib\\VOLM.jar";
        ASSERT_TRUE(CopyFileW(builtToolPath(L"bindRuntime").c_str(), program.c_str(), FALSE));
        if (withArchive)
            touch(archive);
    }
    void SetUp() override {
        vendorExisted_ = keyExists(HKEY_LOCAL_MACHINE, vendorKey);
        deleteTree(HKEY_LOCAL_MACHINE, jvms);
        install(L"VOLM", true);
    }
    void TearDown() override {
        deleteTree(HKEY_LOCAL_MACHINE, jvms);
        if (!vendorExisted_) {
            RegDeleteKeyW(HKEY_LOCAL_MACHINE, (vendorKey + L"\\VOLM").c_str());
            RegDeleteKeyW(HKEY_LOCAL_MACHINE, vendorKey.c_str());
        }
        DeleteFileW(program.c_str());
        DeleteFileW(archive.c_str());
        for (const wchar_t* sub : {L"\\bin", L"\\lib", L""})
            RemoveDirectoryW((top_ + sub).c_str());
    }
    RunResult run(const std::wstring& arguments, const std::wstring& currentFolder = L"C:\\VOLM") {
        RunOptions options;
        options.program = program;
        options.currentFolder = currentFolder;
        RunResult result = runTool(L"bindRuntime", arguments, options);
        EXPECT_FALSE(result.timedOut) << narrow(arguments);
        return result;
    }
    std::wstring dump(const std::wstring& id) {
        return dumpKey(HKEY_LOCAL_MACHINE, jvms + L"\\" + id);
    }

    std::wstring program, archive;

  private:
    std::wstring top_;
    bool vendorExisted_ = false;
};

TEST_F(BindRuntime, RefusedCommandLinesWriteNothing) {
    const std::wstring& usage = volmora::testing::expectedJvmUsage;
    const struct {
        std::wstring arguments;
        BoxIcon icon;  // none: nothing shown
        std::wstring text;
        std::uint32_t exitCode;
    } cases[] = {
        {L"/?", BoxIcon::information, usage, 0},
        {L"/s /?", BoxIcon::none, L"", 0},
        {L"", BoxIcon::exclamation, usage, 1},
        {L"/X", BoxIcon::exclamation, usage, 1},
        {L"\"\" MyJVM C:\\jvm.dll " + cp + L"a.jar", BoxIcon::exclamation, usage, 1},
        {L"/l /s", BoxIcon::none, L"", 1},
        {L"/u a b", BoxIcon::exclamation, usage, 1},
        {L"MyJVM C:\\jvm.dll", BoxIcon::exclamation, usage, 1},
        {L"MyJVM C:\\jvm.dll -Xmx64m", BoxIcon::exclamation, noClassPath, 1},
        {L"MyJVM C:\\jvm.dll \"" + cp + L"\"", BoxIcon::exclamation, noClassPath, 1},
        {L"/s MyJVM C:\\jvm.dll -Xmx64m", BoxIcon::none, L"", 1},
        {L"MyJVM \"\" " + cp + L"a.jar", BoxIcon::exclamation,
         L"Internal error: number=0x7B, source=bindRuntimeProject, description=Can't make an "
         L"absolute path of \"\"",
         123},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(narrow(c.arguments));
        RunResult result = run(c.arguments);
        if (c.icon == BoxIcon::none) {
            expectNoBox(result);
        } else {
            expectOneBox(result, c.icon, caption, c.text);
        }
        EXPECT_EQ(result.exitCode, c.exitCode) << narrow(c.arguments);
        EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, jvms)) << narrow(c.arguments);
    }
}

TEST_F(BindRuntime, AddsTheArchiveOfTheInstallationLayout) {
    const std::wstring jar = L"C:\\VOLM\\lib\\VOLM.jar";
    const struct {
        bool archivePresent;
        std::wstring options;  // as typed on the command line
        std::wstring stored;   // empty: rejected with noArchive
    } cases[] = {
        {true, cp + L"C:\\MyServer\\MyServer.jar", cp + L"C:\\MyServer\\MyServer.jar;" + jar},
        {true, L"-Xmx128m \"" + cp + L"C:\\My Server\\a.jar\"",
         L"-Xmx128m \"" + cp + L"C:\\My Server\\a.jar;" + jar + L"\""},
        {true, cp + L"volm.jar " + cp + L"D:\\b.jar",
         cp + L"volm.jar;" + jar + L" " + cp + L"D:\\b.jar;" + jar},
        {false, cp + L"D:\\Bridge\\VOLM.JAR", cp + L"D:\\Bridge\\VOLM.JAR"},
        {false, cp + L"C:\\MyServer\\MyServer.jar", L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(narrow(c.options));
        deleteTree(HKEY_LOCAL_MACHINE, jvms);
        DeleteFileW(archive.c_str());
        if (c.archivePresent)
            touch(archive);
        RunResult result = run(L"MyJVM C:\\jdk\\jvm.dll " + c.options);
        if (c.stored.empty()) {
            expectOneBox(result, BoxIcon::exclamation, caption, noArchive);
            EXPECT_EQ(result.exitCode, 1u);
            EXPECT_EQ(dump(L"MyJVM"), L"");
        } else {
            expectOneBox(result, BoxIcon::information, caption,
                         registered(L"MyJVM", L"C:\\jdk\\jvm.dll", c.stored));
            EXPECT_EQ(result.exitCode, 0u);
            EXPECT_EQ(dump(L"MyJVM"), record(L"C:\\jdk\\jvm.dll", c.stored));
        }
    }
}

TEST_F(BindRuntime, QuotesTheOptionsOfALayoutWithABlank) {
    TearDown();
    install(L"Volmora Test", true);
    RunResult result = run(L"/s MyJVM C:\\jvm.dll " + cp + L"a.jar", L"C:\\");
    expectNoBox(result);
    EXPECT_EQ(dump(L"MyJVM"),
              record(L"C:\\jvm.dll", L"\"" + cp + L"a.jar;C:\\Volmora Test\\lib\\VOLM.jar\""));
}

TEST_F(BindRuntime, RegistersOverAnExistingRecordAndKeepsItsOtherValues) {
    writeText(HKEY_LOCAL_MACHINE, jvms + L"\\MyJVM", L"Extra", L"kept");
    writeText(HKEY_LOCAL_MACHINE, jvms + L"\\MyJVM", L"JvmOptions", L"kept");
    const std::wstring options = cp + L"C:\\VOLM\\lib\\VOLM.jar -Xmx64m";

    RunResult result = run(L"MyJVM lib\\..\\jvm.dll " + options);
    expectOneBox(result, BoxIcon::information, caption,
                 registered(L"MyJVM", L"C:\\VOLM\\jvm.dll", options));
    EXPECT_EQ(result.exitCode, 0u);
    EXPECT_EQ(dump(L"MyJVM"), L"[]\n" + textLine(L"DllPath", L"C:\\VOLM\\jvm.dll") +
                                  textLine(L"Extra", L"kept") + textLine(L"JvmOptions", options));

    result = run(L"/s MyJVM D:\\other\\jvm.dll " + cp + L"b.jar", L"C:\\");
    expectNoBox(result);
    EXPECT_EQ(result.exitCode, 0u);
    EXPECT_EQ(dump(L"MyJVM"), L"[]\n" + textLine(L"DllPath", L"D:\\other\\jvm.dll") +
                                  textLine(L"Extra", L"kept") +
                                  textLine(L"JvmOptions", cp + L"b.jar;C:\\VOLM\\lib\\VOLM.jar"));
}

TEST_F(BindRuntime, StoresUnusualInputAsTyped) {
    const std::wstring jar = L";C:\\VOLM\\lib\\VOLM.jar";
    const std::wstring wide = L"J\u00e9\u65e5\u672c";
    const std::wstring longName = std::wstring(300, L'x');
    std::wstring longFolder;  // blanks let the message box wrap the path within the screen
    for (int i = 0; i < 30; ++i)
        longFolder += (i ? L" folder" : L"folder") + std::to_wstring(i);
    // Thirty options after the class path: the last one is the 33rd argument, and is kept.
    std::wstring thirtyOptions;
    for (int i = 2; i <= 31; ++i)
        thirtyOptions += L" -D" + std::to_wstring(i);
    const std::wstring storedThirty = cp + L"a.jar" + jar + thirtyOptions;
    const struct {
        std::wstring id, arguments, key, dll, options;
    } cases[] = {
        {wide, wide + L" C:\\jvm.dll " + cp + L"a.jar", wide, L"C:\\jvm.dll", cp + L"a.jar" + jar},
        {L"a\\b", L"a\\b C:\\jvm.dll " + cp + L"a.jar", L"a\\b", L"C:\\jvm.dll",
         cp + L"a.jar" + jar},
        {L"MyJVM", L"MyJVM \"jre\\" + longFolder + L"\\jvm.dll\" " + cp + L"a.jar", L"MyJVM",
         L"C:\\VOLM\\jre\\" + longFolder + L"\\jvm.dll", cp + L"a.jar" + jar},
        {L"MyJVM", L"MyJVM C:\\jvm.dll \"\"\t" + cp + L"a.jar  \"-Dx=a\tb\" \"\"", L"MyJVM",
         L"C:\\jvm.dll", cp + L"a.jar" + jar + L" \"-Dx=a\tb\" "},
        {L"MyJVM", L"MyJVM C:\\jvm.dll " + cp + L"a.jar" + thirtyOptions, L"MyJVM", L"C:\\jvm.dll",
         storedThirty},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(narrow(c.arguments));
        RunResult result = run(c.arguments);
        expectOneBox(result, BoxIcon::information, caption, registered(c.id, c.dll, c.options));
        EXPECT_EQ(result.exitCode, 0u);
        EXPECT_EQ(dump(c.key), record(c.dll, c.options));
        deleteTree(HKEY_LOCAL_MACHINE, jvms);
    }

    RunResult result = run(longName + L" C:\\jvm.dll " + cp + L"a.jar");
    ASSERT_EQ(result.boxes.size(), 1u);
    EXPECT_EQ(result.boxes[0].text.rfind(L"Can't create VOLM JVMs registry settings: error=", 0),
              0u)
        << narrow(result.boxes[0].text);
    EXPECT_EQ(result.exitCode, 0u);
    EXPECT_EQ(dumpKey(HKEY_LOCAL_MACHINE, jvms), L"[]\n");
}

TEST_F(BindRuntime, FindsAClassPathGivenAsThe33rdArgument) {
    std::wstring options;
    for (int i = 1; i <= 29; ++i)
        options += L"-D" + std::to_wstring(i) + L" ";
    options += cp + L"a.jar";
    // /s, the identifier, the library and 29 options come first.
    const RunResult result = run(L"/s MyJVM C:\\jvm.dll " + options);
    expectNoBox(result);
    EXPECT_EQ(result.exitCode, 0u);
    EXPECT_EQ(dump(L"MyJVM"), record(L"C:\\jvm.dll", options + L";C:\\VOLM\\lib\\VOLM.jar"));
}

TEST_F(BindRuntime, UnregistersOneRecordAtATime) {
    const std::wstring options = cp + L"a.jar;C:\\VOLM\\lib\\VOLM.jar";
    ASSERT_EQ(run(L"/s One C:\\one.dll " + cp + L"a.jar").exitCode, 0u);
    ASSERT_EQ(run(L"/s a\\b C:\\two.dll " + cp + L"a.jar").exitCode, 0u);

    const struct {
        std::wstring arguments;
        BoxIcon icon;
        std::wstring text;
        std::wstring remaining;  // dump of the JVMs key afterwards
    } steps[] = {
        {L"/u a", BoxIcon::exclamation, L"JVM \"a\" isn't registered.",
         L"[]\n[a]\n[a\\b]\n" + textLine(L"DllPath", L"C:\\two.dll") +
             textLine(L"JvmOptions", options) + L"[One]\n" + textLine(L"DllPath", L"C:\\one.dll") +
             textLine(L"JvmOptions", options)},
        {L"/u a\\b", BoxIcon::information, L"JVM \"a\\b\" successfully unregistered.",
         L"[]\n[a]\n[One]\n" + textLine(L"DllPath", L"C:\\one.dll") +
             textLine(L"JvmOptions", options)},
        {L"/s /u a", BoxIcon::none, L"",
         L"[]\n[One]\n" + textLine(L"DllPath", L"C:\\one.dll") + textLine(L"JvmOptions", options)},
        {L"/U one", BoxIcon::information, L"JVM \"one\" successfully unregistered.", L"[]\n"},
        {L"/u One", BoxIcon::exclamation, L"JVM \"One\" isn't registered.", L"[]\n"},
        {L"/l", BoxIcon::information, L"No JVMs registered", L"[]\n"},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(narrow(s.arguments));
        RunResult result = run(s.arguments);
        if (s.icon == BoxIcon::none) {
            expectNoBox(result);
        } else {
            expectOneBox(result, s.icon, caption, s.text);
        }
        EXPECT_EQ(result.exitCode, 0u) << narrow(s.arguments);
        EXPECT_EQ(dumpKey(HKEY_LOCAL_MACHINE, jvms), s.remaining) << narrow(s.arguments);
    }
    deleteTree(HKEY_LOCAL_MACHINE, jvms);
    expectOneBox(run(L"/l"), BoxIcon::information, caption, L"No JVMs registered");
}

TEST_F(BindRuntime, ListsEveryRecordInTheListingWindow) {
    const std::wstring options = cp + L"a.jar;C:\\VOLM\\lib\\VOLM.jar";
    ASSERT_EQ(run(L"/s One C:\\one.dll " + cp + L"a.jar").exitCode, 0u);
    ASSERT_EQ(run(L"/s a\\b C:\\two.dll " + cp + L"a.jar").exitCode, 0u);
    VOLMORA_SKIP_WHERE(PlatformLimit::noListingPaint);

    RunResult result = run(L"/l");
    EXPECT_EQ(result.exitCode, 0u);
    expectNoBox(result);
    ASSERT_EQ(result.listings.size(), 1u);
    EXPECT_EQ(result.listings[0].caption, L"Volmora - Registered JVMs");
    EXPECT_EQ(result.listings[0].text,
              L"a:\r\n    Dll Path: \t?? missing ??\r\n    Options:  \t?? missing ??\r\n"
              L"One:\r\n    Dll Path: \tC:\\one.dll\r\n    Options:  \t" +
                  options);
}

}  // namespace
}  // namespace volmora::e2e
