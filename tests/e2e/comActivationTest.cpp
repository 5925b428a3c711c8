// What bindObject registers, proven by COM itself: a plain client looks the class up by ProgID
// and CLSID and creates it, and COM loads the library the class names (the stand-in runtime,
// which serves the classes that have a class record and notes each request). A 64-bit client
// does not see what the 32-bit bindObject registered, as on 64-bit Windows.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>

#include "expectations.h"
#include "harness.h"

namespace volmora::e2e {
namespace {

namespace fs = std::filesystem;

const std::wstring progId = L"VolmoraActivation.Probe";
const std::wstring clsid = L"{5C0E7A31-2B9D-4F66-9E14-7D3A0C8B51F2}";
const std::string clsidAsComWritesIt = "{5C0E7A31-2B9D-4F66-9E14-7D3A0C8B51F2}";
const std::wstring classRecord = L"SOFTWARE\\Tamsiver Software\\VOLM\\CLSIDs\\" + clsid;
const std::wstring runtimeServer = L"CLSID\\{3A8D888D-0DB5-4a58-A10B-2743F727D0AB}\\InprocServer32";
constexpr wchar_t activationsVariable[] = L"VOLM_STANDIN_ACTIVATIONS";

constexpr const char* succeeded = "0x00000000";
constexpr const char* classNotRegistered = "0x80040154";  // REGDB_E_CLASSNOTREG
constexpr const char* classNotAvailable = "0x80040111";   // CLASS_E_CLASSNOTAVAILABLE
constexpr const char* invalidClassString = "0x800401F3";  // CO_E_CLASSSTRING

// build\<architecture>\bin\bindObject.exe: the build folder of this run, and the folder that
// holds the builds of both architectures.
fs::path thisBuild() {
    return fs::path(builtToolPath(L"bindObject")).parent_path().parent_path();
}

std::wstring standInRuntime() {
    return (thisBuild() / "testFiles" / "VOLM.dll").wstring();
}

enum class Client { sameArchitecture, x86_64 };

// The client built with this test program, or the x86_64 build's one beside this build.
std::wstring clientPath(Client client) {
    const fs::path build =
        client == Client::sameArchitecture ? thisBuild() : thisBuild().parent_path() / "x86_64";
    return (build / "e2e" / "comClient.exe").wstring();
}

unsigned clientBits(Client client) {
    return client == Client::x86_64 || !testingI686Build ? 64 : 32;
}

enum class Registration { whole, withoutClassRecord, unregistered };

struct Case {
    const char* name;
    Client client;
    Registration registration;
    // The client's three results, with the value that each successful call prints.
    std::string fromProgId;
    std::string fromClsid;
    std::string created;
    bool libraryReached;
};

void PrintTo(const Case& c, std::ostream* out) {
    *out << c.name;
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class ComActivation : public ::testing::TestWithParam<Case> {
  protected:
    void SetUp() override {
        activations_ = fs::temp_directory_path() /
                       ("volmoraActivations" + std::to_string(GetCurrentProcessId()) + ".txt");
        cleanUp();
    }
    void TearDown() override { cleanUp(); }

    void cleanUp() {
        deleteTree(HKEY_LOCAL_MACHINE, classRecord);
        deleteTree(HKEY_CLASSES_ROOT, L"CLSID\\" + clsid);
        deleteTree(HKEY_CLASSES_ROOT, progId);
        deleteTree(HKEY_CLASSES_ROOT, progId + L".1");
        deleteTree(HKEY_CLASSES_ROOT, runtimeServer.substr(0, runtimeServer.rfind(L'\\')));
        std::error_code ignored;
        fs::remove(activations_, ignored);
    }

    // bindObject, silent as in an installer, with the runtime registered at the stand-in.
    void registerProbe() {
        setDefaultText(HKEY_CLASSES_ROOT, runtimeServer, standInRuntime());
        const RunResult result = runTool(
            L"bindObject", L"/s " + progId + L" " + clsid + L" com.tamsiver.Probe ProbeJVM");
        expectNoBox(result);
        ASSERT_EQ(result.exitCode, 0u);
    }

    RunResult runClient(Client client) {
        RunOptions options;
        options.program = clientPath(client);
        options.environment = {{activationsVariable, activations_.wstring()}};
        options.captureOutput = true;
        return runTool(L"comClient", progId + L" " + clsid, options);
    }

    fs::path activations_;
};

TEST_P(ComActivation, ReachesTheRegisteredLibraryOnlyFromItsOwnView) {
    const Case& c = GetParam();
    if (c.client == Client::x86_64 && !testingI686Build) {
        GTEST_SKIP() << "only the i686 build registers in the 32-bit view";
    }
    ASSERT_TRUE(fs::is_regular_file(clientPath(c.client)))
        << narrow(clientPath(c.client)) << " is missing: the x86_64 build makes it";
    registerProbe();
    if (c.registration == Registration::withoutClassRecord) {
        deleteTree(HKEY_LOCAL_MACHINE, classRecord);
    } else if (c.registration == Registration::unregistered) {
        const RunResult removed = runTool(L"bindObject", L"/u /s " + progId);
        expectNoBox(removed);
    }

    const RunResult result = runClient(c.client);
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 0u);
    // Standard output in text mode: each line ends with a carriage return and a line feed.
    EXPECT_EQ(result.output, "bits " + std::to_string(clientBits(c.client)) +
                                 "\r\nCLSIDFromProgID " + c.fromProgId + "\r\nProgIDFromCLSID " +
                                 c.fromClsid + "\r\nCoCreateInstance " + c.created + "\r\n");
    EXPECT_EQ(readFile(activations_), c.libraryReached ? clsidAsComWritesIt + "\r\n" : "");
}

const std::string foundClass = std::string(succeeded) + " " + clsidAsComWritesIt;
const std::string foundProgId = std::string(succeeded) + " VolmoraActivation.Probe";

const Case cases[] = {
    {"registered", Client::sameArchitecture, Registration::whole, foundClass, foundProgId,
     succeeded, true},
    // COM finds the library; the library refuses a class without its record.
    {"classRecordMissing", Client::sameArchitecture, Registration::withoutClassRecord, foundClass,
     foundProgId, classNotAvailable, true},
    {"unregistered", Client::sameArchitecture, Registration::unregistered, invalidClassString,
     classNotRegistered, classNotRegistered, false},
    // The ProgID keys are shared by both views; the class key is the 32-bit view's own.
    {"x86_64ClientOfI686Registration", Client::x86_64, Registration::whole, foundClass,
     classNotRegistered, classNotRegistered, false},
};

INSTANTIATE_TEST_SUITE_P(Clients, ComActivation, ::testing::ValuesIn(cases),
                         [](const ::testing::TestParamInfo<Case>& c) {
                             return std::string(c.param.name);
                         });

}  // namespace
}  // namespace volmora::e2e
