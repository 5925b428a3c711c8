// volmoraRun under Wine, once for each way a run can end: it starts the real program beside
// itself, prints the program's messages and closing line, and exits with the code for that
// ending; the registry shows that the program ran (or did not) as the ending says.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "expectations.h"
#include "harness.h"
#include "registryWriting.h"
#include "sampleProduct.h"
#include "windowReading.h"

namespace volmora::e2e {
namespace {

namespace fs = std::filesystem;

const std::wstring serverRecord = sample::configRoot + L"\\Servers\\RunnerServer";
const std::wstring classRecord =
    sample::configRoot + L"\\CLSIDs\\{2E6B9C40-8F13-4D7A-A5E2-6C0F1B3D9E87}";

fs::path buildFolder() {
    return fs::path(builtToolPath(L"bindObject")).parent_path().parent_path();
}

// Presses OK on every message box with that caption, whatever process shows it: the runner's
// programs are not the harness's children.
class BoxAnswerer {
  public:
    explicit BoxAnswerer(std::wstring caption)
        : caption_(std::move(caption)), thread_([this] { answer(); }) {}
    ~BoxAnswerer() {
        stop_ = true;
        thread_.join();
    }
    BoxAnswerer(const BoxAnswerer&) = delete;
    BoxAnswerer& operator=(const BoxAnswerer&) = delete;

    std::vector<MessageBoxSeen> boxes() {
        const std::lock_guard lock(mutex_);
        return boxes_;
    }

  private:
    static BOOL CALLBACK collect(HWND window, LPARAM found) {
        if (IsWindowVisible(window) && isMessageBox(window)) {
            reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
        }
        return TRUE;
    }

    void answer() {
        std::vector<HWND> answered;
        while (!stop_) {
            std::vector<HWND> found;
            EnumWindows(collect, reinterpret_cast<LPARAM>(&found));
            for (HWND box : found) {
                if (windowCaption(box) != caption_ ||
                    std::find(answered.begin(), answered.end(), box) != answered.end()) {
                    continue;
                }
                {
                    const std::lock_guard lock(mutex_);
                    boxes_.push_back(readMessageBox(box));
                }
                answered.push_back(box);
                PostMessageW(box, WM_COMMAND, IDOK, 0);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }

    std::wstring caption_;
    std::mutex mutex_;
    std::vector<MessageBoxSeen> boxes_;
    std::atomic<bool> stop_ = false;
    std::thread thread_;
};

// Wine's per-program DLL overrides, set for bindObject.exe while it lives: scrrun.dll disabled,
// so that bindObject cannot create the file-system object at start.
class BindObjectWithoutScripting {
  public:
    BindObjectWithoutScripting() { writeText(HKEY_CURRENT_USER, overrides, L"scrrun", L""); }
    ~BindObjectWithoutScripting() { deleteTree(HKEY_CURRENT_USER, appDefaults); }
    BindObjectWithoutScripting(const BindObjectWithoutScripting&) = delete;
    BindObjectWithoutScripting& operator=(const BindObjectWithoutScripting&) = delete;

  private:
    static inline const std::wstring appDefaults = L"Software\\Wine\\AppDefaults\\bindObject.exe";
    static inline const std::wstring overrides = appDefaults + L"\\DllOverrides";
};

enum class Setup { none, runnerAlone, withoutScripting };

struct Case {
    const char* name;
    Setup setup;
    std::wstring arguments;
    std::uint32_t exitCode;
    std::vector<std::string> lines;  // each must begin a line of the output
    std::wstring key;                // a record the run would write (HKLM)
    bool keyExpected;
    std::wstring dump = {};  // when not empty: the record, exactly (dumpKey)
};

void PrintTo(const Case& c, std::ostream* out) {
    *out << c.name;
}

class VolmoraRun : public ::testing::TestWithParam<Case> {
  protected:
    void SetUp() override { cleanUp(); }
    void TearDown() override { cleanUp(); }
    void cleanUp() {
        deleteTree(HKEY_LOCAL_MACHINE, serverRecord);
        deleteTree(HKEY_LOCAL_MACHINE, classRecord);
        std::error_code ignored;
        fs::remove_all(aloneFolder(), ignored);
    }
    static fs::path aloneFolder() {
        return fs::temp_directory_path() /
               ("volmoraRunAlone" + std::to_string(GetCurrentProcessId()));
    }
};

TEST_P(VolmoraRun, ExitsWithTheCodeOfHowTheRunEnded) {
    const Case& c = GetParam();
    RunOptions options;
    options.captureOutput = true;
    if (c.setup == Setup::runnerAlone) {
        fs::create_directories(aloneFolder());
        options.program = (aloneFolder() / "volmoraRun.exe").wstring();
        fs::copy_file(builtToolPath(L"volmoraRun"), options.program);
    }
    std::vector<MessageBoxSeen> boxes;
    RunResult result;
    {
        BoxAnswerer answerer(L"Volmora - Bind Object");
        std::optional<BindObjectWithoutScripting> withoutScripting;
        if (c.setup == Setup::withoutScripting) {
            withoutScripting.emplace();
        }
        result = runTool(L"volmoraRun", c.arguments, options);
        boxes = answerer.boxes();
    }
    ASSERT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, c.exitCode) << result.output;
    for (const std::string& line : c.lines) {
        EXPECT_NE(("\r\n" + result.output).find("\r\n" + line), std::string::npos)
            << line << " in:\n"
            << result.output;
    }
    const std::string closing = "volmoraRun exit code " + std::to_string(c.exitCode);
    EXPECT_NE(result.output.find(closing), std::string::npos) << result.output;
    // Only the start-up failure shows a box: its critical message shows even in silent mode.
    EXPECT_EQ(boxes.size(), c.setup == Setup::withoutScripting ? 1u : 0u);
    EXPECT_EQ(keyExists(HKEY_LOCAL_MACHINE, c.key), c.keyExpected) << narrow(c.key);
    if (!c.dump.empty()) {
        EXPECT_EQ(dumpKey(HKEY_LOCAL_MACHINE, c.key), c.dump);
    }
}

std::wstring sampleTypeLibrary() {
    return (buildFolder() / "installer" / "VolmoraSample.tlb").wstring();
}

// A class path with a blank, a backslash before the closing quote and characters outside any
// one code page, as the program must receive it.
const std::wstring classPath = L"C:\\Runner Test\\caf\u00E9 \u65E5\u672C\\";

const Case cases[] = {
    {"success",
     Setup::none,
     L"bindHost /s RunnerServer \"" + classPath + L"\"",
     0,
     {"bindHost: information: Server \"RunnerServer\" successfully registered.",
      "volmoraRun: bindHost succeeded (exit code 0); volmoraRun exit code 0"},
     serverRecord,
     true,
     L"[]\n" + textLine(L"Classpath", classPath) + textLine(L"Imports", L"")},
    {"refusedCommandLine",
     Setup::none,
     L"bindHost /s /x RunnerServer",
     10,
     {"volmoraRun: bindHost refused its command line (exit code 1); volmoraRun exit code 10"},
     serverRecord,
     false},
    {"errorMessage",
     Setup::none,
     L"bindHost /u /s RunnerServer",
     11,
     {"bindHost: error: Server \"RunnerServer\" isn't registered.",
      "volmoraRun: bindHost reported an error (exit code 0); volmoraRun exit code 11"},
     serverRecord,
     false},
    // bindSchema removes a type library through VOLM.dll, which is not beside the built programs.
    {"internalError",
     Setup::none,
     L"bindSchema /u /s \"" + sampleTypeLibrary() + L"\"",
     12,
     {"bindSchema: error: Internal error: number=0x",
      "volmoraRun: bindSchema ended with an internal error (exit code "},
     serverRecord,
     false},
    {"startFailure",
     Setup::withoutScripting,
     L"bindObject /s Runner.Class {2E6B9C40-8F13-4D7A-A5E2-6C0F1B3D9E87} com.tamsiver.R J",
     13,
     {"bindObject: critical: Cannot create Scripting.FileSystemObject",
      "volmoraRun: bindObject could not start (exit code 4); volmoraRun exit code 13"},
     classRecord,
     false},
    {"listing",
     Setup::none,
     L"bindHost /l",
     14,
     {"volmoraRun: A listing (/l) waits for a user and is not run unattended. (volmoraRun exit "
      "code 14)"},
     serverRecord,
     false},
    {"unknownProgram",
     Setup::none,
     L"regedit /s RunnerServer",
     14,
     {"volmoraRun: Unknown program \"regedit\"."},
     serverRecord,
     false},
    {"programMissing",
     Setup::runnerAlone,
     L"bindHost /s RunnerServer C:\\a.jar",
     14,
     {"volmoraRun: cannot run \""},
     serverRecord,
     false},
};

INSTANTIATE_TEST_SUITE_P(Endings, VolmoraRun, ::testing::ValuesIn(cases),
                         [](const ::testing::TestParamInfo<Case>& c) {
                             return std::string(c.param.name);
                         });

}  // namespace
}  // namespace volmora::e2e
