// The type library services of bindSchema on Windows: OLE Automation for loading and
// registering, the runtime library's UnregisterTypeLibrary for removing a registration.
#pragma once

#include <oaidl.h>
#include <windows.h>

#include <utility>

#include "comPtr.h"
#include "platform.h"

namespace volmora {

// A library loaded with LoadLibraryW, freed when it goes out of scope.
class LoadedModule {
  public:
    LoadedModule() = default;
    explicit LoadedModule(HMODULE module) : module_(module) {}
    LoadedModule(const LoadedModule&) = delete;
    LoadedModule& operator=(const LoadedModule&) = delete;
    LoadedModule(LoadedModule&& other) noexcept : module_(std::exchange(other.module_, nullptr)) {}
    LoadedModule& operator=(LoadedModule&& other) noexcept {
        if (this != &other) {
            free();
            module_ = std::exchange(other.module_, nullptr);
        }
        return *this;
    }
    ~LoadedModule() { free(); }
    HMODULE get() const { return module_; }
    explicit operator bool() const { return module_ != nullptr; }

  private:
    void free() {
        if (module_ != nullptr) {
            FreeLibrary(std::exchange(module_, nullptr));
        }
    }
    HMODULE module_ = nullptr;
};

class WinTypeLibraries : public TypeLibraries {
  public:
    std::int32_t load(const std::wstring& path) override;
    std::int32_t registerLoaded(const std::wstring& path, const std::wstring& helpDir) override;
    std::int32_t unregisterLoaded() override;

  private:
    using UnregisterFunction = std::int32_t(WINAPI*)(ITypeLib* typeLib);

    // Loads the runtime library and looks up its export at the first call only.
    UnregisterFunction unregisterFunction();

    // Declared before the type library so that the library is released before the runtime
    // that may have seen it is unloaded.
    LoadedModule runtime_;
    UnregisterFunction unregister_ = nullptr;
    ComPtr<ITypeLib> loaded_;
};

}  // namespace volmora
