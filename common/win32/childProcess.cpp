// The child process helper: CreateProcessW with an explicit image, a handle list, an
// environment block and a job; a reader thread drains the captured output so that a child that
// writes much never stalls on a full pipe while its parent waits with a bound.
#include "childProcess.h"

#include <algorithm>
#include <cwctype>

namespace volmora {

namespace {

// A copy of this process's environment with the given variables set and removed, as a block of
// "NAME=value" strings ending in an empty one.
std::wstring environmentBlock(const std::vector<std::pair<std::wstring, std::wstring>>& changes,
                              const std::vector<std::wstring>& removed) {
    auto sameName = [](std::wstring_view entry, const std::wstring& name) {
        if (entry.size() <= name.size() || entry[name.size()] != L'=') {
            return false;
        }
        for (std::size_t i = 0; i < name.size(); ++i) {
            if (std::towupper(entry[i]) != std::towupper(name[i])) {
                return false;
            }
        }
        return true;
    };
    std::vector<std::wstring> entries;
    if (wchar_t* strings = GetEnvironmentStringsW()) {
        for (const wchar_t* entry = strings; *entry != L'\0'; entry += wcslen(entry) + 1) {
            entries.emplace_back(entry);
        }
        FreeEnvironmentStringsW(strings);
    }
    for (const auto& [name, value] : changes) {
        std::wstring entry = name + L"=" + value;
        bool replaced = false;
        for (std::wstring& existing : entries) {
            if (sameName(existing, name)) {
                existing = entry;
                replaced = true;
            }
        }
        if (!replaced) {
            entries.push_back(std::move(entry));
        }
    }
    for (const std::wstring& name : removed) {
        std::erase_if(entries, [&](const std::wstring& entry) { return sameName(entry, name); });
    }
    // Windows asks for the block sorted by name, without regard to case; an added name would
    // otherwise stand after all the others.
    auto nameOf = [](const std::wstring& entry) {
        std::wstring name = entry.substr(0, entry.find(L'=', 1));  // "=C:=..." names start with "="
        for (wchar_t& c : name) {
            c = static_cast<wchar_t>(std::towupper(c));
        }
        return name;
    };
    std::stable_sort(
        entries.begin(), entries.end(),
        [&](const std::wstring& a, const std::wstring& b) { return nameOf(a) < nameOf(b); });
    std::wstring block;
    for (const std::wstring& entry : entries) {
        block += entry;
        block += L'\0';
    }
    block += L'\0';
    return block;
}

struct AttributeListDeleter {
    void operator()(LPPROC_THREAD_ATTRIBUTE_LIST list) const {
        DeleteProcThreadAttributeList(list);
        HeapFree(GetProcessHeap(), 0, list);
    }
};
using AttributeList =
    std::unique_ptr<std::remove_pointer_t<LPPROC_THREAD_ATTRIBUTE_LIST>, AttributeListDeleter>;

// An attribute list that limits inheritance to exactly these handles.
AttributeList handleList(HANDLE* handles, std::size_t count) {
    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    auto* memory = static_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(HeapAlloc(GetProcessHeap(), 0, size));
    if (memory == nullptr) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if (!InitializeProcThreadAttributeList(memory, 1, 0, &size)) {
        const DWORD error = GetLastError();
        HeapFree(GetProcessHeap(), 0, memory);
        SetLastError(error);
        return nullptr;
    }
    AttributeList list(memory);
    if (!UpdateProcThreadAttribute(list.get(), 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles,
                                   count * sizeof(HANDLE), nullptr, nullptr)) {
        return nullptr;
    }
    return list;
}

// An exclusive hold of a slim lock for the scope.
class LockHold {
  public:
    explicit LockHold(SRWLOCK& lock) : lock_(lock) { AcquireSRWLockExclusive(&lock_); }
    ~LockHold() { ReleaseSRWLockExclusive(&lock_); }
    LockHold(const LockHold&) = delete;
    LockHold& operator=(const LockHold&) = delete;

  private:
    SRWLOCK& lock_;
};

// A child created suspended, ended unless it is let go: a start that fails half-way never leaves
// it waiting for ever, nor running outside what was asked for.
class SuspendedChild {
  public:
    explicit SuspendedChild(HANDLE process) : process_(process) {}
    ~SuspendedChild() {
        if (process_ != nullptr) {
            TerminateProcess(process_, ERROR_CANCELLED);
            WaitForSingleObject(process_, 10000);
        }
    }
    SuspendedChild(const SuspendedChild&) = delete;
    SuspendedChild& operator=(const SuspendedChild&) = delete;

    void letGo() { process_ = nullptr; }

  private:
    HANDLE process_;
};

}  // namespace

// What a reader thread reads into is the thread's own, shared with the owner: an owner that gives
// up on a thread still reading (a write end held by something outside the job) takes what has
// come so far and goes, and the thread goes on with its own pipe and text until that write end
// closes. The thread also holds the module that holds its code, so that a DLL (the installer
// step) cannot be unloaded under it.
struct ChildProcess::OutputReader {
    struct Shared {
        FileHandle pipe;
        SRWLOCK lock = SRWLOCK_INIT;
        std::string text;
    };
    struct ThreadStart {
        std::shared_ptr<Shared> shared;
        HMODULE module = nullptr;
    };

    std::shared_ptr<Shared> shared = std::make_shared<Shared>();
    FileHandle thread;

    static void drain(std::unique_ptr<ThreadStart> start) {
        Shared& state = *start->shared;
        char buffer[4096];
        DWORD count = 0;
        while (ReadFile(state.pipe.get(), buffer, sizeof buffer, &count, nullptr) && count > 0) {
            const LockHold hold(state.lock);
            state.text.append(buffer, count);
        }
    }

    static DWORD WINAPI read(void* parameter) {
        auto start = std::unique_ptr<ThreadStart>(static_cast<ThreadStart*>(parameter));
        const HMODULE module = start->module;
        drain(std::move(start));
        if (module != nullptr) {
            FreeLibraryAndExitThread(module, 0);
        }
        return 0;
    }

    bool startThread() {
        auto start = std::make_unique<ThreadStart>(ThreadStart{shared, nullptr});
        if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                                reinterpret_cast<LPCWSTR>(&OutputReader::read), &start->module)) {
            return false;
        }
        const HMODULE module = start->module;
        thread.reset(CreateThread(nullptr, 0, &OutputReader::read, start.get(), 0, nullptr));
        if (!thread.valid()) {
            const DWORD error = GetLastError();
            FreeLibrary(module);
            SetLastError(error);
            return false;
        }
        start.release();  // the thread's now
        return true;
    }

    // The reader ends when the last write end closes; a bound keeps a write end that something
    // outside the job still holds from stalling the owner, which then takes what came so far.
    std::string finish() {
        if (thread.valid()) {
            if (WaitForSingleObject(thread.get(), 5000) != WAIT_OBJECT_0) {
                CancelSynchronousIo(thread.get());
                WaitForSingleObject(thread.get(), 5000);
            }
            thread.reset();
        }
        const LockHold hold(shared->lock);
        return std::move(shared->text);
    }
};

ChildProcess::ChildProcess(const ChildStart& start) {
    auto fail = [this](const wchar_t* step) {
        error_ = GetLastError();
        failedStep_ = step;
    };
    // A pipe whose read end a reader of this process drains; the write end goes to the child.
    auto makePipe = [&](std::unique_ptr<OutputReader>& reader, FileHandle& writeEnd) {
        SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
        HANDLE readHandle = nullptr;
        HANDLE writeHandle = nullptr;
        if (!CreatePipe(&readHandle, &writeHandle, &inheritable, 0)) {
            fail(L"CreatePipe");
            return false;
        }
        reader = std::make_unique<OutputReader>();
        reader->shared->pipe.reset(readHandle);
        writeEnd.reset(writeHandle);
        SetHandleInformation(readHandle, HANDLE_FLAG_INHERIT, 0);
        return true;
    };
    FileHandle writeEnd;
    FileHandle errorWriteEnd;
    if (start.captureOutput && !makePipe(reader_, writeEnd)) {
        return;
    }
    if (start.captureOutput && start.separateErrors && !makePipe(errorReader_, errorWriteEnd)) {
        return;
    }

    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof startup;
    HANDLE inherited[2] = {writeEnd.get(), errorWriteEnd.get()};
    AttributeList attributes;
    DWORD flags = start.creationFlags | CREATE_UNICODE_ENVIRONMENT | CREATE_SUSPENDED;
    if (start.captureOutput) {
        startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
        startup.StartupInfo.hStdOutput = writeEnd.get();
        startup.StartupInfo.hStdError = errorReader_ ? errorWriteEnd.get() : writeEnd.get();
        attributes = handleList(inherited, errorReader_ ? 2 : 1);
        if (!attributes) {
            fail(L"UpdateProcThreadAttribute");
            return;
        }
        startup.lpAttributeList = attributes.get();
        flags |= EXTENDED_STARTUPINFO_PRESENT;
    }
    FileHandle job;
    if (start.inJob) {
        job.reset(CreateJobObjectW(nullptr, nullptr));
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        if (!job.valid() || !SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation,
                                                     &limits, sizeof limits)) {
            fail(L"CreateJobObject");
            return;
        }
    }
    std::wstring environment;
    if (!start.environment.empty() || !start.removedVariables.empty()) {
        environment = environmentBlock(start.environment, start.removedVariables);
    }
    PROCESS_INFORMATION created{};
    // A start that the system could not bring up (ERROR_INTERNAL_ERROR: the new process ended
    // before it ran anything of its own) is tried again a few times; any other failure is final.
    // Wine 8 does that now and then: seen here under the MSI step about once in 160 starts.
    constexpr int startAttempts = 3;
    constexpr DWORD retryDelayMs = 200;
    for (int attempt = 1;; ++attempt) {
        std::wstring commandLine = start.commandLine;  // CreateProcessW may write into it
        if (CreateProcessW(start.image.c_str(), commandLine.data(), nullptr, nullptr,
                           start.captureOutput ? TRUE : FALSE, flags,
                           environment.empty() ? nullptr : environment.data(),
                           start.currentFolder.empty() ? nullptr : start.currentFolder.c_str(),
                           &startup.StartupInfo, &created)) {
            break;
        }
        if (GetLastError() != ERROR_INTERNAL_ERROR || attempt == startAttempts) {
            fail(L"CreateProcess");
            return;
        }
        Sleep(retryDelayMs);
    }
    FileHandle process(created.hProcess);
    const FileHandle thread(created.hThread);
    SuspendedChild suspended(process.get());
    if (start.inJob && !AssignProcessToJobObject(job.get(), process.get())) {
        fail(L"AssignProcessToJobObject");
        return;
    }
    // Only the child holds the write ends now: each reader ends when the child does.
    writeEnd.reset();
    errorWriteEnd.reset();
    for (OutputReader* reader : {reader_.get(), errorReader_.get()}) {
        if (reader != nullptr && !reader->startThread()) {
            fail(L"CreateThread");
            return;
        }
    }
    if (ResumeThread(thread.get()) == static_cast<DWORD>(-1)) {
        fail(L"ResumeThread");
        return;
    }
    suspended.letGo();
    process_ = std::move(process);
    job_ = std::move(job);
    id_ = created.dwProcessId;
}

ChildProcess::~ChildProcess() {
    for (OutputReader* reader : {reader_.get(), errorReader_.get()}) {
        if (reader != nullptr) {
            reader->finish();
        }
    }
}

bool ChildProcess::wait(DWORD milliseconds) {
    return process_.valid() && WaitForSingleObject(process_.get(), milliseconds) == WAIT_OBJECT_0;
}

bool ChildProcess::waitSeconds(std::uint64_t seconds) {
    // Each wait stays below INFINITE, which would mean no bound at all.
    constexpr std::uint64_t longestWaitMs = 0x7FFFFFFF;
    for (std::uint64_t remainingMs = seconds * 1000;;) {
        const std::uint64_t slice = remainingMs < longestWaitMs ? remainingMs : longestWaitMs;
        if (wait(static_cast<DWORD>(slice))) {
            return true;
        }
        remainingMs -= slice;
        if (remainingMs == 0 || !process_.valid()) {
            return false;
        }
    }
}

ChildProcess::ExitStatus ChildProcess::exitStatus() const {
    if (!process_.valid()) {
        return {false, 0, ERROR_INVALID_HANDLE};
    }
    if (WaitForSingleObject(process_.get(), 0) != WAIT_OBJECT_0) {
        return {false, 0, ERROR_INVALID_STATE};
    }
    DWORD code = 0;
    if (!GetExitCodeProcess(process_.get(), &code)) {
        return {false, 0, GetLastError()};
    }
    return {true, code, 0};
}

void ChildProcess::terminate(UINT code) {
    if (job_.valid()) {
        TerminateJobObject(job_.get(), code);
    } else if (process_.valid()) {
        TerminateProcess(process_.get(), code);
    }
    if (process_.valid()) {
        WaitForSingleObject(process_.get(), 10000);
    }
}

std::string ChildProcess::output() {
    return reader_ ? reader_->finish() : std::string();
}

std::string ChildProcess::errors() {
    return errorReader_ ? errorReader_->finish() : std::string();
}

std::wstring quoteForCommandLine(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) {
        return argument;
    }
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    quoted += L'"';
    return quoted;
}

}  // namespace volmora
