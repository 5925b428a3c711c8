// The journal on disk. The folder is made owned by Administrators, with an access list of its own
// (not inherited from %ProgramData%, where users may add files): SYSTEM and Administrators may do
// everything, users may read. The journal gets the same list.
#include "winJournalStore.h"

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>

#include "configHost.h"
#include "fileHandle.h"
#include "ownedHandles.h"

namespace volmora::config {

namespace {

constexpr wchar_t folderName[] = L"volmoraConfig";
constexpr wchar_t journalName[] = L"journal";
constexpr wchar_t temporaryName[] = L"journal.tmp";
constexpr wchar_t temporaryPattern[] = L"*.tmp";
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

// A security descriptor made from its text form, freed when it goes.
class Descriptor {
  public:
    explicit Descriptor(const wchar_t* text) {
        PSECURITY_DESCRIPTOR made = nullptr;
        if (ConvertStringSecurityDescriptorToSecurityDescriptorW(text, SDDL_REVISION_1, &made,
                                                                 nullptr)) {
            memory_.reset(made);
        } else {
            error_ = lastError();
        }
    }
    long error() const { return error_; }
    SECURITY_ATTRIBUTES attributes() const {
        return {sizeof(SECURITY_ATTRIBUTES), memory_.get(), FALSE};
    }

  private:
    LocalMemory memory_;
    long error_ = ERROR_SUCCESS;
};

std::wstring programData() {
    wchar_t path[MAX_PATH] = {};
    if (SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path) !=
        S_OK) {
        return {};
    }
    return path;
}

}  // namespace

WinJournalStore::WinJournalStore() : folder_(programData() + L"\\" + folderName) {}

std::wstring WinJournalStore::path() {
    return folder_ + L"\\" + journalName;
}

long WinJournalStore::read(std::size_t maxBytes, JournalFound& found) {
    found = {};
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

long WinJournalStore::write(std::string_view bytes) {
    const Descriptor folderDescriptor(folderSecurity);
    const Descriptor fileDescriptor(fileSecurity);
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
    const std::wstring temporary = folder_ + L"\\" + temporaryName;
    {
        SECURITY_ATTRIBUTES fileAttributes = fileDescriptor.attributes();
        const FileHandle file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, &fileAttributes,
                                          CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.valid()) {
            return lastError();
        }
        while (!bytes.empty()) {
            DWORD written = 0;
            if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                           nullptr)) {
                const long error = lastError();
                DeleteFileW(temporary.c_str());
                return error;
            }
            bytes.remove_prefix(written);
        }
        if (!FlushFileBuffers(file.get())) {
            return lastError();
        }
    }
    // Without MOVEFILE_REPLACE_EXISTING a journal that is there stays (ERROR_ALREADY_EXISTS).
    if (!MoveFileExW(temporary.c_str(), journal.c_str(), MOVEFILE_WRITE_THROUGH)) {
        const long error = lastError();
        DeleteFileW(temporary.c_str());
        return error;
    }
    return ERROR_SUCCESS;
}

long WinJournalStore::remove() {
    if (!DeleteFileW(path().c_str())) {
        const long error = lastError();
        return isMissing(error) ? ERROR_SUCCESS : error;
    }
    return ERROR_SUCCESS;
}

long WinJournalStore::clearStale() {
    WIN32_FIND_DATAW entry{};
    const FindHandle find(FindFirstFileW((folder_ + L"\\" + temporaryPattern).c_str(), &entry));
    if (!find.valid()) {
        const long error = lastError();
        return isMissing(error) || error == ERROR_NO_MORE_FILES ? ERROR_SUCCESS : error;
    }
    do {
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
            !DeleteFileW((folder_ + L"\\" + entry.cFileName).c_str())) {
            return lastError();
        }
    } while (FindNextFileW(find.get(), &entry));
    return GetLastError() == ERROR_NO_MORE_FILES ? ERROR_SUCCESS : lastError();
}

}  // namespace volmora::config
