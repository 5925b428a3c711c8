// The sample MSI package of the build under test, run by msiexec silently, as a deployment tool
// would: the x86 one in the i686 run (the 32-bit programs, the 32-bit registry view), the x64
// one in the x86_64 run. Its custom actions run the programs through volmoraRun; the registry
// is read back after install, repair and uninstall, after an install whose class registration
// fails and is rolled back, after one that fails past the last registration (a copy of the
// package built for the tests), after one refused for a property that cannot stay one argument,
// through repair, upgrade and a refused downgrade (copies of a later version and of one that
// unregisters inside an upgrade), through the shipped package's own upgrade, the removal of its
// feature by name and an uninstall without the runtime, and after a failed first install over
// the NSIS setup's registrations of the same names, which stay as they were; the installer's
// log holds what the programs and the steps said.
#include <windows.h>

#include <msi.h>
#include <msiquery.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "comPtr.h"
#include "expectations.h"
#include "harness.h"
#include "msiHandle.h"
#include "ownedHandles.h"
#include "sampleProduct.h"

namespace volmora::e2e {
namespace {

namespace fs = std::filesystem;
using namespace sample;

constexpr DWORD msiexecTimeoutMs = 180000;
const std::wstring packageSuffix = testingI686Build ? L"-win32.msi" : L"-win64.msi";
// What msiexec returns for an install that failed and was rolled back. (Wine 8.0's returns
// ERROR_FUNCTION_FAILED, 1627, when an exe action fails, measured; the package's steps are a DLL
// action, whose failure it reports as this.)
constexpr std::uint32_t installFailure = 1603;  // ERROR_INSTALL_FAILURE

// The package's default folder, [ProgramFilesFolder]VOLM or [ProgramFiles64Folder]VOLM: the
// harness has the package's bitness, so its own Program Files is the package's. (Wine's msiexec
// does not find a folder chosen at install time again on uninstall, so the default is used.)
std::wstring installFolder() {
    wchar_t folder[MAX_PATH] = {};
    ExpandEnvironmentStringsW(L"%ProgramFiles%", folder, MAX_PATH);
    return std::wstring(folder) + L"\\VOLM";
}

const std::vector<std::wstring> packageFiles = {
    L"bin\\volmoraRun.exe", L"bin\\bindObject.exe", L"bin\\bindRuntime.exe",
    L"bin\\bindHost.exe",   L"bin\\bindSchema.exe", L"lib\\" + typeLibFile,
};

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::wstring msiexecPath() {
    wchar_t folder[MAX_PATH] = {};
    GetSystemDirectoryW(folder, MAX_PATH);
    return std::wstring(folder) + L"\\msiexec.exe";
}

// A copy of the package that the build makes for the tests (BuildMsi.cmake): next (one patch
// version later), failing (next, failing after its last step), unconditional (as 1.7.0 shipped
// it: its unregistrations run inside an upgrade too).
std::wstring testPackage(const std::wstring& copy) {
    return (fs::path(buildFolder()) / "testFiles" / (L"volmora-sample-" + copy + L".msi"))
        .wstring();
}

// The ProductCode property of the package, read from its tables.
std::wstring productCodeOf(const std::wstring& package) {
    MSIHANDLE handle = 0;
    if (MsiOpenDatabaseW(package.c_str(), MSIDBOPEN_READONLY, &handle) != ERROR_SUCCESS) {
        return {};
    }
    const MsiHandle database(handle);
    if (MsiDatabaseOpenViewW(database.get(),
                             L"SELECT `Value` FROM `Property` WHERE `Property` = 'ProductCode'",
                             &handle) != ERROR_SUCCESS) {
        return {};
    }
    const MsiHandle view(handle);
    if (MsiViewExecute(view.get(), 0) != ERROR_SUCCESS ||
        MsiViewFetch(view.get(), &handle) != ERROR_SUCCESS) {
        return {};
    }
    const MsiHandle record(handle);
    wchar_t code[64] = {};
    DWORD size = 64;
    return MsiRecordGetStringW(record.get(), 1, code, &size) == ERROR_SUCCESS ? code : L"";
}

bool installed(const std::wstring& productCode) {
    return MsiQueryProductStateW(productCode.c_str()) == INSTALLSTATE_DEFAULT;
}

class MsiPackage : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::wstring id = std::to_wstring(GetCurrentProcessId());
        msiLog_ = fs::temp_directory_path() / (L"volmoraMsi" + id + L".log");
        activations_ = fs::temp_directory_path() / (L"volmoraMsiActivations" + id + L".txt");
        package_ = newestPackage(L"volmora-sample-", packageSuffix);
        removeEverything();
    }
    void TearDown() override {
        // A test that failed half-way leaves no product behind, whichever version it installed.
        for (const std::wstring& package : {package_, testPackage(L"next")}) {
            if (const std::wstring code = productCodeOf(package);
                !code.empty() && installed(code)) {
                msiexecWith(code, L"/x", L"");
            }
        }
        removeEverything();
    }

    void removeEverything() {
        for (const Key& key : registeredKeys()) {
            deleteTree(key.root, key.path);
        }
        std::error_code ignored;
        fs::remove_all(installFolder(), ignored);
        for (const fs::path& file : {msiLog_, activations_}) {
            fs::remove(file, ignored);
        }
        deleteTree(HKEY_LOCAL_MACHINE, rememberedKey);
    }

    // The runtime's own installer put VOLM.dll where the programs go; its COM registration is
    // gone, so bindObject names the VOLM.dll beside itself. Its path.
    std::wstring placeRuntime() {
        fs::create_directories(installFolder() + L"\\bin");
        fs::copy_file(standInRuntimePath(), installFolder() + L"\\bin\\VOLM.dll",
                      fs::copy_options::overwrite_existing);
        deleteTree(HKEY_CLASSES_ROOT, runtimeRegistration);
        return installFolder() + L"\\bin\\VOLM.dll";
    }

    // msiexec <action> <package> /qn /l*v <log> <properties>: silent, logged afresh.
    RunResult msiexec(const std::wstring& action, const std::wstring& properties = L"") {
        return msiexecWith(package_, action, properties);
    }
    RunResult msiexecWith(const std::wstring& package, const std::wstring& action,
                          const std::wstring& properties, const std::wstring& ui = L"/qn") {
        RunOptions options;
        options.program = msiexecPath();
        options.timeoutMs = msiexecTimeoutMs;
        options.captureOutput = true;  // what the actions print is not this test's output
        const RunResult result = runTool(L"msiexec",
                                         action + L" \"" + package + L"\" " + ui + L" /l*v \"" +
                                             msiLog_.wstring() + L"\" " + properties,
                                         options);
        EXPECT_FALSE(result.timedOut) << narrow(action);
        if (ui == L"/qn") {
            expectNoBox(result);
        }
        return result;
    }

    void expectConfigured(const std::wstring& runtimeLibrary,
                          const std::wstring& jvmLibrary = L"") {
        for (const ExpectedKey& key : configuredKeys(installFolder(), runtimeLibrary, jvmLibrary)) {
            EXPECT_EQ(dumpKey(key.root, key.path), key.dump) << narrow(key.path);
        }
        // The records and the class key are the build's own view alone. (Whether the ProgID
        // keys are shared by both views depends on the system: the RegistryView suite's matter.)
        for (const Key& key : registeredKeys()) {
            if (key.root == HKEY_LOCAL_MACHINE || key.path.starts_with(L"CLSID\\")) {
                EXPECT_FALSE(keyExists(key.root, key.path, otherView)) << narrow(key.path);
            }
        }
    }

    std::string msiLog() const { return readFile(msiLog_); }

    // Nothing of the product is left: no registration, no file.
    void expectNothingLeft() {
        for (const Key& key : registeredKeys()) {
            EXPECT_FALSE(keyExists(key.root, key.path)) << narrow(key.path);
        }
        for (const std::wstring& file : packageFiles) {
            EXPECT_FALSE(fs::exists(installFolder() + L"\\" + file)) << narrow(file);
        }
    }

    fs::path msiLog_;
    fs::path activations_;
    std::wstring package_;
};

// Each closing line that volmoraRun printed for these programs, in this order.
void expectClosingLines(const std::string& log, const std::vector<std::string>& programs,
                        const std::string& ending) {
    std::size_t at = 0;
    for (const std::string& program : programs) {
        const std::string line = "volmoraRun: " + program + " " + ending;
        at = log.find(line, at);
        ASSERT_NE(at, std::string::npos) << line << " in:\n" << log;
        ++at;
    }
}

// How many times the text occurs in the log.
std::size_t occurrences(const std::string& log, const std::string& text) {
    std::size_t count = 0;
    for (std::size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) {
        ++count;
    }
    return count;
}

// What the rollbacks of a first install write into the log, in the order they run (the reverse of
// the steps'), from the type library's, when it was registered, to the JVM's. A class whose
// CLSID key stood before the install is put back as it was, the rest of it removed.
std::vector<std::string> rollbackLines(bool withTypeLibrary, bool classKeyExisted = false) {
    std::vector<std::string> lines;
    if (withTypeLibrary) {
        lines.push_back("volmoraMsiStep: type library " + narrow(typeLibKey) + "\\" +
                        narrow(typeLibVersion) + "\\" + narrow(typeLibLocale) +
                        (testingI686Build ? "\\win32" : "\\win64") + " removed");
    }
    if (classKeyExisted) {
        lines.push_back("volmoraMsiStep: class " + narrow(progId) +
                        " put back as it stood before the install: HKCR\\CLSID\\" +
                        narrow(classId) + "; removed what the install made: HKLM\\" +
                        narrow(configRoot) + "\\CLSIDs\\" + narrow(classId) + ", HKCR\\" +
                        narrow(progId) + ", HKCR\\" + narrow(progId) + ".1");
    } else {
        lines.push_back("volmoraMsiStep: class " + narrow(progId) + " removed: its record " +
                        narrow(classId) + " and its COM keys");
    }
    lines.push_back("volmoraMsiStep: server " + narrow(serverId) + " removed");
    lines.push_back("volmoraMsiStep: JVM " + narrow(jvmId) + " removed");
    return lines;
}

// The key that registering the type library wrote for each of its interfaces names the library.
void expectInterfaceKeys() {
    for (const std::wstring& iid : interfaceIds) {
        EXPECT_NE(dumpKey(HKEY_CLASSES_ROOT, L"Interface\\" + iid + L"\\TypeLib")
                      .find(textLine(L"", typeLibId)),
                  std::wstring::npos)
            << narrow(iid);
    }
}

TEST_F(MsiPackage, InstallsRepairsAndUninstallsSilently) {
    ASSERT_FALSE(package_.empty()) << "no MSI package was built";
    const std::wstring runtimeLibrary = placeRuntime();

    ASSERT_EQ(msiexec(L"/i").exitCode, 0u) << msiLog();
    for (const std::wstring& file : packageFiles) {
        EXPECT_TRUE(fs::is_regular_file(installFolder() + L"\\" + file)) << narrow(file);
    }
    expectConfigured(runtimeLibrary);
    expectInterfaceKeys();
    expectClosingLines(msiLog(), {"bindRuntime", "bindHost", "bindObject", "bindSchema"},
                       "succeeded (exit code 0); volmoraRun exit code 0");
    // The step says what volmoraRun ended with, whatever it printed.
    EXPECT_EQ(occurrences(msiLog(), "volmoraMsiStep: volmoraRun exit code 0"), 4u) << msiLog();
    EXPECT_NE(msiLog().find("bindObject: information: Java class successfully registered."),
              std::string::npos);

    // A COM client of the build's bitness creates the class through the runtime it names.
    RunOptions client;
    client.program = (fs::path(buildFolder()) / "e2e" / "comClient.exe").wstring();
    client.environment = {{L"VOLM_STANDIN_ACTIVATIONS", activations_.wstring()}};
    client.captureOutput = true;
    const RunResult created = runTool(L"comClient", progId + L" " + classId, client);
    EXPECT_EQ(created.exitCode, 0u);
    EXPECT_EQ(created.output, "bits " + std::string(testingI686Build ? "32" : "64") +
                                  "\r\nCLSIDFromProgID 0x00000000 " + narrow(classId) +
                                  "\r\nProgIDFromCLSID 0x00000000 " + narrow(progId) +
                                  "\r\nCoCreateInstance 0x00000000\r\n");
    EXPECT_EQ(readFile(activations_), narrow(classId) + "\r\n");

    // A repair from the package registers again what was lost.
    deleteTree(HKEY_LOCAL_MACHINE, configRoot + L"\\JVMs\\" + jvmId);
    deleteTree(HKEY_CLASSES_ROOT, progId);
    ASSERT_EQ(msiexec(L"/i", L"REINSTALL=ALL REINSTALLMODE=omus").exitCode, 0u) << msiLog();
    expectConfigured(runtimeLibrary);

    ASSERT_EQ(msiexec(L"/x").exitCode, 0u) << msiLog();
    expectClosingLines(msiLog(), {"bindSchema", "bindObject", "bindHost", "bindRuntime"},
                       "succeeded (exit code 0); volmoraRun exit code 0");
    for (const Key& key : registeredKeys()) {
        EXPECT_FALSE(keyExists(key.root, key.path)) << narrow(key.path);
    }
    for (const std::wstring& file : packageFiles) {
        EXPECT_FALSE(fs::exists(installFolder() + L"\\" + file)) << narrow(file);
    }
    // The runtime's own file stays, and with it the folder; the records' parent keys belong to
    // the bridge, not to this product.
    EXPECT_TRUE(fs::is_regular_file(runtimeLibrary));
    EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, configRoot + L"\\CLSIDs"));
}

// A volatile key where bindObject writes the class: a key that holds only volatile subkeys, so
// bindObject's InprocServer32 cannot be created. The error it gets is this registry's own.
class VolatileClassKey {
  public:
    VolatileClassKey() {
        HKEY key = nullptr;
        if (RegCreateKeyExW(HKEY_CLASSES_ROOT, (L"CLSID\\" + classId).c_str(), 0, nullptr,
                            REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                            nullptr) != ERROR_SUCCESS) {
            return;
        }
        const RegistryKey volatileKey(key);
        HKEY child = nullptr;
        refusal_ = RegCreateKeyExW(key, L"probe", 0, nullptr, REG_OPTION_NON_VOLATILE,
                                   KEY_ALL_ACCESS, nullptr, &child, nullptr);
        const RegistryKey probe(refusal_ == ERROR_SUCCESS ? child : nullptr);
    }
    ~VolatileClassKey() { deleteTree(HKEY_CLASSES_ROOT, L"CLSID\\" + classId); }
    VolatileClassKey(const VolatileClassKey&) = delete;
    VolatileClassKey& operator=(const VolatileClassKey&) = delete;

    // The error of creating a stable subkey in it (0: the registry allowed it).
    LONG refusal() const { return refusal_; }

  private:
    LONG refusal_ = ERROR_SUCCESS;
};

TEST_F(MsiPackage, RollsBackEverythingWhenTheClassCannotBeRegistered) {
    ASSERT_FALSE(package_.empty()) << "no MSI package was built";
    const VolatileClassKey obstacle;
    if (obstacle.refusal() == ERROR_SUCCESS) {
        GTEST_SKIP() << "this registry lets a volatile key hold a stable subkey: nothing makes "
                        "the class registration fail";
    }

    const RunResult installed = msiexec(L"/i");
    EXPECT_EQ(installed.exitCode, installFailure);

    // The JVM and the server were registered before the class, and rolled back with it; the
    // installer's log has bindObject's own message.
    const std::string log = msiLog();
    expectClosingLines(log, {"bindRuntime", "bindHost"},
                       "succeeded (exit code 0); volmoraRun exit code 0");
    for (const std::string& line :
         {"bindObject: error: Can't set InprocServer32 registry value: error=" +
              std::to_string(obstacle.refusal()),
          std::string("volmoraRun: bindObject reported an error (exit code 0); volmoraRun exit "
                      "code 11"),
          std::string("volmoraMsiStep: volmoraRun exit code 11")}) {
        EXPECT_NE(log.find(line), std::string::npos) << line << " in:\n" << log;
    }
    EXPECT_EQ(log.find("volmoraRun: bindSchema"), std::string::npos)
        << "a step after the failed one ran";
    for (const Key& key : registeredKeys()) {
        if (key.path != L"CLSID\\" + classId) {  // the obstacle, removed by the test
            EXPECT_FALSE(keyExists(key.root, key.path)) << narrow(key.path);
        }
    }
    for (const std::wstring& file : packageFiles) {
        EXPECT_FALSE(fs::exists(installFolder() + L"\\" + file)) << narrow(file);
    }
    // The rollback actions ran after the failed action, in reverse order, and each said what it
    // removed; the obstacle stood before the install, and is put back as it was.
    std::size_t at = log.find("volmoraRun: bindObject reported an error");
    ASSERT_NE(at, std::string::npos);
    for (const std::string& removed : rollbackLines(false, true)) {
        at = log.find(removed, at);
        ASSERT_NE(at, std::string::npos) << removed << " in:\n" << log;
    }
}

// A copy of the package whose install fails after every registration is done, the type
// library's included: each is rolled back. The type library's rollback removes the registration
// by the library's identity, so it works although the installer may have removed the .tlb first
// (Wine's msiexec does, measured) and needs no VOLM.dll.
TEST_F(MsiPackage, RollsBackEveryStepWhenTheInstallFailsAfterTheLastOne) {
    const std::wstring failing = testPackage(L"failing");
    ASSERT_TRUE(fs::is_regular_file(failing)) << "the failing copy of the package was not built";

    EXPECT_EQ(msiexecWith(failing, L"/i", L"").exitCode, installFailure);

    const std::string log = msiLog();
    expectClosingLines(log, {"bindRuntime", "bindHost", "bindObject", "bindSchema"},
                       "succeeded (exit code 0); volmoraRun exit code 0");
    const std::string failed = "volmoraMsiStep: CustomActionData is empty";
    std::size_t at = log.find(failed);
    ASSERT_NE(at, std::string::npos) << log;
    for (const std::string& removed : rollbackLines(true)) {
        at = log.find(removed, at);
        ASSERT_NE(at, std::string::npos) << removed << " in:\n" << log;
    }
    // The library's own key goes too, not only the keys below it, and so do its interfaces'
    // keys (in registeredKeys), which the file alone names.
    expectNothingLeft();
    EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, typeLibKey));
}

// A public property whose value cannot reach a program as one argument, passed through the API:
// msiexec.exe would have changed the value before the package saw it (measured: JVMDLL="C:\a""b"
// becomes C:\ab). The programs cannot receive a double quote whole, and a line break would split
// the value into two items of the step's data (a second argument). So the step refuses to run,
// says why, and the install fails cleanly.
TEST_F(MsiPackage, RefusesAPropertyThatCannotStayOneArgument) {
    ASSERT_FALSE(package_.empty()) << "no MSI package was built";
    const struct {
        const char* name;
        std::wstring properties;
        std::string refusal;
    } cases[] = {
        {"double quote", L"JVMDLL=\"C:\\a\"\"b\"",
         "volmoraMsiStep: argument 4 holds a double quote, which the programs cannot receive: "
         "C:\\a\"b"},
        {"line feed", L"JVMDLL=\"C:\\jvm.dll\n-Xdebug\"",
         "volmoraMsiStep: CustomActionData holds 8 items where its first line names 7: a "
         "property's value holds a line feed, which would make two arguments of one"},
        {"carriage return", L"JVMDLL=\"C:\\jvm.dll\r-Xdebug\"",
         "volmoraMsiStep: CustomActionData holds a carriage return in item 5, which no item may "
         "hold: a property's value holds a line break"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RunOptions options;
        options.program = e2eProgramPath(L"msiInstall");
        options.timeoutMs = msiexecTimeoutMs;
        options.captureOutput = true;
        options.environment = {{L"VOLMORA_MSI_PROPERTIES", c.properties}};
        const RunResult installed = runTool(
            L"msiInstall", L"\"" + package_ + L"\" \"" + msiLog_.wstring() + L"\"", options);
        ASSERT_FALSE(installed.timedOut);
        expectNoBox(installed);
        EXPECT_EQ(installed.exitCode, installFailure) << installed.output;

        const std::string log = msiLog();
        EXPECT_NE(log.find(c.refusal), std::string::npos) << log;
        EXPECT_EQ(log.find("volmoraRun: "), std::string::npos) << "a program ran:\n" << log;
        expectNothingLeft();
    }
}

// What the administrator gave at install time stays through a repair and an upgrade, unless the
// command line names something else; the older version, which unregisters everything on its way
// out, is replaced by the newer one and every registration stands; and the older version refuses
// to replace the newer one, saying why.
TEST_F(MsiPackage, KeepsWhatTheAdministratorGaveThroughRepairAndUpgrade) {
    const std::wstring older = testPackage(L"unconditional");
    const std::wstring newer = testPackage(L"next");
    ASSERT_TRUE(fs::is_regular_file(older) && fs::is_regular_file(newer))
        << "the test copies of the package were not built";
    const std::wstring runtimeLibrary = placeRuntime();
    const std::wstring given = L"C:\\Given JVM\\bin\\server\\jvm.dll";

    ASSERT_EQ(msiexecWith(older, L"/i", L"JVMDLL=\"" + given + L"\"").exitCode, 0u) << msiLog();
    expectConfigured(runtimeLibrary, given);
    ASSERT_EQ(msiexecWith(older, L"/i", L"REINSTALL=ALL REINSTALLMODE=omus").exitCode, 0u)
        << msiLog();
    expectConfigured(runtimeLibrary, given);

    ASSERT_EQ(msiexecWith(newer, L"/i", L"").exitCode, 0u) << msiLog();
    EXPECT_FALSE(installed(productCodeOf(older)));
    EXPECT_TRUE(installed(productCodeOf(newer)));
    expectConfigured(runtimeLibrary, given);
    expectInterfaceKeys();

    // The command line comes before what was remembered, and is remembered in turn.
    const std::wstring other = L"C:\\Other JVM\\jvm.dll";
    ASSERT_EQ(
        msiexecWith(newer, L"/i", L"REINSTALL=ALL REINSTALLMODE=omus JVMDLL=\"" + other + L"\"")
            .exitCode,
        0u)
        << msiLog();
    expectConfigured(runtimeLibrary, other);

    // With a user interface, so that the refusal shows (Wine's msiexec logs no launch
    // condition's text, measured).
    const RunResult downgrade = msiexecWith(older, L"/i", L"", L"/qb");
    // msiexec returns 1603 for a refused downgrade, as for a failed install (a shell that sees
    // only the low byte of an exit code shows 67).
    EXPECT_EQ(downgrade.exitCode, installFailure);
    ASSERT_EQ(downgrade.boxes.size(), 1u) << msiLog();
    EXPECT_EQ(downgrade.boxes[0].text,
              L"A newer version of Volmora Sample is already installed. To install this version, "
              L"uninstall the newer one first.");
    EXPECT_FALSE(installed(productCodeOf(older)));
    expectConfigured(runtimeLibrary, other);

    ASSERT_EQ(msiexecWith(newer, L"/x", L"").exitCode, 0u) << msiLog();
    expectNothingLeft();
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, rememberedKey));
}

// An upgrade that fails is rolled back without removing the registrations that the older
// version still uses: its names were there before the upgrade began. Windows Installer removes
// the older product inside the upgrade's own transaction and restores it when the upgrade fails,
// so the older product is still installed afterwards, with its registrations. Wine's msiexec
// removes it in a process of its own, without rollback (and without UPGRADINGPRODUCTCODE, so
// its unregistrations run): there no product is left, and the names that stand are the ones the
// failing version wrote again before it failed. Which of the two this msiexec did is read from
// the product's state.
TEST_F(MsiPackage, AFailedUpgradeLeavesTheOlderVersionsRegistrations) {
    ASSERT_FALSE(package_.empty()) << "no MSI package was built";
    const std::wstring failing = testPackage(L"failing");
    const std::wstring runtimeLibrary = placeRuntime();
    ASSERT_EQ(msiexec(L"/i").exitCode, 0u) << msiLog();

    EXPECT_EQ(msiexecWith(failing, L"/i", L"").exitCode, installFailure);
    EXPECT_NE(msiLog().find("volmoraMsiStep: CustomActionData is empty"), std::string::npos)
        << msiLog();
    EXPECT_FALSE(installed(productCodeOf(failing)));
    // No rollback of the failed version ran: it is an upgrade.
    EXPECT_EQ(msiLog().find("volmoraMsiStep: JVM " + narrow(jvmId) + " removed"), std::string::npos)
        << msiLog();
    if (installed(productCodeOf(package_))) {
        for (const std::wstring& file : packageFiles) {
            EXPECT_TRUE(fs::is_regular_file(installFolder() + L"\\" + file)) << narrow(file);
        }
    } else {
        ::testing::Test::RecordProperty(
            "skippedCheck",
            "the older product is installed after a failed upgrade: this msiexec removed it "
            "outside the upgrade's transaction and did not restore it");
    }
    for (const Key& key : registeredKeys()) {
        EXPECT_TRUE(keyExists(key.root, key.path)) << narrow(key.path);
    }
    expectConfigured(runtimeLibrary);
}

// The shipped package's own upgrade: the next version replaces it, every registration stands,
// and uninstalling the next version afterwards leaves nothing.
TEST_F(MsiPackage, UpgradesToTheNextVersionAndUninstallsAfterIt) {
    ASSERT_FALSE(package_.empty()) << "no MSI package was built";
    const std::wstring next = testPackage(L"next");
    const std::wstring runtimeLibrary = placeRuntime();
    ASSERT_EQ(msiexec(L"/i").exitCode, 0u) << msiLog();

    ASSERT_EQ(msiexecWith(next, L"/i", L"").exitCode, 0u) << msiLog();
    EXPECT_FALSE(installed(productCodeOf(package_)));
    EXPECT_TRUE(installed(productCodeOf(next)));
    expectConfigured(runtimeLibrary);
    expectInterfaceKeys();
    for (const std::wstring& file : packageFiles) {
        EXPECT_TRUE(fs::is_regular_file(installFolder() + L"\\" + file)) << narrow(file);
    }

    ASSERT_EQ(msiexecWith(next, L"/x", L"").exitCode, 0u) << msiLog();
    EXPECT_FALSE(installed(productCodeOf(next)));
    expectNothingLeft();
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, rememberedKey));
    EXPECT_TRUE(fs::is_regular_file(runtimeLibrary));
}

// Removing the sample's feature by name removes the programs as a whole uninstall does: the
// registrations go before the files, none runs while they are being removed, and nothing is
// left.
TEST_F(MsiPackage, RemovingTheFeatureByNameUnregistersBeforeTheFilesGo) {
    ASSERT_FALSE(package_.empty()) << "no MSI package was built";
    placeRuntime();
    ASSERT_EQ(msiexec(L"/i").exitCode, 0u) << msiLog();

    ASSERT_EQ(msiexec(L"/i", L"REMOVE=Sample").exitCode, 0u) << msiLog();
    const std::string log = msiLog();
    expectClosingLines(log, {"bindSchema", "bindObject", "bindHost", "bindRuntime"},
                       "succeeded (exit code 0); volmoraRun exit code 0");
    EXPECT_EQ(log.find("cannot start"), std::string::npos) << log;
    EXPECT_EQ(log.find("volmoraRun: bindRuntime succeeded (exit code 0)",
                       log.find("volmoraRun: bindRuntime succeeded") + 1),
              std::string::npos)
        << "a registration ran again:\n"
        << log;
    expectNothingLeft();
    EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, typeLibKey));
}

// Uninstalled after the runtime: bindSchema /u cannot remove the type library without VOLM.dll,
// and the uninstall removes its keys by the library's identity all the same, its interfaces'
// keys with them.
TEST_F(MsiPackage, UninstallsTheTypeLibraryWithoutTheRuntime) {
    ASSERT_FALSE(package_.empty()) << "no MSI package was built";
    const std::wstring runtimeLibrary = placeRuntime();
    ASSERT_EQ(msiexec(L"/i").exitCode, 0u) << msiLog();
    expectInterfaceKeys();
    fs::remove(runtimeLibrary);

    ASSERT_EQ(msiexec(L"/x").exitCode, 0u) << msiLog();
    const std::string log = msiLog();
    EXPECT_EQ(log.find("volmoraRun: bindSchema succeeded"), std::string::npos)
        << "bindSchema /u removed the library without the runtime:\n"
        << log;
    EXPECT_NE(log.find(rollbackLines(true).front()), std::string::npos) << log;
    expectNothingLeft();
    EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, typeLibKey));
}

// The NSIS setup's registrations of the same names stand before a first MSI install that fails:
// its rollback puts back what the NSIS setup had registered, value for value, and removes only
// what the MSI install made.
TEST_F(MsiPackage, AFailedFirstInstallKeepsTheRegistrationsThatWereThereBeforeIt) {
    const std::wstring failing = testPackage(L"failing");
    const std::wstring setup =
        newestPackage(L"volmora-sample-setup-", testingI686Build ? L"-win32.exe" : L"-win64.exe");
    ASSERT_FALSE(setup.empty()) << "no sample setup was built";
    const std::wstring setupFolder = L"C:\\Volmora Setup Before\\VOLM";
    RunOptions options;
    options.program = setup;
    options.timeoutMs = msiexecTimeoutMs;
    const RunResult setupRun = runTool(L"setup", L"/S /D=" + setupFolder, options);
    ASSERT_FALSE(setupRun.timedOut);
    ASSERT_EQ(setupRun.exitCode, 0u);
    const std::wstring before = registeredState();
    for (const Key& key : registeredKeys()) {
        ASSERT_TRUE(keyExists(key.root, key.path)) << narrow(key.path);
    }

    EXPECT_EQ(msiexecWith(failing, L"/i", L"").exitCode, installFailure);
    const std::string log = msiLog();
    EXPECT_NE(log.find("volmoraMsiStep: CustomActionData is empty"), std::string::npos) << log;
    EXPECT_NE(log.find("volmoraMsiStep: JVM " + narrow(jvmId) +
                       " put back as it stood before the install"),
              std::string::npos)
        << log;
    EXPECT_EQ(registeredState(), before);
    EXPECT_FALSE(installed(productCodeOf(failing)));
    for (const std::wstring& file : packageFiles) {
        EXPECT_FALSE(fs::exists(installFolder() + L"\\" + file)) << narrow(file);
    }
    EXPECT_TRUE(fs::is_regular_file(setupFolder + L"\\uninstall.exe"));

    std::error_code ignored;
    fs::remove_all(fs::path(setupFolder).parent_path(), ignored);
    deleteTree(HKEY_LOCAL_MACHINE,
               L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + uninstallKey);
}

// The IIDs that the type library's rollback names (sampleProduct.cmake) are the interfaces that
// the built library declares, so that its registration's Interface keys are the ones a rollback
// removes.
TEST(SampleTypeLibrary, DeclaresTheInterfacesThatItsRollbackNames) {
    const fs::path library = fs::path(buildFolder()) / "installer" / typeLibFile;
    ComPtr<ITypeLib> loaded;
    ASSERT_EQ(LoadTypeLibEx(library.wstring().c_str(), REGKIND_NONE, loaded.put()), S_OK)
        << library.string();
    std::set<std::wstring> declared;
    for (UINT index = 0; index < loaded.get()->GetTypeInfoCount(); ++index) {
        ComPtr<ITypeInfo> info;
        ASSERT_EQ(loaded.get()->GetTypeInfo(index, info.put()), S_OK);
        TYPEATTR* attributes = nullptr;
        ASSERT_EQ(info.get()->GetTypeAttr(&attributes), S_OK);
        if (attributes->typekind == TKIND_INTERFACE || attributes->typekind == TKIND_DISPATCH) {
            wchar_t iid[40] = {};
            StringFromGUID2(attributes->guid, iid, 40);
            declared.insert(iid);
            EXPECT_NE(attributes->wTypeFlags & TYPEFLAG_FDUAL, 0) << narrow(iid);
        }
        info.get()->ReleaseTypeAttr(attributes);
    }
    EXPECT_EQ(declared, std::set<std::wstring>(interfaceIds.begin(), interfaceIds.end()));
}

}  // namespace
}  // namespace volmora::e2e
