// The sample setup of the build under test, run silently under Wine as an installer author's
// customers would: the x86-unicode one (the one shipped, under Wine's WoW64 mode) in the i686 run,
// the amd64-unicode one in the x86_64 run. It installs the programs and has them register a JVM,
// a server, a class and a type library; its uninstaller has them remove all of it again. The
// registry is read back after each, in the build's own view, and the other view stays untouched.
#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "expectations.h"
#include "harness.h"

namespace volmora::e2e {
namespace {

namespace fs = std::filesystem;

// A folder with a blank, as under Program Files: every path argument must be quoted right.
const std::wstring installFolder = L"C:\\Volmora Setup Test\\VOLM";
const std::wstring configRoot = L"SOFTWARE\\Tamsiver Software\\VOLM";
const std::wstring classId = L"{9D3A4E2F-7B61-4F08-B5C2-3E8A1D6F0C57}";
const std::wstring progId = L"VolmoraSample.Greeter";
const std::wstring typeLibKey = L"TypeLib\\{6C1E2B7A-3F0D-4E8B-9A52-1D7C4F0B9E31}";
const std::wstring uninstallKey =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\VolmoraSample";
const std::wstring runtimeRegistration =
    L"CLSID\\{3A8D888D-0DB5-4a58-A10B-2743F727D0AB}\\InprocServer32";
constexpr DWORD setupTimeoutMs = 120000;
// The setup of the build under test, and the system kind of the type library it installs.
const std::wstring setupSuffix = testingI686Build ? L"-win32.exe" : L"-win64.exe";
const std::wstring typeLibSystem = testingI686Build ? L"win32" : L"win64";

struct Key {
    HKEY root;
    std::wstring path;
};

// Everything the setup registers, each of which its uninstaller must remove.
std::vector<Key> registeredKeys() {
    return {
        {HKEY_LOCAL_MACHINE, configRoot + L"\\JVMs\\SampleJVM"},
        {HKEY_LOCAL_MACHINE, configRoot + L"\\Servers\\SampleServer"},
        {HKEY_LOCAL_MACHINE, configRoot + L"\\CLSIDs\\" + classId},
        {HKEY_CLASSES_ROOT, L"CLSID\\" + classId},
        {HKEY_CLASSES_ROOT, progId},
        {HKEY_CLASSES_ROOT, progId + L".1"},
        {HKEY_CLASSES_ROOT, typeLibKey},
        {HKEY_LOCAL_MACHINE, uninstallKey},
    };
}

// Type libraries and the ProgID keys are one set for both registry views; the rest is per view.
bool sharedByBothViews(const Key& key) {
    return key.path.starts_with(L"TypeLib\\") || key.path.starts_with(progId);
}

std::wstring folderOf(const std::wstring& path) {
    return fs::path(path).parent_path().wstring();
}

// The newest sample setup that the build wrote beside its packages.
std::wstring sampleSetupPath() {
    const fs::path packages =
        fs::path(folderOf(folderOf(builtToolPath(L"bindObject")))) / "packages";
    fs::path newest;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(packages, error)) {
        const std::wstring name = entry.path().filename().wstring();
        if (name.starts_with(L"volmora-sample-setup-") && name.ends_with(setupSuffix) &&
            (newest.empty() || entry.last_write_time() > fs::last_write_time(newest))) {
            newest = entry.path();
        }
    }
    return newest.wstring();
}

// The stand-in runtime library that the build makes for the tests (in testFiles\ beside bin\):
// its UnregisterTypeLibrary removes a type library's registration as VOLM.dll does.
std::wstring standInRuntimePath() {
    return folderOf(folderOf(builtToolPath(L"bindSchema"))) + L"\\testFiles\\VOLM.dll";
}

// What the runtime's own installer would leave: VOLM.dll beside where the programs go.
void installRuntime() {
    fs::create_directories(installFolder + L"\\bin");
    fs::copy_file(standInRuntimePath(), installFolder + L"\\bin\\VOLM.dll",
                  fs::copy_options::overwrite_existing);
}

void removeEverything() {
    for (const Key& key : registeredKeys()) {
        deleteTree(key.root, key.path);
    }
    std::error_code ignored;
    fs::remove_all(folderOf(installFolder), ignored);
}

struct ExpectedKey {
    HKEY root;
    std::wstring path;
    std::wstring dump;
};

// What the four programs write for the sample, value by value.
std::vector<ExpectedKey> configuredKeys(const std::wstring& runtimeLibrary) {
    const std::wstring lib = installFolder + L"\\lib\\";
    return {
        {HKEY_LOCAL_MACHINE, configRoot + L"\\JVMs\\SampleJVM",
         L"[]\n" + textLine(L"DllPath", installFolder + L"\\jre\\bin\\server\\jvm.dll") +
             textLine(L"JvmOptions", L"\"-Djava.class.path=" + lib + L"VOLM.jar\" -Xmx64m")},
        {HKEY_LOCAL_MACHINE, configRoot + L"\\Servers\\SampleServer",
         L"[]\n" + textLine(L"Classpath", lib + L"VolmoraSample.jar") + textLine(L"Imports", L"")},
        {HKEY_LOCAL_MACHINE, configRoot + L"\\CLSIDs\\" + classId,
         L"[]\n" + textLine(L"JavaClassName", L"com.tamsiver.sample.Greeter") +
             textLine(L"JvmId", L"SampleJVM") + textLine(L"ProgId", progId) +
             textLine(L"ServerId", L"SampleServer")},
        {HKEY_CLASSES_ROOT, L"CLSID\\" + classId,
         L"[]\n[InprocServer32]\n" + textLine(L"", runtimeLibrary) +
             textLine(L"ThreadingModel", L"both") + L"[ProgId]\n" + textLine(L"", progId)},
        {HKEY_CLASSES_ROOT, progId,
         L"[]\n[CLSID]\n" + textLine(L"", classId) + L"[CurVer]\n" + textLine(L"", progId + L".1")},
        {HKEY_CLASSES_ROOT, progId + L".1", L"[]\n[CLSID]\n" + textLine(L"", classId)},
        {HKEY_CLASSES_ROOT, typeLibKey + L"\\1.0\\0\\" + typeLibSystem,
         L"[]\n" + textLine(L"", lib + L"VolmoraSample.tlb")},
    };
}

const std::vector<std::wstring> installedFiles = {
    L"bin\\bindObject.exe", L"bin\\bindRuntime.exe",   L"bin\\bindHost.exe",
    L"bin\\bindSchema.exe", L"lib\\VolmoraSample.tlb", L"uninstall.exe",
};

struct Scenario {
    const char* name;
    bool runtimeInstalled;  // VOLM.dll beside the programs, as the runtime's installer puts it
    std::uint32_t uninstallExit;
    bool typeLibLeft;  // bindSchema cannot remove it without the runtime library
};

void PrintTo(const Scenario& scenario, std::ostream* out) {
    *out << scenario.name;
}

class SampleSetup : public ::testing::TestWithParam<Scenario> {
  protected:
    void SetUp() override { removeEverything(); }
    void TearDown() override { removeEverything(); }
};

TEST_P(SampleSetup, InstallsConfiguresAndUninstallsSilently) {
    const Scenario& scenario = GetParam();
    const std::wstring setup = sampleSetupPath();
    ASSERT_FALSE(setup.empty()) << "no sample setup was built";
    if (scenario.runtimeInstalled) {
        installRuntime();
    }
    // With the runtime's own COM registration gone, bindObject names VOLM.dll beside itself.
    deleteTree(HKEY_CLASSES_ROOT, runtimeRegistration);
    const std::wstring runtimeLibrary = installFolder + L"\\bin\\VOLM.dll";

    RunOptions options;
    options.program = setup;
    options.timeoutMs = setupTimeoutMs;
    // /D= comes last and unquoted, blanks and all.
    const RunResult installed = runTool(L"setup", L"/S /D=" + installFolder, options);
    ASSERT_FALSE(installed.timedOut);
    expectNoBox(installed);
    ASSERT_EQ(installed.exitCode, 0u);

    for (const std::wstring& file : installedFiles) {
        EXPECT_TRUE(fs::is_regular_file(installFolder + L"\\" + file)) << narrow(file);
    }
    for (const ExpectedKey& key : configuredKeys(runtimeLibrary)) {
        EXPECT_EQ(dumpKey(key.root, key.path), key.dump) << narrow(key.path);
    }
    EXPECT_NE(dumpKey(HKEY_LOCAL_MACHINE, uninstallKey).find(L"UninstallString="),
              std::wstring::npos);
    for (const Key& key : registeredKeys()) {
        if (!sharedByBothViews(key)) {
            EXPECT_FALSE(keyExists(key.root, key.path, otherView)) << narrow(key.path);
        }
    }

    // In place (_?=): otherwise the uninstaller copies itself away and returns at once.
    options.program = installFolder + L"\\uninstall.exe";
    const RunResult uninstalled = runTool(L"uninstall", L"/S _?=" + installFolder, options);
    ASSERT_FALSE(uninstalled.timedOut);
    expectNoBox(uninstalled);
    EXPECT_EQ(uninstalled.exitCode, scenario.uninstallExit);

    for (const Key& key : registeredKeys()) {
        const bool expectLeft = scenario.typeLibLeft && key.path == typeLibKey;
        EXPECT_EQ(keyExists(key.root, key.path), expectLeft) << narrow(key.path);
    }
    for (const std::wstring& file : installedFiles) {
        if (file != L"uninstall.exe") {  // running in place, it cannot delete itself
            EXPECT_FALSE(fs::exists(installFolder + L"\\" + file)) << narrow(file);
        }
    }
    // The records' parent keys belong to the bridge, not to this product: they stay.
    EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, configRoot + L"\\CLSIDs"));
}

const Scenario scenarios[] = {
    {"runtimeInstalled", true, 0, false},
    // Uninstalled after the runtime: bindSchema fails, the uninstaller removes the rest and says
    // so.
    {"runtimeMissing", false, 2, true},
};

INSTANTIATE_TEST_SUITE_P(Scenarios, SampleSetup, ::testing::ValuesIn(scenarios),
                         [](const ::testing::TestParamInfo<Scenario>& scenario) {
                             return std::string(scenario.param.name);
                         });

}  // namespace
}  // namespace volmora::e2e
