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

}  // namespace

struct ChildProcess::OutputReader {
    FileHandle pipe;
    FileHandle thread;
    std::string text;

    static DWORD WINAPI read(void* self) {
        auto* reader = static_cast<OutputReader*>(self);
        char buffer[4096];
        DWORD count = 0;
        while (ReadFile(reader->pipe.get(), buffer, sizeof buffer, &count, nullptr) && count > 0) {
            reader->text.append(buffer, count);
        }
        return 0;
    }

    // The reader ends when the last write end closes; a bound keeps a write end that something
    // outside the job still holds from stalling the owner.
    void finish() {
        if (!thread.valid()) {
            return;
        }
        if (WaitForSingleObject(thread.get(), 5000) != WAIT_OBJECT_0) {
            CancelSynchronousIo(thread.get());
            WaitForSingleObject(thread.get(), 5000);
        }
        thread.reset();
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
        reader->pipe.reset(readHandle);
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
    DWORD flags = start.creationFlags | CREATE_UNICODE_ENVIRONMENT;
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
    if (start.inJob) {
        job_.reset(CreateJobObjectW(nullptr, nullptr));
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        if (!job_.valid() || !SetInformationJobObject(job_.get(), JobObjectExtendedLimitInformation,
                                                      &limits, sizeof limits)) {
            fail(L"CreateJobObject");
            return;
        }
        flags |= CREATE_SUSPENDED;
    }
    std::wstring environment;
    if (!start.environment.empty() || !start.removedVariables.empty()) {
        environment = environmentBlock(start.environment, start.removedVariables);
    }
    std::wstring commandLine = start.commandLine;  // CreateProcessW may write into it
    PROCESS_INFORMATION created{};
    if (!CreateProcessW(start.image.c_str(), commandLine.data(), nullptr, nullptr,
                        start.captureOutput ? TRUE : FALSE, flags,
                        environment.empty() ? nullptr : environment.data(),
                        start.currentFolder.empty() ? nullptr : start.currentFolder.c_str(),
                        &startup.StartupInfo, &created)) {
        fail(L"CreateProcess");
        return;
    }
    process_.reset(created.hProcess);
    const FileHandle thread(created.hThread);
    id_ = created.dwProcessId;
    if (start.inJob) {
        if (!AssignProcessToJobObject(job_.get(), created.hProcess)) {
            jobError_ = GetLastError();
            job_.reset();
        }
        ResumeThread(created.hThread);
    }
    // Only the child holds the write ends now: each reader ends when the child does.
    writeEnd.reset();
    errorWriteEnd.reset();
    for (OutputReader* reader : {reader_.get(), errorReader_.get()}) {
        if (reader == nullptr) {
            continue;
        }
        reader->thread.reset(CreateThread(nullptr, 0, &OutputReader::read, reader, 0, nullptr));
        if (!reader->thread.valid()) {
            fail(L"CreateThread");
            terminate(ERROR_NOT_ENOUGH_MEMORY);
            process_.reset();
            return;
        }
    }
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

DWORD ChildProcess::exitCode() const {
    DWORD code = 0;
    GetExitCodeProcess(process_.get(), &code);
    return code;
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
    if (!reader_) {
        return {};
    }
    reader_->finish();
    return std::move(reader_->text);
}

std::string ChildProcess::errors() {
    if (!errorReader_) {
        return {};
    }
    errorReader_->finish();
    return std::move(errorReader_->text);
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

std::wstring ownProgramPath() {
    std::wstring path(32768, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    path.resize(length < path.size() ? length : 0);
    return path;
}

}  // namespace volmora
