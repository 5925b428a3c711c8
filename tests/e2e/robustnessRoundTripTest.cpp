// Many records through the real tools under Wine: seeded random classes, JVMs and servers
// registered and unregistered again must leave the registry exactly as it was, and two
// processes registering classes at the same time must both end with complete records.
#include <gtest/gtest.h>

#include <array>
#include <exception>
#include <string>
#include <thread>
#include <vector>

#include "expectations.h"
#include "harness.h"
#include "registryWriting.h"
#include "robustness.h"

namespace volmora::e2e {
namespace {

using robustness::configurationRoot;
using robustness::TextSource;

const std::wstring classRecords = configurationRoot + L"\\CLSIDs";
const std::wstring jvmRecords = configurationRoot + L"\\JVMs";
const std::wstring serverRecords = configurationRoot + L"\\Servers";

struct Registration {
    const wchar_t* tool;
    std::wstring arguments;   // registers the record
    std::wstring unregister;  // removes it again
    HKEY root;
    std::wstring recordKey;  // a key the registration must have written
};

std::wstring quotedArgument(const std::wstring& text) {
    return L"\"" + text + L"\"";
}

struct JavaClass {
    std::wstring progId;
    std::wstring clsid;
    std::wstring javaClassName;
    std::wstring jvmId;
};

JavaClass randomClass(TextSource& text, std::size_t index) {
    return {text.keyName(index) + L"." + text.keyName(index), text.guid(),
            L"com.example." + text.keyName(index), text.keyName(index)};
}

std::wstring classArguments(const JavaClass& c) {
    return L"/s " + quotedArgument(c.progId) + L" " + c.clsid + L" " + c.javaClassName + L" " +
           c.jvmId;
}

Registration classRegistration(const JavaClass& c) {
    return {L"bindObject", classArguments(c), L"/s /u " + quotedArgument(c.progId),
            HKEY_CLASSES_ROOT, L"CLSID\\" + c.clsid};
}

Registration jvmRegistration(TextSource& text, std::size_t index) {
    const std::wstring id = text.keyName(index);
    return {L"bindRuntime",
            L"/s " + id + L" \"C:\\Java " + text.keyName(index) + L"\\jvm.dll\" -Xmx" +
                std::to_wstring(16 + text.below(512)) +
                L"m \"-Djava.class.path=C:\\x y\\VOLM.jar;" + text.keyName(index) + L".jar\"",
            L"/s /u " + id, HKEY_LOCAL_MACHINE, jvmRecords + L"\\" + id};
}

Registration serverRegistration(TextSource& text, std::size_t index) {
    const std::wstring id = text.keyName(index);
    std::wstring arguments = L"/s " + id + L" \"C:\\Servers\\" + text.keyName(index) + L".jar\"";
    for (std::size_t n = text.below(4); n > 0; --n)
        arguments += L" " + text.keyName(index);
    return {L"bindHost", arguments, L"/s /u " + id, HKEY_LOCAL_MACHINE, serverRecords + L"\\" + id};
}

// The exit code recorded for a run whose process could not be started.
constexpr std::uint32_t notStarted = 0xFFFFFFFFu;

RunOptions quickRun() {
    RunOptions options;
    options.timeoutMs = 20000;
    return options;
}

void expectQuietSuccess(const RunResult& result) {
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 0u);
    EXPECT_TRUE(result.boxes.empty());
}

// The keys a class's registration writes, dumped in full: the record and the COM keys.
std::wstring classKeys(const JavaClass& c) {
    return dumpKey(HKEY_LOCAL_MACHINE, classRecords + L"\\" + c.clsid) + L"--\n" +
           dumpKey(HKEY_CLASSES_ROOT, L"CLSID\\" + c.clsid) + L"--\n" +
           dumpKey(HKEY_CLASSES_ROOT, c.progId) + L"--\n" +
           dumpKey(HKEY_CLASSES_ROOT, c.progId + L".1");
}

// What classKeys shows for a complete registration with the runtime library at libraryPath.
std::wstring completeClassKeys(const JavaClass& c, const std::wstring& libraryPath) {
    return L"[]\n" + textLine(L"JavaClassName", c.javaClassName) + textLine(L"JvmId", c.jvmId) +
           textLine(L"ProgId", c.progId) + L"--\n" + L"[]\n[InprocServer32]\n" +
           textLine(L"", libraryPath) + textLine(L"ThreadingModel", L"both") + L"[ProgId]\n" +
           textLine(L"", c.progId) + L"--\n" + L"[]\n[CLSID]\n" + textLine(L"", c.clsid) +
           L"[CurVer]\n" + textLine(L"", c.progId + L".1") + L"--\n" + L"[]\n[CLSID]\n" +
           textLine(L"", c.clsid);
}

// The library every class names: the registered runtime's, else VOLM.dll beside the tool.
std::wstring runtimeLibraryPath() {
    wchar_t path[MAX_PATH];
    DWORD size = sizeof path;
    if (RegGetValueW(HKEY_CLASSES_ROOT,
                     L"CLSID\\{3A8D888D-0DB5-4a58-A10B-2743F727D0AB}\\InprocServer32", nullptr,
                     RRF_RT_REG_SZ, nullptr, path, &size) == ERROR_SUCCESS) {
        return path;
    }
    const std::wstring tool = builtToolPath(L"bindObject");
    return tool.substr(0, tool.find_last_of(L'\\')) + L"\\VOLM.dll";
}

void forgetClass(const JavaClass& c) {
    deleteTree(HKEY_LOCAL_MACHINE, classRecords + L"\\" + c.clsid);
    deleteTree(HKEY_CLASSES_ROOT, L"CLSID\\" + c.clsid);
    deleteTree(HKEY_CLASSES_ROOT, c.progId);
    deleteTree(HKEY_CLASSES_ROOT, c.progId + L".1");
}

TEST(RobustRoundTrip, RandomRecordsRegisteredAndUnregisteredLeaveTheRegistryAsItWas) {
    const robustness::ConfigurationKeysRestorer restorer;
    // The record keys exist beforehand, as after any earlier registration: they stay.
    for (const auto& path : {classRecords, jvmRecords, serverRecords})
        createKey(HKEY_LOCAL_MACHINE, path);
    constexpr std::size_t recordsOfEachKind = 200;
    TextSource text(7031);
    std::vector<Registration> registrations;
    for (std::size_t i = 0; i < 3 * recordsOfEachKind; ++i) {
        switch (i % 3) {
            case 0:
                registrations.push_back(classRegistration(randomClass(text, i)));
                break;
            case 1:
                registrations.push_back(jvmRegistration(text, i));
                break;
            default:
                registrations.push_back(serverRegistration(text, i));
        }
    }
    const std::wstring before = robustness::registryState();

    for (const Registration& r : registrations) {
        SCOPED_TRACE(narrow(r.tool) + " " + narrow(r.arguments));
        expectQuietSuccess(runTool(r.tool, r.arguments, quickRun()));
        EXPECT_TRUE(keyExists(r.root, r.recordKey));
    }
    for (const Registration& r : registrations) {
        SCOPED_TRACE(narrow(r.tool) + " " + narrow(r.unregister));
        expectQuietSuccess(runTool(r.tool, r.unregister, quickRun()));
    }
    EXPECT_TRUE(robustness::registryState() == before);
}

TEST(RobustConcurrency, TwoProcessesRegisteringAtOnceBothEndComplete) {
    const robustness::ConfigurationKeysRestorer restorer;
    constexpr std::size_t perProcess = 100;
    TextSource text(4242);
    std::array<std::vector<JavaClass>, 2> classes;
    for (std::size_t i = 0; i < 2 * perProcess; ++i)
        classes[i % 2].push_back(randomClass(text, i));
    for (const auto& list : classes) {
        for (const JavaClass& c : list)
            forgetClass(c);
    }

    // Each thread drives one tool process after the other; the results are checked afterwards,
    // on this thread.
    std::array<std::vector<RunResult>, 2> results;
    auto registerAll = [&](std::size_t which) {
        for (const JavaClass& c : classes[which]) {
            try {
                results[which].push_back(runTool(L"bindObject", classArguments(c), quickRun()));
            } catch (const std::exception&) {
                results[which].push_back({notStarted, false, {}, {}, {}, {}});  // fails below
            }
        }
    };
    std::thread first(registerAll, 0);
    std::thread second(registerAll, 1);
    first.join();
    second.join();

    const std::wstring libraryPath = runtimeLibraryPath();
    for (std::size_t which = 0; which < 2; ++which) {
        ASSERT_EQ(results[which].size(), perProcess);
        for (std::size_t i = 0; i < perProcess; ++i) {
            const JavaClass& c = classes[which][i];
            SCOPED_TRACE(narrow(classArguments(c)));
            expectQuietSuccess(results[which][i]);
            EXPECT_EQ(narrow(classKeys(c)), narrow(completeClassKeys(c, libraryPath)));
        }
    }
    for (const auto& list : classes) {
        for (const JavaClass& c : list)
            forgetClass(c);
    }
}

}  // namespace
}  // namespace volmora::e2e
