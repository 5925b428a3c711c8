// The sample setup of the build under test, run silently under Wine as an installer author's
// customers would: the x86-unicode one (the one shipped, under Wine's WoW64 mode) in the i686 run,
// the amd64-unicode one in the x86_64 run. It installs the programs and has them register a JVM,
// a server, a class and a type library; its uninstaller has them remove all of it again. The
// registry is read back after each, in the build's own view, and the other view stays untouched.
// The uninstall runs as a deployment tool runs it, by the quiet command the setup publishes; and
// a copy of the setup that fails after its last registration leaves the registry as it found
// it, with or without registrations of the same names before it.
#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "expectations.h"
#include "harness.h"
#include "registryWriting.h"
#include "sampleProduct.h"

namespace volmora::e2e {
namespace {

namespace fs = std::filesystem;
using namespace sample;

// A folder with a blank, as under Program Files: every path argument must be quoted right.
const std::wstring installFolder = L"C:\\Volmora Setup Test\\VOLM";
const std::wstring setupKey =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + uninstallKey;
constexpr DWORD setupTimeoutMs = 120000;
// The setup of the build under test.
const std::wstring setupSuffix = testingI686Build ? L"-win32.exe" : L"-win64.exe";

// Everything the setup registers, each of which its uninstaller must remove.
std::vector<Key> setupKeys() {
    std::vector<Key> keys = sample::registeredKeys();
    keys.push_back({HKEY_LOCAL_MACHINE, setupKey});
    return keys;
}

std::wstring folderOf(const std::wstring& path) {
    return fs::path(path).parent_path().wstring();
}

// What the runtime's own installer would leave: VOLM.dll beside where the programs go.
void installRuntime() {
    fs::create_directories(installFolder + L"\\bin");
    fs::copy_file(standInRuntimePath(), installFolder + L"\\bin\\VOLM.dll",
                  fs::copy_options::overwrite_existing);
}

void removeEverything() {
    for (const Key& key : setupKeys()) {
        deleteTree(key.root, key.path);
    }
    std::error_code ignored;
    fs::remove_all(folderOf(installFolder), ignored);
}

const std::vector<std::wstring> installedFiles = {
    L"bin\\bindObject.exe", L"bin\\bindRuntime.exe", L"bin\\bindHost.exe",
    L"bin\\bindSchema.exe", L"lib\\" + typeLibFile,  L"uninstall.exe",
};

// Runs a setup silently into installFolder, as an installer author's customers would: /D= comes
// last and unquoted, blanks and all.
RunResult runSetup(const std::wstring& setup) {
    RunOptions options;
    options.program = setup;
    options.timeoutMs = setupTimeoutMs;
    return runTool(L"setup", L"/S /D=" + installFolder, options);
}

// The command that the setup publishes for a quiet uninstall (QuietUninstallString).
std::wstring quietUninstallCommand() {
    wchar_t text[1024] = {};
    DWORD size = sizeof text;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, setupKey.c_str(), L"QuietUninstallString", RRF_RT_REG_SZ,
                     nullptr, text, &size) != ERROR_SUCCESS) {
        return {};
    }
    return text;
}

struct Scenario {
    const char* name;
    bool runtimeInstalled;  // VOLM.dll beside the programs, as the runtime's installer puts it
    std::uint32_t uninstallExit;
    bool typeLibLeft;  // bindSchema cannot remove it (nor its interfaces' keys) without the runtime
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
    const std::wstring setup = newestPackage(L"volmora-sample-setup-", setupSuffix);
    ASSERT_FALSE(setup.empty()) << "no sample setup was built";
    if (scenario.runtimeInstalled) {
        installRuntime();
    }
    // With the runtime's own COM registration gone, bindObject names VOLM.dll beside itself.
    deleteTree(HKEY_CLASSES_ROOT, runtimeRegistration);
    const std::wstring runtimeLibrary = installFolder + L"\\bin\\VOLM.dll";

    const RunResult installed = runSetup(setup);
    ASSERT_FALSE(installed.timedOut);
    expectNoBox(installed);
    ASSERT_EQ(installed.exitCode, 0u);

    for (const std::wstring& file : installedFiles) {
        EXPECT_TRUE(fs::is_regular_file(installFolder + L"\\" + file)) << narrow(file);
    }
    for (const ExpectedKey& key : configuredKeys(installFolder, runtimeLibrary)) {
        EXPECT_EQ(dumpKey(key.root, key.path), key.dump) << narrow(key.path);
    }
    EXPECT_NE(dumpKey(HKEY_LOCAL_MACHINE, setupKey).find(L"UninstallString="), std::wstring::npos);
    for (const Key& key : setupKeys()) {
        if (!sharedByBothViews(key)) {
            EXPECT_FALSE(keyExists(key.root, key.path, otherView)) << narrow(key.path);
        }
    }

    // As a deployment tool runs it: the published quiet command, which must wait for the
    // uninstall (in place, _?=) and return its code; the registry is read the moment it returns.
    const std::wstring quiet = quietUninstallCommand();
    const std::wstring uninstaller = L"\"" + installFolder + L"\\uninstall.exe\" ";
    ASSERT_TRUE(quiet.starts_with(uninstaller)) << narrow(quiet);
    EXPECT_EQ(quiet.substr(uninstaller.size()), L"/S _?=" + installFolder);
    RunOptions options;
    options.program = installFolder + L"\\uninstall.exe";
    options.timeoutMs = setupTimeoutMs;
    const RunResult uninstalled = runTool(L"uninstall", quiet.substr(uninstaller.size()), options);
    ASSERT_FALSE(uninstalled.timedOut);
    expectNoBox(uninstalled);
    EXPECT_EQ(uninstalled.exitCode, scenario.uninstallExit);

    for (const Key& key : setupKeys()) {
        const bool expectLeft =
            scenario.typeLibLeft && (key.path == typeLibKey || isInterfaceKey(key));
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

// A setup that fails after its last registration (the tests' copy, testFiles\): it puts the
// registry back as it found it, whatever of the sample's names stood before it, registered by
// the programs or left by another product.
struct Before {
    const char* name;
    void (*arrange)(const std::wstring& otherFolder);
};

void PrintTo(const Before& before, std::ostream* out) {
    *out << before.name;
}

class FailingSetup : public ::testing::TestWithParam<Before> {
  protected:
    void SetUp() override { removeEverything(); }
    void TearDown() override {
        removeEverything();
        std::error_code ignored;
        fs::remove_all(otherFolder, ignored);
    }
    const std::wstring otherFolder = L"C:\\Volmora Other Product";
};

TEST_P(FailingSetup, PutsTheRegistryBackAsItFoundIt) {
    const std::wstring setup =
        (fs::path(buildFolder()) / "testFiles" / "volmora-sample-setup-failing.exe").wstring();
    ASSERT_TRUE(fs::is_regular_file(setup)) << "the failing copy of the setup was not built";
    installRuntime();
    deleteTree(HKEY_CLASSES_ROOT, runtimeRegistration);
    GetParam().arrange(otherFolder);
    const std::wstring before = registeredState();

    const RunResult installed = runSetup(setup);
    ASSERT_FALSE(installed.timedOut);
    expectNoBox(installed);
    EXPECT_EQ(installed.exitCode, 2u);

    EXPECT_EQ(narrow(registeredState()), narrow(before));
    // The files and the uninstall entry stay, for the uninstaller.
    EXPECT_TRUE(fs::is_regular_file(installFolder + L"\\uninstall.exe"));
    EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, setupKey));
}

// The same names registered by the programs from another folder, with other values.
void registeredElsewhere(const std::wstring& folder) {
    fs::create_directories(folder);
    for (const wchar_t* program : {L"bindObject", L"bindRuntime", L"bindHost", L"bindSchema"}) {
        fs::copy_file(builtToolPath(program), folder + L"\\" + program + L".exe",
                      fs::copy_options::overwrite_existing);
    }
    fs::copy_file(fs::path(buildFolder()) / "installer" / typeLibFile, folder + L"\\" + typeLibFile,
                  fs::copy_options::overwrite_existing);
    const struct {
        const wchar_t* program;
        std::wstring arguments;
    } runs[] = {
        {L"bindRuntime",
         jvmId + L" C:\\Other\\jvm.dll -Djava.class.path=C:\\Other\\VOLM.jar -Xmx1g"},
        {L"bindHost", serverId + L" C:\\Other\\other.jar"},
        {L"bindObject", progId + L" " + classId + L" com.other.Greeter " + jvmId},
        {L"bindSchema", L"\"" + folder + L"\\" + typeLibFile + L"\""},
    };
    for (const auto& run : runs) {
        RunOptions options;
        options.program = folder + L"\\" + run.program + L".exe";
        const RunResult result = runTool(run.program, L"/s " + run.arguments, options);
        ASSERT_EQ(result.exitCode, 0u) << narrow(run.program);
    }
    for (const Key& key : registeredKeys()) {
        ASSERT_TRUE(keyExists(key.root, key.path)) << narrow(key.path);
    }
}

const Before befores[] = {
    {"nothing", [](const std::wstring&) {}},
    {"theSameNames", registeredElsewhere},
    // Part of it: a JVM of the same name with a value of a type the programs never write.
    {"aJvmOfAnotherProduct",
     [](const std::wstring&) {
         const DWORD flags = 7;
         writeValue(HKEY_LOCAL_MACHINE, configRoot + L"\\JVMs\\" + jvmId, L"Flags", REG_DWORD,
                    &flags, sizeof flags);
         writeText(HKEY_LOCAL_MACHINE, configRoot + L"\\JVMs\\" + jvmId + L"\\Owner", L"",
                   L"another product");
     }},
};

INSTANTIATE_TEST_SUITE_P(Before, FailingSetup, ::testing::ValuesIn(befores),
                         [](const ::testing::TestParamInfo<Before>& before) {
                             return std::string(before.param.name);
                         });

}  // namespace
}  // namespace volmora::e2e
