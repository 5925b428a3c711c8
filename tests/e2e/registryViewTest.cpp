// Where each tool's writes land on a 64-bit system: a 32-bit tool writes the 32-bit view of the
// registry (below HKLM\SOFTWARE\WOW6432Node and HKCR\WOW6432Node), a 64-bit one the 64-bit view;
// neither touches the other view's records and class keys. The type libraries and the ProgID
// keys are one set for both views: the keys a 32-bit tool writes there are the ones the 64-bit
// view has. What the keys hold is checked by each tool's own tests.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "expectations.h"
#include "harness.h"

namespace volmora::e2e {
namespace {

const std::wstring vendor = L"Tamsiver Software\\VOLM\\";
const std::wstring clsid = L"{8F2C6D14-5A3B-4E97-B0D1-26C9E4A7F358}";
const std::wstring progId = L"VolmoraView.Probe";
const std::wstring typeLibrary = L"TypeLib\\{E4D004C9-B840-44FD-A48D-F9524C0E03EB}";

enum class Views {
    own,     // each view has a key of its own
    shared,  // one key for both, seen alike from both
    // One key for both: what the 32-bit tools write there is the key of the 64-bit view. Asked
    // for the 32-bit view, a 64-bit program is shown these keys on Windows but not under Wine,
    // so that is not checked.
    progIds,
};

struct Key {
    HKEY root;
    std::wstring path;       // as the tool names it
    std::wstring wow64Path;  // where the 32-bit view keeps a key of its own
    Views views = Views::own;
};

Key record(const std::wstring& relative) {
    return {HKEY_LOCAL_MACHINE, L"SOFTWARE\\" + vendor + relative,
            L"SOFTWARE\\WOW6432Node\\" + vendor + relative};
}

struct ViewCase {
    const wchar_t* tool;
    std::wstring registration;
    std::wstring unregistration;
    std::vector<Key> keys;
};

std::vector<ViewCase> viewCases() {
    const std::wstring testFiles = buildFolder() + L"\\testFiles\\";
    return {
        {L"bindObject",
         L"/s " + progId + L" " + clsid + L" com.tamsiver.View ViewJVM ViewServer",
         L"/s /u " + progId,
         {record(L"CLSIDs\\" + clsid),
          {HKEY_CLASSES_ROOT, L"CLSID\\" + clsid, L"WOW6432Node\\CLSID\\" + clsid},
          {HKEY_CLASSES_ROOT, progId, L"", Views::progIds},
          {HKEY_CLASSES_ROOT, progId + L".1", L"", Views::progIds}}},
        {L"bindRuntime",
         L"/s ViewJVM C:\\jre\\bin\\server\\jvm.dll -Djava.class.path=C:\\VOLM\\lib\\VOLM.jar",
         L"/s /u ViewJVM",
         {record(L"JVMs\\ViewJVM")}},
        {L"bindHost",
         L"/s ViewServer C:\\view.jar",
         L"/s /u ViewServer",
         {record(L"Servers\\ViewServer")}},
        // The stand-in runtime on PATH removes the registration through its export.
        {L"bindSchema",
         L"/s \"" + testFiles + L"sampleSchema-win32.tlb\"",
         L"/s /u \"" + testFiles + L"sampleSchema-win32.tlb\"",
         {{HKEY_CLASSES_ROOT, typeLibrary, L"", Views::shared}}},
    };
}

// Where the harness, looking at the 64-bit view, finds the key the tool wrote.
std::wstring placeIn64BitView(const Key& key) {
    return testingI686Build && key.views == Views::own ? key.wow64Path : key.path;
}

void removeFromBothViews(const ViewCase& c) {
    for (const Key& key : c.keys) {
        deleteTree(key.root, key.path, RegistryView::bits32);
        deleteTree(key.root, key.path, RegistryView::bits64);
    }
}

RunResult runSilently(const std::wstring& tool, const std::wstring& arguments) {
    RunOptions options;
    std::vector<wchar_t> path(32767);
    const DWORD length = GetEnvironmentVariableW(L"PATH", path.data(), 32767);
    options.environment = {
        {L"PATH", buildFolder() + L"\\testFiles;" + std::wstring(path.data(), length)}};
    RunResult result = runTool(tool, arguments, options);
    expectNoBox(result);
    EXPECT_EQ(result.exitCode, 0u) << narrow(tool + L" " + arguments);
    return result;
}

TEST(RegistryView, EachToolWritesItsOwnViewOnlyAndTheSharedKeysAreSeenFromBoth) {
    for (const ViewCase& c : viewCases()) {
        SCOPED_TRACE(narrow(c.tool));
        removeFromBothViews(c);
        runSilently(c.tool, c.registration);
        for (const Key& key : c.keys) {
            SCOPED_TRACE(narrow(key.path));
            const std::wstring written = dumpKey(key.root, key.path);
            EXPECT_NE(written, L"");
            EXPECT_EQ(dumpKey(key.root, placeIn64BitView(key), RegistryView::bits64), written);
            if (key.views != Views::progIds) {
                EXPECT_EQ(dumpKey(key.root, key.path, otherView),
                          key.views == Views::shared ? written : L"");
            }
        }
        runSilently(c.tool, c.unregistration);
        for (const Key& key : c.keys) {
            EXPECT_FALSE(keyExists(key.root, key.path, RegistryView::bits32)) << narrow(key.path);
            EXPECT_FALSE(keyExists(key.root, key.path, RegistryView::bits64)) << narrow(key.path);
        }
        removeFromBothViews(c);
    }
}

}  // namespace
}  // namespace volmora::e2e
