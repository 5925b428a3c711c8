// What bindObject registers, proven by COM itself: a plain client looks the class up by ProgID
// and CLSID and creates it, and COM loads the library the class names (the stand-in runtime,
// which serves the classes that have a class record and notes each request). A 64-bit client
// finds the ProgID of what the 32-bit bindObject registered (both views share the ProgID keys) but
// cannot create it, as on 64-bit Windows; a class registered by both bindObjects serves clients
// of both.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>

#include "expectations.h"
#include "harness.h"
#include "registryWriting.h"

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
const std::string foundClass = std::string(succeeded) + " " + clsidAsComWritesIt;
const std::string foundProgId = std::string(succeeded) + " VolmoraActivation.Probe";

enum class Build { underTest, x86_64 };

// This run's build, or the x86_64 build beside it (the i686 run uses its 64-bit programs); the
// build folders are named after their architecture.
fs::path buildFolderOf(Build build) {
    const fs::path underTest = buildFolder();
    return build == Build::underTest ? underTest : underTest.parent_path() / "x86_64";
}

std::wstring standInRuntime(Build build) {
    return (buildFolderOf(build) / "testFiles" / "VOLM.dll").wstring();
}

std::wstring clientPath(Build build) {
    return (buildFolderOf(build) / "e2e" / "comClient.exe").wstring();
}

std::wstring bindObjectPath(Build build) {
    return (buildFolderOf(build) / "bin" / "bindObject.exe").wstring();
}

unsigned clientBits(Build build) {
    return build == Build::x86_64 || !testingI686Build ? 64 : 32;
}

enum class Registration { whole, withoutClassRecord, unregistered };

struct Case {
    const char* name;
    Build client;
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

// The client's output when each call succeeds, or when the ProgID alone is unknown.
std::string clientOutput(Build client, const std::string& fromProgId, const std::string& fromClsid,
                         const std::string& created) {
    // Standard output in text mode: each line ends with a carriage return and a line feed.
    return "bits " + std::to_string(clientBits(client)) + "\r\nCLSIDFromProgID " + fromProgId +
           "\r\nProgIDFromCLSID " + fromClsid + "\r\nCoCreateInstance " + created + "\r\n";
}

class ComActivationOfBothBuilds : public ::testing::Test {
  protected:
    void SetUp() override {
        activations_ = fs::temp_directory_path() /
                       ("volmoraActivations" + std::to_string(GetCurrentProcessId()) + ".txt");
        cleanUp();
    }
    void TearDown() override { cleanUp(); }

    void cleanUp() {
        for (RegistryView view : {RegistryView::own, otherView}) {
            deleteTree(HKEY_LOCAL_MACHINE, classRecord, view);
            deleteTree(HKEY_CLASSES_ROOT, L"CLSID\\" + clsid, view);
            deleteTree(HKEY_CLASSES_ROOT, runtimeServer.substr(0, runtimeServer.rfind(L'\\')),
                       view);
            deleteTree(HKEY_CLASSES_ROOT, progId, view);
            deleteTree(HKEY_CLASSES_ROOT, progId + L".1", view);
        }
        std::error_code ignored;
        fs::remove(activations_, ignored);
    }

    // bindObject of that build, with the arguments after the class's own.
    static RunResult bindObject(Build build, const std::wstring& arguments) {
        RunOptions options;
        options.program = bindObjectPath(build);
        return runTool(L"bindObject", arguments, options);
    }
    // Registered silently, as by an installer, with the runtime registered at the stand-in of
    // that build, in that build's registry view.
    static void registerProbe(Build build) {
        writeText(HKEY_CLASSES_ROOT, runtimeServer, L"", standInRuntime(build),
                  build == Build::underTest ? RegistryView::own : RegistryView::bits64);
        const RunResult result =
            bindObject(build, L"/s " + progId + L" " + clsid + L" com.tamsiver.Probe ProbeJVM");
        expectNoBox(result);
        ASSERT_EQ(result.exitCode, 0u);
    }

    RunResult runClient(Build client) {
        RunOptions options;
        options.program = clientPath(client);
        options.environment = {{activationsVariable, activations_.wstring()}};
        options.captureOutput = true;
        RunResult result = runTool(L"comClient", progId + L" " + clsid, options);
        EXPECT_FALSE(result.timedOut);
        EXPECT_EQ(result.exitCode, 0u);
        return result;
    }
    std::string activations() const { return readFile(activations_); }

  private:
    fs::path activations_;
};

class ComActivation : public ComActivationOfBothBuilds,
                      public ::testing::WithParamInterface<Case> {};

TEST_P(ComActivation, ReachesTheRegisteredLibraryOnlyFromItsOwnView) {
    const Case& c = GetParam();
    if (c.client == Build::x86_64 && !testingI686Build) {
        GTEST_SKIP() << "only the i686 build registers in the 32-bit view";
    }
    ASSERT_TRUE(fs::is_regular_file(clientPath(c.client)))
        << narrow(clientPath(c.client)) << " is missing: the x86_64 build makes it";
    registerProbe(Build::underTest);
    if (c.registration == Registration::withoutClassRecord) {
        deleteTree(HKEY_LOCAL_MACHINE, classRecord);
    } else if (c.registration == Registration::unregistered) {
        expectNoBox(bindObject(Build::underTest, L"/u /s " + progId));
    }
    EXPECT_EQ(runClient(c.client).output,
              clientOutput(c.client, c.fromProgId, c.fromClsid, c.created));
    EXPECT_EQ(activations(), c.libraryReached ? clsidAsComWritesIt + "\r\n" : "");
}

const Case cases[] = {
    {"registered", Build::underTest, Registration::whole, foundClass, foundProgId, succeeded, true},
    // COM finds the library; the library refuses a class without its record.
    {"classRecordMissing", Build::underTest, Registration::withoutClassRecord, foundClass,
     foundProgId, classNotAvailable, true},
    {"unregistered", Build::underTest, Registration::unregistered, invalidClassString,
     classNotRegistered, classNotRegistered, false},
    // The ProgID keys are shared by both views, the class keys are not: creating the class fails
    // as on 64-bit Windows.
    {"x86_64ClientOfI686Registration", Build::x86_64, Registration::whole, foundClass, foundProgId,
     classNotRegistered, false},
};

INSTANTIATE_TEST_SUITE_P(Clients, ComActivation, ::testing::ValuesIn(cases),
                         [](const ::testing::TestParamInfo<Case>& c) {
                             return std::string(c.param.name);
                         });

// Registered by both bindObjects, a class serves 32-bit and 64-bit clients, each through the
// runtime of its own architecture. Each unregistration removes its own registration and leaves
// the other one whole: the shared ProgID keys stay while the other view's class uses them.
TEST_F(ComActivationOfBothBuilds, AClassRegisteredByBothArchitecturesServesClientsOfBoth) {
    if (!testingI686Build) {
        GTEST_SKIP() << "the i686 run starts the x86_64 build's programs beside its own";
    }
    for (const std::wstring& program : {bindObjectPath(Build::x86_64), clientPath(Build::x86_64)}) {
        ASSERT_TRUE(fs::is_regular_file(program))
            << narrow(program) << " is missing: the x86_64 build makes it";
    }
    for (Build build : {Build::underTest, Build::x86_64}) {
        registerProbe(build);
    }
    for (Build client : {Build::underTest, Build::x86_64}) {
        EXPECT_EQ(runClient(client).output,
                  clientOutput(client, foundClass, foundProgId, succeeded));
    }
    EXPECT_EQ(activations(), clsidAsComWritesIt + "\r\n" + clsidAsComWritesIt + "\r\n");

    expectNoBox(bindObject(Build::underTest, L"/u /s " + progId));
    EXPECT_EQ(runClient(Build::x86_64).output,
              clientOutput(Build::x86_64, foundClass, foundProgId, succeeded));
    expectOneBox(bindObject(Build::x86_64, L"/u " + progId), BoxIcon::information,
                 L"Volmora - Bind Object", L"Class \"" + progId + L"\" successfully unregistered.");
    for (RegistryView view : {RegistryView::bits32, RegistryView::bits64}) {
        EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, classRecord, view));
        EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, L"CLSID\\" + clsid, view));
        EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, progId, view));
    }
}

}  // namespace
}  // namespace volmora::e2e
