// An in-memory registry for unit tests that behaves like the Windows registry in what the tools
// use: case-insensitive key and value names kept as written, exact value types and bytes, the
// same status codes, and failures that a test injects into a chosen call. The registry contract
// tests hold it to what the real registry does under Wine.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "registry.h"

namespace volmora::testing {

enum class RegistryCall {
    createKey,
    openKey,
    closeKey,
    enumKey,
    countSubkeys,
    deleteKey,
    setValue,
    queryValue,
    queryDefaultValue,
    setDefaultValue,
    enumValue,
    deleteValue,
};

struct StoredValue {
    std::uint32_t type = valueType::none;
    std::vector<std::uint8_t> data;
    friend bool operator==(const StoredValue&, const StoredValue&) = default;
};

class MemoryRegistry : public Registry {
  public:
    MemoryRegistry();
    ~MemoryRegistry() override;

    long createKey(KeyHandle parent, const std::wstring& path, KeyHandle& key) override;
    long openKey(KeyHandle parent, const std::wstring& path, KeyAccess access,
                 KeyHandle& key) override;
    long closeKey(KeyHandle key) override;
    long enumKey(KeyHandle key, std::uint32_t index, std::wstring& name) override;
    long countSubkeys(KeyHandle key, std::uint32_t& count) override;
    long deleteKey(KeyHandle parent, const std::wstring& path) override;
    long enumValue(KeyHandle key, std::uint32_t index, std::wstring& name, std::uint32_t& type,
                   std::vector<std::uint8_t>& data) override;
    long deleteValue(KeyHandle key, const std::wstring& name) override;
    long setValue(KeyHandle key, const std::wstring& name, std::uint32_t type,
                  const std::uint8_t* data, std::uint32_t size) override;
    long queryValue(KeyHandle key, const std::wstring& name, std::uint32_t* type,
                    std::uint8_t* data, std::uint32_t* size) override;
    long queryDefaultValue(KeyHandle key, const std::wstring& subkey, std::uint8_t* data,
                           std::uint32_t* size) override;
    long setDefaultValue(KeyHandle key, const std::wstring& subkey,
                         const std::wstring& text) override;

    // Makes calls of that kind on target fail with code. target is the full path of the key the
    // call works on ("HKCR\CLSID\{...}"), with "@" and the value name for value calls
    // ("HKLM\SOFTWARE\...\{...}@ProgId"; "@" alone for a default value); names compare without
    // regard to case. The failure happens once, or on every call when always is set.
    void failCall(RegistryCall call, const std::wstring& target, long code, bool always = false);
    // The same for one later call: the first callsThatPass matching calls go through.
    void failLaterCall(RegistryCall call, const std::wstring& target, long code,
                       std::size_t callsThatPass);

    // Direct access for arranging and checking tests; paths start with HKLM, HKCR or HKCU, or with
    // HKLM-other for HKEY_LOCAL_MACHINE in the other architecture's view (what openKey reaches
    // from HKEY_LOCAL_MACHINE with KeyAccess::readOtherView).
    bool keyExists(const std::wstring& path) const;
    std::optional<StoredValue> value(const std::wstring& path, const std::wstring& name) const;
    std::optional<std::wstring> text(const std::wstring& path, const std::wstring& name) const;
    void putValue(const std::wstring& path, const std::wstring& name, StoredValue value);
    void putText(const std::wstring& path, const std::wstring& name, const std::wstring& text);
    void putKey(const std::wstring& path);
    void removeValue(const std::wstring& path, const std::wstring& name);
    // Every key and value below path, one per line, sorted: for comparing whole states.
    std::wstring dump(const std::wstring& path) const;
    // Handles still open: a test can check that an operation closed what it opened.
    std::size_t openHandles() const;
    // The calls made so far, as "call target" lines, for checking their order.
    const std::vector<std::wstring>& calls() const { return calls_; }
    // How many calls were made so far, of every kind or of one: each is a round trip to the
    // registry, which is what a listing of many records spends its time on.
    std::size_t callCount() const { return calls_.size(); }
    std::size_t callCount(RegistryCall call) const;

  private:
    struct Key;
    struct Handle {
        std::shared_ptr<Key> key;
        bool writable = false;
    };
    struct Injection {
        RegistryCall call;
        std::wstring target;
        long code;
        bool always;
        std::size_t callsThatPass = 0;
    };

    Key* rootOf(const std::wstring& path, std::wstring& rest) const;
    Key* find(Key* from, const std::wstring& path) const;
    Handle* handle(KeyHandle key);
    KeyHandle newHandle(std::shared_ptr<Key> key, bool writable);
    std::optional<long> injected(RegistryCall call, const std::wstring& target);
    long walk(const std::shared_ptr<Key>& from, const std::wstring& path, bool create,
              std::shared_ptr<Key>& found);

    std::shared_ptr<Key> classesRoot_;
    std::shared_ptr<Key> currentUser_;
    std::shared_ptr<Key> localMachine_;
    std::shared_ptr<Key> otherLocalMachine_;
    Handle roots_[3];
    std::map<std::uintptr_t, Handle> handles_;
    std::uintptr_t nextHandle_ = 0x1000;
    std::vector<Injection> injections_;
    std::vector<std::wstring> calls_;
    std::map<RegistryCall, std::size_t> callCounts_;
};

}  // namespace volmora::testing
