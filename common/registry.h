// The registry as the tools use it: a small interface over the Win32 key and value calls, so
// that the operations run against the real registry in the programs and an in-memory one in
// unit tests. Every call returns the Win32 status code (0 for success).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace volmora {

// Win32 status codes the tools look at.
namespace status {
inline constexpr long success = 0;
inline constexpr long fileNotFound = 2;
inline constexpr long accessDenied = 5;
inline constexpr long notEnoughMemory = 8;
inline constexpr long invalidParameter = 87;
inline constexpr long badPathname = 161;
inline constexpr long alreadyExists = 183;
inline constexpr long fileTooLarge = 223;
inline constexpr long moreData = 234;
inline constexpr long noMoreItems = 259;
}  // namespace status

// Registry value types (REG_*).
namespace valueType {
inline constexpr std::uint32_t none = 0;
inline constexpr std::uint32_t sz = 1;
inline constexpr std::uint32_t expandSz = 2;
inline constexpr std::uint32_t binary = 3;
inline constexpr std::uint32_t dword = 4;
inline constexpr std::uint32_t multiSz = 7;
}  // namespace valueType

// An open key or a predefined root, with the bit pattern of the Win32 HKEY.
struct KeyHandle {
    std::uintptr_t value = 0;
    friend bool operator==(KeyHandle, KeyHandle) = default;
};

namespace detail {
constexpr KeyHandle predefinedKey(std::uint32_t id) {
    // Windows defines its predefined keys as sign-extended 32-bit values.
    return KeyHandle{
        static_cast<std::uintptr_t>(static_cast<std::intptr_t>(static_cast<std::int32_t>(id)))};
}
}  // namespace detail

inline constexpr KeyHandle classesRoot = detail::predefinedKey(0x80000000);
inline constexpr KeyHandle currentUser = detail::predefinedKey(0x80000001);
inline constexpr KeyHandle localMachine = detail::predefinedKey(0x80000002);

// The predefined roots the tools use, by the names messages give them.
struct RootKeyName {
    KeyHandle root;
    std::wstring_view name;
};
inline constexpr RootKeyName rootKeyNames[] = {
    {classesRoot, L"HKEY_CLASSES_ROOT"},
    {currentUser, L"HKEY_CURRENT_USER"},
    {localMachine, L"HKEY_LOCAL_MACHINE"},
};

// "HKEY_CLASSES_ROOT\path", the name of a key below one of the roots above (an open key that is
// none of them is named by its path alone).
inline std::wstring fullKeyName(KeyHandle root, std::wstring_view path) {
    for (const RootKeyName& known : rootKeyNames) {
        if (known.root == root) {
            std::wstring name(known.name);
            name += L'\\';
            name += path;
            return name;
        }
    }
    return std::wstring(path);
}

// readOtherView reads HKEY_LOCAL_MACHINE in the registry view of the other architecture (the
// 64-bit one from a 32-bit program, the 32-bit one from a 64-bit program), where the other
// build of the tools keeps its records; where there is no such view (a 32-bit system), opening
// a key that way finds nothing.
enum class KeyAccess { read, allAccess, readOtherView };

// Largest enumerated key name, in characters, as the tools' 512-character buffer holds it.
inline constexpr std::uint32_t keyNameBuffer = 512;

class Registry {
  public:
    virtual ~Registry() = default;

    // RegCreateKeyExW: creates or opens path below parent, with every missing key on the way;
    // non-volatile, KEY_ALL_ACCESS.
    virtual long createKey(KeyHandle parent, const std::wstring& path, KeyHandle& key) = 0;
    // RegOpenKeyExW.
    virtual long openKey(KeyHandle parent, const std::wstring& path, KeyAccess access,
                         KeyHandle& key) = 0;
    virtual long closeKey(KeyHandle key) = 0;
    // RegEnumKeyW into a keyNameBuffer-character buffer; name is the buffer up to its first NUL.
    virtual long enumKey(KeyHandle key, std::uint32_t index, std::wstring& name) = 0;
    // RegQueryInfoKeyW: how many subkeys the key has.
    virtual long countSubkeys(KeyHandle key, std::uint32_t& count) = 0;
    // RegDeleteKeyW: deletes one key that has no subkeys.
    virtual long deleteKey(KeyHandle parent, const std::wstring& path) = 0;
    // RegEnumValueW: the name, type and data of the value at index; data is resized to the
    // value's size, asking again with a larger buffer while the value does not fit.
    virtual long enumValue(KeyHandle key, std::uint32_t index, std::wstring& name,
                           std::uint32_t& type, std::vector<std::uint8_t>& data) = 0;
    // RegDeleteValueW; an empty name is the key's default value.
    virtual long deleteValue(KeyHandle key, const std::wstring& name) = 0;
    // RegSetValueExW; an empty name is the key's default value.
    virtual long setValue(KeyHandle key, const std::wstring& name, std::uint32_t type,
                          const std::uint8_t* data, std::uint32_t size) = 0;
    // RegQueryValueExW; a null data asks for type and size only.
    virtual long queryValue(KeyHandle key, const std::wstring& name, std::uint32_t* type,
                            std::uint8_t* data, std::uint32_t* size) = 0;
    // RegQueryValueW: the default value of subkey (empty: the key itself).
    virtual long queryDefaultValue(KeyHandle key, const std::wstring& subkey, std::uint8_t* data,
                                   std::uint32_t* size) = 0;
    // RegSetValueW: sets the default value of subkey to a REG_SZ, creating missing keys.
    virtual long setDefaultValue(KeyHandle key, const std::wstring& subkey,
                                 const std::wstring& text) = 0;
};

// An open key, closed when it goes out of scope (or earlier with close()).
class RegKey {
  public:
    explicit RegKey(Registry& registry) : registry_(&registry) {}
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    RegKey(RegKey&& other) noexcept
        : registry_(other.registry_), handle_(std::exchange(other.handle_, KeyHandle{})) {}
    ~RegKey() { close(); }

    long create(KeyHandle parent, const std::wstring& path) {
        close();
        KeyHandle key{};
        long result = registry_->createKey(parent, path, key);
        if (result == status::success) {
            handle_ = key;
        }
        return result;
    }
    long open(KeyHandle parent, const std::wstring& path, KeyAccess access) {
        close();
        KeyHandle key{};
        long result = registry_->openKey(parent, path, access, key);
        if (result == status::success) {
            handle_ = key;
        }
        return result;
    }
    void close() {
        if (handle_ != KeyHandle{}) {
            registry_->closeKey(std::exchange(handle_, KeyHandle{}));
        }
    }
    KeyHandle handle() const { return handle_; }

  private:
    Registry* registry_;
    KeyHandle handle_{};
};

}  // namespace volmora
