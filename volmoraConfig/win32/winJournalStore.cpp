// The journal on disk. The folder is made owned by Administrators, with an access list of its own
// (not inherited from %ProgramData%, where users may add files): SYSTEM and Administrators may do
// everything, users may read. The journal gets the same list.
#include "win32/winJournalStore.h"

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include "fileHandle.h"
#include "host/configHost.h"
#include "ownedHandles.h"
#include "win32/securityDescriptor.h"

namespace volmora::config {

namespace {

constexpr wchar_t folderName[] = L"volmoraConfig";
constexpr wchar_t journalName[] = L"journal";
// The journal being written, and a finished one on its way out.
constexpr wchar_t temporaryName[] = L"journal.tmp";
constexpr wchar_t removedName[] = L"journal.done.tmp";
// Owner Administrators; SYSTEM and Administrators all access, users read and execute
// (FILE_GENERIC_READ | FILE_GENERIC_EXECUTE); not inherited from the folder above.
constexpr wchar_t folderSecurity[] =
    L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";
constexpr wchar_t fileSecurity[] = L"O:BAD:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x1200a9;;;BU)";

long lastError() {
    return static_cast<long>(GetLastError());
}

bool isMissing(long code) {
    return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND;
}

// Wine keeps no security descriptor on files: an owner or access list set reads back as the
// user's and the file's Unix mode (measured under Wine 8), so there is nothing to check there.
bool systemKeepsFileSecurity() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll == nullptr || GetProcAddress(ntdll, "wine_get_version") == nullptr;
}

long readSecurity(HANDLE handle, ObjectSecurity& security) {
    PSID owner = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const DWORD result = GetSecurityInfo(handle, SE_FILE_OBJECT,
                                         OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                         &owner, nullptr, &dacl, nullptr, &descriptor);
    const LocalMemory held(descriptor);
    if (result != ERROR_SUCCESS) {
        return static_cast<long>(result);
    }
    const auto sidText = [](PSID sid) {
        LPWSTR text = nullptr;
        if (sid == nullptr || !ConvertSidToStringSidW(sid, &text)) {
            return std::wstring();
        }
        const LocalMemory heldText(text);
        return std::wstring(text);
    };
    security = {sidText(owner), dacl != nullptr, {}};
    for (DWORD i = 0; dacl != nullptr && i < dacl->AceCount; ++i) {
        void* raw = nullptr;
        if (!GetAce(dacl, i, &raw)) {
            return lastError();
        }
        const auto* header = static_cast<const ACE_HEADER*>(raw);
        const auto* plain = static_cast<const ACCESS_ALLOWED_ACE*>(raw);
        AccessEntry entry;
        entry.allows = header->AceType != ACCESS_DENIED_ACE_TYPE &&
                       header->AceType != ACCESS_DENIED_OBJECT_ACE_TYPE &&
                       header->AceType != ACCESS_DENIED_CALLBACK_ACE_TYPE &&
                       header->AceType != ACCESS_DENIED_CALLBACK_OBJECT_ACE_TYPE;
        entry.inheritOnly = (header->AceFlags & INHERIT_ONLY_ACE) != 0;
        entry.mask = plain->Mask;
        // The plain entry types hold the account right after the mask; the object types do not.
        if (header->AceType == ACCESS_ALLOWED_ACE_TYPE ||
            header->AceType == ACCESS_DENIED_ACE_TYPE ||
            header->AceType == ACCESS_ALLOWED_CALLBACK_ACE_TYPE ||
            header->AceType == ACCESS_DENIED_CALLBACK_ACE_TYPE) {
            entry.sid = sidText(const_cast<DWORD*>(&plain->SidStart));
        }
        security.entries.push_back(std::move(entry));
    }
    return ERROR_SUCCESS;
}

// The folder of all users' application data, as the profile list names it: the value the system
// sets %ProgramData% from (on Windows, unverified here), read from the registry rather than from
// this process's environment, which its caller may have changed. Under Wine 8 it names the same
// folder as SHGetFolderPathW(CSIDL_COMMON_APPDATA) (measured); shell32 is not used, since loading
// it brings the window system's libraries with it, about 5 MB of working set in every run.
long programData(std::wstring& folder) {
    wchar_t path[MAX_PATH] = {};
    DWORD size = sizeof path;
    // RRF_RT_REG_SZ also takes a REG_EXPAND_SZ and expands it.
    const LONG result = RegGetValueW(
        HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList",
        L"ProgramData", RRF_RT_REG_SZ, nullptr, path, &size);
    if (result != ERROR_SUCCESS) {
        return result;
    }
    folder = path;
    return folder.empty() ? ERROR_PATH_NOT_FOUND : ERROR_SUCCESS;
}

// The journal under its temporary name until it is moved into place; deleted when it goes
// before.
class WinJournalFile : public JournalFile {
  public:
    WinJournalFile(FileHandle file, std::wstring temporary, std::wstring journal)
        : file_(std::move(file)), temporary_(std::move(temporary)), journal_(std::move(journal)) {}
    WinJournalFile(const WinJournalFile&) = delete;
    WinJournalFile& operator=(const WinJournalFile&) = delete;
    ~WinJournalFile() override {
        if (file_.valid()) {
            file_.reset();
            DeleteFileW(temporary_.c_str());
        }
    }

    long append(std::string_view bytes) override { return writeWhole(file_.get(), bytes); }

    long overwrite(std::size_t offset, std::string_view bytes) override {
        LARGE_INTEGER at{};
        at.QuadPart = static_cast<LONGLONG>(offset);
        if (!SetFilePointerEx(file_.get(), at, nullptr, FILE_BEGIN)) {
            return lastError();
        }
        const long written = writeWhole(file_.get(), bytes);
        if (!SetFilePointerEx(file_.get(), LARGE_INTEGER{}, nullptr, FILE_END)) {
            return written ? written : lastError();
        }
        return written;
    }

    long commit() override {
        if (!FlushFileBuffers(file_.get())) {
            return lastError();
        }
        file_.reset();
        // Without MOVEFILE_REPLACE_EXISTING a journal that is there stays
        // (ERROR_ALREADY_EXISTS).
        if (!MoveFileExW(temporary_.c_str(), journal_.c_str(), MOVEFILE_WRITE_THROUGH)) {
            const long error = lastError();
            DeleteFileW(temporary_.c_str());
            return error;
        }
        return ERROR_SUCCESS;
    }

  private:
    FileHandle file_;
    std::wstring temporary_;
    std::wstring journal_;
};

}  // namespace

WinJournalStore::WinJournalStore() : folderStatus_(programData(folder_)) {
    folder_ += L"\\";
    folder_ += folderName;
}

std::wstring WinJournalStore::path() {
    return folder_ + L"\\" + journalName;
}

long WinJournalStore::read(std::size_t maxBytes, JournalFound& found) {
    found = {};
    if (folderStatus_ != ERROR_SUCCESS) {
        return folderStatus_;
    }
    found.securityKept = systemKeepsFileSecurity();
    // A link in the journal's place is checked itself, never followed.
    const FileHandle folder(
        CreateFileW(folder_.c_str(), READ_CONTROL,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!folder.valid()) {
        const long error = lastError();
        return isMissing(error) ? ERROR_SUCCESS : error;
    }
    found.folderExists = true;
    if (const long result = readSecurity(folder.get(), found.folder); result) {
        return result;
    }
    if (const DWORD attributes = GetFileAttributesW(path().c_str());
        attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        found.fileExists = true;
        found.notAFile = true;
        return ERROR_SUCCESS;
    }
    const FileHandle file(
        CreateFileW(path().c_str(), GENERIC_READ | READ_CONTROL, FILE_SHARE_READ, nullptr,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file.valid()) {
        const long error = lastError();
        return isMissing(error) ? ERROR_SUCCESS : error;
    }
    found.fileExists = true;
    if (const long result = readSecurity(file.get(), found.file); result) {
        return result;
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size)) {
        return lastError();
    }
    if (static_cast<unsigned long long>(size.QuadPart) > maxBytes) {
        return fileTooLarge;
    }
    found.bytes.assign(static_cast<std::size_t>(size.QuadPart), '\0');
    std::size_t done = 0;
    while (done < found.bytes.size()) {
        DWORD read = 0;
        if (!ReadFile(file.get(), found.bytes.data() + done,
                      static_cast<DWORD>(found.bytes.size() - done), &read, nullptr)) {
            return lastError();
        }
        if (read == 0) {
            found.bytes.resize(done);
            break;
        }
        done += read;
    }
    return ERROR_SUCCESS;
}

long WinJournalStore::create(std::unique_ptr<JournalFile>& file) {
    if (folderStatus_ != ERROR_SUCCESS) {
        return folderStatus_;
    }
    const SecurityDescriptor folderDescriptor(folderSecurity);
    const SecurityDescriptor fileDescriptor(fileSecurity);
    if (folderDescriptor.error() || fileDescriptor.error()) {
        return folderDescriptor.error() ? folderDescriptor.error() : fileDescriptor.error();
    }
    SECURITY_ATTRIBUTES folderAttributes = folderDescriptor.attributes();
    if (!CreateDirectoryW(folder_.c_str(), &folderAttributes) &&
        GetLastError() != ERROR_ALREADY_EXISTS) {
        return lastError();
    }
    const std::wstring journal = path();
    if (GetFileAttributesW(journal.c_str()) != INVALID_FILE_ATTRIBUTES) {
        return journalExists;
    }
    std::wstring temporary = folder_ + L"\\" + temporaryName;
    SECURITY_ATTRIBUTES fileAttributes = fileDescriptor.attributes();
    FileHandle handle(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, &fileAttributes,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle.valid()) {
        return lastError();
    }
    file = std::make_unique<WinJournalFile>(std::move(handle), std::move(temporary), journal);
    return ERROR_SUCCESS;
}

long WinJournalStore::remove() {
    if (folderStatus_ != ERROR_SUCCESS) {
        return folderStatus_;
    }
    // A deletion may linger in the file system's cache; a move with write-through is on the disk
    // when it returns. What is left under the temporary name is cleared by the next run.
    const std::wstring removed = folder_ + L"\\" + removedName;
    if (!MoveFileExW(path().c_str(), removed.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const long error = lastError();
        return isMissing(error) ? ERROR_SUCCESS : error;
    }
    DeleteFileW(removed.c_str());
    return ERROR_SUCCESS;
}

long WinJournalStore::clearStale() {
    if (folderStatus_ != ERROR_SUCCESS) {
        return folderStatus_;
    }
    for (const wchar_t* name : {temporaryName, removedName}) {
        if (!DeleteFileW((folder_ + L"\\" + name).c_str())) {
            const long error = lastError();
            if (!isMissing(error)) {
                return error;
            }
        }
    }
    return ERROR_SUCCESS;
}

}  // namespace volmora::config
