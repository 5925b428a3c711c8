// A registry in front of the in-memory one that ends the run, as a kill or a power cut would,
// before a chosen write: what was written stays, and nothing of the run's own state survives. Or,
// with a failure code, it fails every write from then on.
#pragma once

#include <cstddef>

#include "memoryRegistry.h"

namespace volmora::testing {

// Thrown in place of the write that the run never makes.
struct RunEnded {};

class CrashingRegistry : public Registry {
  public:
    // Lets writesBeforeTheEnd writes through (creating, setting, deleting), then ends the run.
    CrashingRegistry(MemoryRegistry& registry, std::size_t writesBeforeTheEnd, long failure = 0)
        : registry_(registry), writesLeft_(writesBeforeTheEnd), failure_(failure) {}

    std::size_t writesMade() const { return writesMade_; }

    long createKey(KeyHandle parent, const std::wstring& path, KeyHandle& key) override {
        if (!write()) {
            return failure_;
        }
        return registry_.createKey(parent, path, key);
    }
    long openKey(KeyHandle parent, const std::wstring& path, KeyAccess access,
                 KeyHandle& key) override {
        return registry_.openKey(parent, path, access, key);
    }
    long closeKey(KeyHandle key) override { return registry_.closeKey(key); }
    long enumKey(KeyHandle key, std::uint32_t index, std::wstring& name) override {
        return registry_.enumKey(key, index, name);
    }
    long countSubkeys(KeyHandle key, std::uint32_t& count) override {
        return registry_.countSubkeys(key, count);
    }
    long deleteKey(KeyHandle parent, const std::wstring& path) override {
        if (!write()) {
            return failure_;
        }
        return registry_.deleteKey(parent, path);
    }
    long enumValue(KeyHandle key, std::uint32_t index, std::wstring& name, std::uint32_t& type,
                   std::vector<std::uint8_t>& data) override {
        return registry_.enumValue(key, index, name, type, data);
    }
    long deleteValue(KeyHandle key, const std::wstring& name) override {
        if (!write()) {
            return failure_;
        }
        return registry_.deleteValue(key, name);
    }
    long setValue(KeyHandle key, const std::wstring& name, std::uint32_t type,
                  const std::uint8_t* data, std::uint32_t size) override {
        if (!write()) {
            return failure_;
        }
        return registry_.setValue(key, name, type, data, size);
    }
    long queryValue(KeyHandle key, const std::wstring& name, std::uint32_t* type,
                    std::uint8_t* data, std::uint32_t* size) override {
        return registry_.queryValue(key, name, type, data, size);
    }
    long queryDefaultValue(KeyHandle key, const std::wstring& subkey, std::uint8_t* data,
                           std::uint32_t* size) override {
        return registry_.queryDefaultValue(key, subkey, data, size);
    }
    long setDefaultValue(KeyHandle key, const std::wstring& subkey,
                         const std::wstring& text) override {
        if (!write()) {
            return failure_;
        }
        return registry_.setDefaultValue(key, subkey, text);
    }

  private:
    // Whether the write may go through.
    bool write() {
        if (writesLeft_ == 0) {
            if (failure_ != 0) {
                return false;
            }
            throw RunEnded{};
        }
        --writesLeft_;
        ++writesMade_;
        return true;
    }

    MemoryRegistry& registry_;
    std::size_t writesLeft_;
    long failure_;
    std::size_t writesMade_ = 0;
};

}  // namespace volmora::testing
