// volmoraRun under Wine, once for each way a run can end: it starts the real program beside
// itself, prints the program's messages and closing line, and exits with the code for that
// ending; the registry shows that the program ran (or did not) as the ending says.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "expectations.h"
#include "fileHandle.h"
#include "harness.h"
#include "registryWriting.h"
#include "sampleProduct.h"
#include "testFolder.h"
#include "windowReading.h"

namespace volmora::e2e {
namespace {

namespace fs = std::filesystem;

const std::wstring serverRecord = sample::configRoot + L"\\Servers\\RunnerServer";
const std::wstring classRecord =
    sample::configRoot + L"\\CLSIDs\\{2E6B9C40-8F13-4D7A-A5E2-6C0F1B3D9E87}";

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

// runnerAlone: the runner in a folder of its own, without the programs. standIn: the runner with
// the stand-in program as bindHost.exe beside it. nobodyThere: scrrun.dll disabled for
// bindObject and no one to close its box.
enum class Setup { none, runnerAlone, withoutScripting, nobodyThere, standIn };

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

// The text with "{folder}" replaced by the folder.
std::wstring inFolder(std::wstring text, const fs::path& folder) {
    const std::wstring mark = L"{folder}";
    if (const std::size_t at = text.find(mark); at != std::wstring::npos) {
        text.replace(at, mark.size(), folder.wstring());
    }
    return text;
}

// Whether the process with that id has ended (or is gone altogether).
bool processEnded(DWORD id) {
    const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, id);
    if (process == nullptr) {
        return true;
    }
    // The job's processes may take a moment to go after the runner has ended.
    const bool ended = WaitForSingleObject(process, 5000) == WAIT_OBJECT_0;
    CloseHandle(process);
    return ended;
}

TEST_P(VolmoraRun, ExitsWithTheCodeOfHowTheRunEnded) {
    const Case& c = GetParam();
    RunOptions options;
    options.captureOutput = true;
    if (c.setup == Setup::runnerAlone || c.setup == Setup::standIn) {
        fs::create_directories(aloneFolder());
        options.program = (aloneFolder() / "volmoraRun.exe").wstring();
        fs::copy_file(builtToolPath(L"volmoraRun"), options.program);
    }
    if (c.setup == Setup::standIn) {
        fs::copy_file(e2eProgramPath(L"standInTool"), aloneFolder() / "bindHost.exe");
    }
    std::vector<MessageBoxSeen> boxes;
    RunResult result;
    const auto started = std::chrono::steady_clock::now();
    {
        BoxAnswerer answerer(c.setup == Setup::nobodyThere ? L"(nobody there)"
                                                           : L"Volmora - Bind Object");
        std::optional<BindObjectWithoutScripting> withoutScripting;
        if (c.setup == Setup::withoutScripting || c.setup == Setup::nobodyThere) {
            withoutScripting.emplace();
        }
        result = runTool(L"volmoraRun", inFolder(c.arguments, aloneFolder()), options);
        boxes = answerer.boxes();
    }
    const auto seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    ASSERT_FALSE(result.timedOut);
    if (c.exitCode == 15) {
        // Within its bound of 2 s, with room for a slow Wine start and the end of the job.
        EXPECT_GE(seconds, 2.0);
        EXPECT_LT(seconds, 20.0);
    }
    // Every process of a hanging stand-in (its own child too) is gone with the run.
    std::ifstream ids(aloneFolder() / "ids.txt");
    for (DWORD id = 0; ids >> id;) {
        EXPECT_TRUE(processEnded(id)) << "process " << id << " still runs";
    }
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
    EXPECT_EQ(c.setup == Setup::standIn && c.exitCode == 15, fs::exists(aloneFolder() / "ids.txt"));
    EXPECT_EQ(keyExists(HKEY_LOCAL_MACHINE, c.key), c.keyExpected) << narrow(c.key);
    if (!c.dump.empty()) {
        EXPECT_EQ(dumpKey(HKEY_LOCAL_MACHINE, c.key), c.dump);
    }
}

std::wstring sampleTypeLibrary() {
    return (fs::path(buildFolder()) / "installer" / "VolmoraSample.tlb").wstring();
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
     L"bindHost /s",
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
    {"noRecord",
     Setup::standIn,
     L"bindHost /s norecord 3",
     12,
     {"volmoraRun: bindHost ended without a readable record of its run (exit code 3) (volmoraRun "
      "exit code 12)"},
     serverRecord,
     false},
    // The start-up failure's box shows even with /s: with nobody there to close it, the bound
    // ends the run.
    {"startFailureUnattended",
     Setup::nobodyThere,
     L"/timeout 2 bindObject /s Runner.Class {2E6B9C40-8F13-4D7A-A5E2-6C0F1B3D9E87} "
     L"com.tamsiver.R J",
     15,
     {"bindObject: box left open: Cannot create Scripting.FileSystemObject",
      "volmoraRun: bindObject did not end within 2 s and was ended, with every process it "
      "started (volmoraRun exit code 15)"},
     classRecord,
     false},
    {"hangingProgram",
     Setup::standIn,
     L"/timeout 2 bindHost /s hang \"{folder}\\ids.txt\"",
     15,
     {"volmoraRun: bindHost did not end within 2 s and was ended, with every process it started "
      "(volmoraRun exit code 15)"},
     serverRecord,
     false},
    {"listing",
     Setup::none,
     L"bindHost /l",
     14,
     {"volmoraRun: A listing (/l) waits for a user and is not run unattended. (volmoraRun exit "
      "code 14)"},
     serverRecord,
     false},
    {"withoutSilentSwitch",
     Setup::none,
     L"bindHost RunnerServer C:\\a.jar",
     14,
     {"volmoraRun: Without /s, bindHost shows its messages in boxes that wait for a user"},
     serverRecord,
     false},
    {"unknownSwitch",
     Setup::none,
     L"bindHost /s /x RunnerServer C:\\a.jar",
     14,
     {"volmoraRun: bindHost does not accept the switch \"/x\"; it is not run."},
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
     13,
     {"volmoraRun: bindHost could not start: \""},
     serverRecord,
     false},
};

// A crash of the program ends it at once, never in a fault or error-report box that nobody
// closes: the program inherits the runner's error mode, which the stand-in gives back as its exit
// code. Whether this system hands a process's error mode to the processes it starts is found
// first, with the stand-in started from here.
TEST_F(VolmoraRun, RunsTheProgramWithoutErrorDialogs) {
    constexpr UINT withoutDialogs =
        SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX;
    RunOptions direct;
    direct.program = e2eProgramPath(L"standInTool");
    const UINT before = SetErrorMode(withoutDialogs);
    const RunResult probe = runTool(L"standInTool", L"/s errormode", direct);
    SetErrorMode(before);
    if (probe.exitCode != withoutDialogs) {
        GTEST_SKIP() << "this system does not hand a process's error mode to the processes it "
                        "starts (a program started with "
                     << withoutDialogs << " read " << probe.exitCode
                     << "), so the mode that volmoraRun hands to the program cannot show";
    }
    fs::create_directories(aloneFolder());
    RunOptions options;
    options.captureOutput = true;
    options.program = (aloneFolder() / "volmoraRun.exe").wstring();
    fs::copy_file(builtToolPath(L"volmoraRun"), options.program);
    fs::copy_file(e2eProgramPath(L"standInTool"), aloneFolder() / "bindHost.exe");
    const RunResult result = runTool(L"volmoraRun", L"bindHost /s errormode", options);
    EXPECT_EQ(result.exitCode, 12u);
    EXPECT_NE(result.output.find("(exit code " + std::to_string(withoutDialogs) + ")"),
              std::string::npos)
        << result.output;
}

INSTANTIATE_TEST_SUITE_P(Endings, VolmoraRun, ::testing::ValuesIn(cases),
                         [](const ::testing::TestParamInfo<Case>& c) {
                             return std::string(c.param.name);
                         });

// Two runners that copy their reports to one /log file at the same time: each report lands whole,
// as printed, and both programs did their work.
class VolmoraRunLog : public ::testing::Test {
  protected:
    void SetUp() override { cleanUp(); }
    void TearDown() override { cleanUp(); }
    void cleanUp() {
        for (const std::wstring& record : records) {
            deleteTree(HKEY_LOCAL_MACHINE, record);
        }
    }
    const std::vector<std::wstring> records = {sample::configRoot + L"\\Servers\\RunnerLogA",
                                               sample::configRoot + L"\\Servers\\RunnerLogB"};
};

std::string fileBytes(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

TEST_F(VolmoraRunLog, TwoRunnersAppendTheirReportsWhole) {
    const TestFolder folder(L"runnerLog");
    const fs::path log = fs::path(folder.path()) / "runs.log";
    RunOptions options;
    options.captureOutput = true;
    RunResult results[2];
    {
        std::thread second([&] {
            results[1] = runTool(
                L"volmoraRun", L"/log \"" + log.wstring() + L"\" bindHost /s RunnerLogB C:\\b.jar",
                options);
        });
        results[0] =
            runTool(L"volmoraRun",
                    L"/log \"" + log.wstring() + L"\" bindHost /s RunnerLogA C:\\a.jar", options);
        second.join();
    }
    for (const RunResult& result : results) {
        ASSERT_FALSE(result.timedOut);
        EXPECT_EQ(result.exitCode, 0u) << result.output;
        EXPECT_NE(result.output.find("volmoraRun exit code 0\r\n"), std::string::npos);
    }
    const std::string copied = fileBytes(log);
    EXPECT_TRUE(copied == results[0].output + results[1].output ||
                copied == results[1].output + results[0].output)
        << copied;
    for (const std::wstring& record : records) {
        EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, record)) << narrow(record);
    }
}

// A copy that cannot be written (the name of a folder) fails nothing: the registration stands
// and so does its exit code.
TEST_F(VolmoraRunLog, AnUnwritableCopyKeepsTheRunsOwnCode) {
    const TestFolder folder(L"runnerLogFolder");
    RunOptions options;
    options.captureOutput = true;
    const RunResult result =
        runTool(L"volmoraRun", L"/log \"" + folder.path() + L"\" bindHost /s RunnerLogA C:\\a.jar",
                options);
    ASSERT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 0u) << result.output;
    EXPECT_NE(result.output.find("volmoraRun: bindHost succeeded (exit code 0); volmoraRun exit "
                                 "code 0"),
              std::string::npos)
        << result.output;
    EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, records[0]));
}

// A copy whose lock another process holds and never lets go: the runner gives up on it after its
// bound, says so, and keeps its own exit code, as for any copy that cannot be written.
TEST_F(VolmoraRunLog, ACopyLockedByAnotherWriterIsGivenUpAfterTheBound) {
    const TestFolder folder(L"runnerLogLocked");
    const fs::path log = fs::path(folder.path()) / "runs.log";
    const FileHandle holder(CreateFileW(log.wstring().c_str(), GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(holder.valid());
    OVERLAPPED writerLock{};
    writerLock.OffsetHigh = 0x7FFFFFFE;  // the byte that every writer locks (lockedAppend.h)
    ASSERT_TRUE(LockFileEx(holder.get(), LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &writerLock));

    RunOptions options;
    options.captureErrors = true;
    const ULONGLONG started = GetTickCount64();
    const RunResult result =
        runTool(L"volmoraRun", L"/log \"" + log.wstring() + L"\" bindHost /s RunnerLogA C:\\a.jar",
                options);
    const ULONGLONG took = GetTickCount64() - started;
    UnlockFileEx(holder.get(), 0, 1, 0, &writerLock);
    ASSERT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 0u) << result.output;
    EXPECT_EQ(result.errors, "volmoraRun: cannot write the log file \"" + narrow(log.wstring()) +
                                 "\": error=1460\r\n");  // ERROR_TIMEOUT
    EXPECT_GE(took, 5000u);                              // appendLockBoundMs
    EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, records[0]));
    EXPECT_EQ(fs::file_size(log), 0u);
}

}  // namespace
}  // namespace volmora::e2e
