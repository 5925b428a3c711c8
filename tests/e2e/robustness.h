// Shared pieces of the robustness runs: a seeded generator of awkward texts and the registry
// state the tools can touch, read as text for before/after comparisons.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <random>
#include <string>

#include "harness.h"

namespace volmora::e2e::robustness {

inline const std::wstring configurationRoot = L"SOFTWARE\\Tamsiver Software\\VOLM";

// Characters outside the ANSI code page, in and beyond the basic plane.
inline const std::wstring foreignCharacters = L"\u0416\u03A9\u4E2D\u6587\u0639\u05D0\u3042\uFFFD";
inline const std::wstring emoji = L"\U0001F600";

class TextSource {
  public:
    explicit TextSource(std::uint32_t seed) : random_(seed) {}

    std::size_t below(std::size_t bound) {
        return std::uniform_int_distribution<std::size_t>(0, bound - 1)(random_);
    }
    bool chance(std::size_t percent) { return below(100) < percent; }

    // One character that never splits or groups arguments: letters, foreign characters, a
    // surrogate pair or a control character other than tab.
    std::wstring plainCharacter() {
        switch (below(5)) {
            case 0:
                return std::wstring(
                    1, static_cast<wchar_t>(foreignCharacters[below(foreignCharacters.size())]));
            case 1:
                return emoji;
            case 2: {
                wchar_t c = static_cast<wchar_t>(1 + below(31));
                return std::wstring(1, c == L'\t' ? L'\x1F' : c);
            }
            default:
                return std::wstring(1, static_cast<wchar_t>(L'a' + below(26)));
        }
    }

    // A name usable as one registry key name: letters, digits and foreign characters.
    std::wstring keyName(std::size_t index) {
        std::wstring name(1, static_cast<wchar_t>(L'A' + below(26)));
        for (std::size_t n = 1 + below(8); n > 0; --n) {
            name += chance(30) ? foreignCharacters[below(foreignCharacters.size())]
                               : static_cast<wchar_t>(L'a' + below(26));
        }
        return name + std::to_wstring(index);
    }

    std::wstring guid() {
        wchar_t text[40];
        auto hex = [this](int) { return static_cast<unsigned>(random_()); };
        swprintf(text, 40, L"{%08X-%04X-%04X-%04X-%04X%08X}", hex(0), hex(0) & 0xFFFF,
                 hex(0) & 0xFFFF, hex(0) & 0xFFFF, hex(0) & 0xFFFF, hex(0));
        return text;
    }

  private:
    std::mt19937 random_;
};

// Removes again, when it goes, the configuration keys that did not exist when it was made, so
// that a run leaves the configuration as the other tests expect to find it.
class ConfigurationKeysRestorer {
  public:
    ConfigurationKeysRestorer() {
        for (std::size_t i = 0; i < paths_.size(); ++i)
            existed_[i] = keyExists(HKEY_LOCAL_MACHINE, paths_[i]);
    }
    ~ConfigurationKeysRestorer() {
        for (std::size_t i = 0; i < paths_.size(); ++i) {
            if (!existed_[i])
                deleteTree(HKEY_LOCAL_MACHINE, paths_[i]);
        }
    }
    ConfigurationKeysRestorer(const ConfigurationKeysRestorer&) = delete;
    ConfigurationKeysRestorer& operator=(const ConfigurationKeysRestorer&) = delete;

  private:
    // Innermost first, so that a vendor key that was missing goes last and whole.
    const std::array<std::wstring, 5> paths_{
        configurationRoot + L"\\CLSIDs", configurationRoot + L"\\JVMs",
        configurationRoot + L"\\Servers", configurationRoot, L"SOFTWARE\\Tamsiver Software"};
    std::array<bool, 5> existed_{};
};

// The names directly below HKEY_CLASSES_ROOT, one a line: a ProgID written anywhere shows here.
inline std::wstring classesRootNames() {
    std::wstring names;
    wchar_t name[256];
    for (DWORD index = 0;; ++index) {
        DWORD size = 256;
        if (RegEnumKeyExW(HKEY_CLASSES_ROOT, index, name, &size, nullptr, nullptr, nullptr,
                          nullptr) != ERROR_SUCCESS) {
            return names;
        }
        names.append(name, size);
        names += L'\n';
    }
}

// Everything a tool writes below: the configuration, the COM classes and the top-level names.
inline std::wstring registryState() {
    return dumpKey(HKEY_LOCAL_MACHINE, configurationRoot) + L"--\n" +
           dumpKey(HKEY_CLASSES_ROOT, L"CLSID") + L"--\n" + classesRootNames();
}

}  // namespace volmora::e2e::robustness
