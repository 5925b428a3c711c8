// Reading back what a run wrote to the registry, and setting up or removing what a test needs
// there, through the real registry API.
#include <algorithm>
#include <cwctype>
#include <stdexcept>
#include <string>
#include <vector>

#include "harness.h"
#include "ownedHandles.h"

namespace volmora::e2e {

REGSAM viewAccess(RegistryView view) {
    switch (view) {
        case RegistryView::bits32:
            return KEY_WOW64_32KEY;
        case RegistryView::bits64:
            return KEY_WOW64_64KEY;
        case RegistryView::own:
            break;
    }
    return 0;
}

namespace {

// A key opened with the given access, and the status of opening it.
class Key {
  public:
    Key(HKEY root, const std::wstring& path, REGSAM access) {
        HKEY opened = nullptr;
        status_ = RegOpenKeyExW(root, path.c_str(), 0, access, &opened);
        key_.reset(status_ == ERROR_SUCCESS ? opened : nullptr);
    }
    HKEY get() const { return key_.get(); }
    LSTATUS status() const { return status_; }

  private:
    RegistryKey key_;
    LSTATUS status_ = ERROR_SUCCESS;
};

std::wstring lower(std::wstring text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
    return text;
}

void sortByName(std::vector<std::wstring>& names) {
    std::sort(names.begin(), names.end(),
              [](const std::wstring& a, const std::wstring& b) { return lower(a) < lower(b); });
}

std::wstring hexByte(unsigned value) {
    constexpr wchar_t digits[] = L"0123456789ABCDEF";
    return {digits[(value >> 4) & 0xF], digits[value & 0xF]};
}

std::wstring typeName(DWORD type) {
    switch (type) {
        case REG_NONE:
            return L"REG_NONE";
        case REG_SZ:
            return L"REG_SZ";
        case REG_EXPAND_SZ:
            return L"REG_EXPAND_SZ";
        case REG_BINARY:
            return L"REG_BINARY";
        case REG_DWORD:
            return L"REG_DWORD";
        case REG_MULTI_SZ:
            return L"REG_MULTI_SZ";
        case REG_QWORD:
            return L"REG_QWORD";
        default:
            return L"type" + std::to_wstring(type);
    }
}

std::wstring dataText(DWORD type, const std::vector<BYTE>& data) {
    const bool textual = type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
    if (textual && data.size() % 2 == 0) {
        std::wstring text = L"\"";
        for (std::size_t i = 0; i < data.size(); i += 2) {
            const wchar_t c = static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
            if (c == L'\0') {
                text += L"\\0";
            } else if (c == L'\\') {
                text += L"\\\\";
            } else {
                text += c;
            }
        }
        return text + L"\"";
    }
    if (type == REG_DWORD && data.size() == 4) {
        const DWORD value = static_cast<DWORD>(data[0]) | static_cast<DWORD>(data[1]) << 8 |
                            static_cast<DWORD>(data[2]) << 16 | static_cast<DWORD>(data[3]) << 24;
        std::wstring text = L"0x";
        for (int shift = 24; shift >= 0; shift -= 8) {
            text += hexByte(value >> shift);
        }
        return text;
    }
    std::wstring text;
    for (std::size_t i = 0; i < data.size(); ++i) {
        text += (i ? L"," : L"") + hexByte(data[i]);
    }
    return text;
}

void dumpInto(HKEY root, const std::wstring& path, const std::wstring& relative, RegistryView view,
              std::wstring& out) {
    const Key key(root, path, KEY_READ | viewAccess(view));
    if (!key.get()) {
        return;
    }
    DWORD subkeyCount = 0, maxSubkey = 0, valueCount = 0, maxValueName = 0, maxData = 0;
    if (RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subkeyCount, &maxSubkey, nullptr,
                         &valueCount, &maxValueName, &maxData, nullptr, nullptr) != ERROR_SUCCESS) {
        throw std::runtime_error("RegQueryInfoKeyW failed");
    }
    out += L"[" + relative + L"]\n";

    std::vector<std::wstring> valueNames;
    std::vector<wchar_t> name(maxValueName + 2);
    for (DWORD i = 0; i < valueCount; ++i) {
        DWORD length = static_cast<DWORD>(name.size());
        if (RegEnumValueW(key.get(), i, name.data(), &length, nullptr, nullptr, nullptr, nullptr) ==
            ERROR_SUCCESS) {
            valueNames.emplace_back(name.data(), length);
        }
    }
    sortByName(valueNames);
    for (const std::wstring& valueName : valueNames) {
        DWORD type = 0;
        DWORD size = 0;
        RegQueryValueExW(key.get(), valueName.c_str(), nullptr, &type, nullptr, &size);
        std::vector<BYTE> data(size);
        if (RegQueryValueExW(key.get(), valueName.c_str(), nullptr, &type, data.data(), &size) !=
            ERROR_SUCCESS) {
            throw std::runtime_error("RegQueryValueExW failed");
        }
        data.resize(size);
        out += (valueName.empty() ? std::wstring(L"@") : valueName) + L"=" + typeName(type) + L" " +
               dataText(type, data) + L"\n";
    }

    std::vector<std::wstring> subkeys;
    std::vector<wchar_t> subkey(maxSubkey + 2);
    for (DWORD i = 0; i < subkeyCount; ++i) {
        DWORD length = static_cast<DWORD>(subkey.size());
        if (RegEnumKeyExW(key.get(), i, subkey.data(), &length, nullptr, nullptr, nullptr,
                          nullptr) == ERROR_SUCCESS) {
            subkeys.emplace_back(subkey.data(), length);
        }
    }
    sortByName(subkeys);
    for (const std::wstring& child : subkeys) {
        dumpInto(root, path + L"\\" + child, relative.empty() ? child : relative + L"\\" + child,
                 view, out);
    }
}

}  // namespace

std::wstring textLine(const std::wstring& name, const std::wstring& text) {
    std::vector<BYTE> data;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        const wchar_t c = i < text.size() ? text[i] : L'\0';
        data.push_back(static_cast<BYTE>(c & 0xFF));
        data.push_back(static_cast<BYTE>(c >> 8));
    }
    return (name.empty() ? std::wstring(L"@") : name) + L"=" + typeName(REG_SZ) + L" " +
           dataText(REG_SZ, data) + L"\n";
}

std::wstring dumpKey(HKEY root, const std::wstring& path, RegistryView view) {
    std::wstring out;
    dumpInto(root, path, L"", view, out);
    return out;
}

bool keyExists(HKEY root, const std::wstring& path, RegistryView view) {
    return Key(root, path, KEY_READ | viewAccess(view)).get() != nullptr;
}

void deleteTree(HKEY root, const std::wstring& path, RegistryView view) {
    LSTATUS status = ERROR_SUCCESS;
    {
        const Key key(root, path, KEY_ALL_ACCESS | viewAccess(view));
        status = key.get() ? RegDeleteTreeW(key.get(), nullptr) : key.status();
    }
    if (status == ERROR_SUCCESS) {
        status = RegDeleteKeyExW(root, path.c_str(), viewAccess(view), 0);
    }
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) {
        throw std::runtime_error("cannot delete a registry key: error " + std::to_string(status));
    }
}

}  // namespace volmora::e2e
