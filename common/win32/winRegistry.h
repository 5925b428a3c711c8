// The registry interface over the Win32 registry calls (wide-character forms throughout, so
// names outside the ANSI code page are kept as typed).
#pragma once

#include <memory>

#include "registry.h"

namespace volmora {

class WinRegistry : public Registry {
  public:
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

  private:
    // Value names are enumerated into this, made once: the system writes what it returns.
    std::unique_ptr<wchar_t[]> valueName_;
};

}  // namespace volmora
