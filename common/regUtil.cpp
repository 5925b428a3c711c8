// Single registry values in and out of keys the caller holds.
#include "regUtil.h"

#include <vector>

#include "toolUtil.h"
#include "utf16.h"

namespace volmora {

namespace {

constexpr std::int32_t typeMismatchNumber = 13;

// Registry text data as a string. A REG_SZ normally ends in a zero character, which is dropped;
// data stored without one is read whole, and an odd last byte is ignored.
std::wstring textFromData(const std::vector<std::uint8_t>& buffer, std::uint32_t size) {
    std::size_t count = size / 2;
    if (count > 0 && buffer[2 * count - 2] == 0 && buffer[2 * count - 1] == 0) {
        --count;
    }
    return textFromUtf16(buffer.data(), count);
}

}  // namespace

long setNamedValue(Registry& registry, KeyHandle key, const std::wstring& name, std::uint32_t type,
                   const RegValue& value) {
    if (type == valueType::sz) {
        const auto* text = std::get_if<std::wstring>(&value);
        std::vector<std::uint8_t> data = utf16Bytes(text ? *text : std::wstring());
        return registry.setValue(key, name, valueType::sz, data.data(),
                                 static_cast<std::uint32_t>(data.size()));
    }
    if (type == valueType::dword) {
        const auto* number = std::get_if<std::int32_t>(&value);
        if (number == nullptr) {
            raiseToolError(typeMismatchNumber, L"Type mismatch");
        }
        auto bits = static_cast<std::uint32_t>(*number);
        std::uint8_t data[4] = {
            static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
            static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)};
        return registry.setValue(key, name, valueType::dword, data, sizeof data);
    }
    return unsupportedType;
}

long getNamedValue(Registry& registry, KeyHandle key, const std::wstring& name, RegValue& value) {
    std::uint32_t type = valueType::none;
    std::uint32_t size = 0;
    long result = registry.queryValue(key, name, &type, nullptr, &size);
    if (result != status::success) {
        return result;
    }
    if (type == valueType::sz) {
        std::vector<std::uint8_t> buffer(std::size_t{size} + 1, 0);
        result = registry.queryValue(key, name, nullptr, buffer.data(), &size);
        if (result != status::success) {
            value = std::monostate{};
            return result;
        }
        value = textFromData(buffer, size);
        return status::success;
    }
    if (type == valueType::dword) {
        std::uint8_t data[4] = {};
        std::uint32_t dataSize = sizeof data;
        result = registry.queryValue(key, name, nullptr, data, &dataSize);
        if (result == status::success) {
            value = static_cast<std::int32_t>(data[0] | (std::uint32_t{data[1]} << 8) |
                                              (std::uint32_t{data[2]} << 16) |
                                              (std::uint32_t{data[3]} << 24));
        }
        return result;
    }
    return unsupportedType;
}

long getKeyDefaultValue(Registry& registry, KeyHandle key, const std::wstring& subkey,
                        std::wstring& text) {
    std::uint32_t size = 0;
    long result = registry.queryDefaultValue(key, subkey, nullptr, &size);
    if (result != status::success) {
        return result;
    }
    std::vector<std::uint8_t> buffer(std::size_t{size} + 1, 0);
    result = registry.queryDefaultValue(key, subkey, buffer.data(), &size);
    if (result != status::success) {
        text.clear();
        return result;
    }
    text = textFromData(buffer, size);
    return status::success;
}

long setKeyDefaultValue(Registry& registry, KeyHandle key, const std::wstring& subkey,
                        std::uint32_t type, const std::wstring& text) {
    if (type != valueType::sz) {
        return unsupportedType;
    }
    return registry.setDefaultValue(key, subkey, text);
}

long keyNameStatus(std::wstring_view name) {
    if (name.empty() || name.find(L'\\') != std::wstring_view::npos) {
        return status::badPathname;
    }
    return status::success;
}

std::wstring namedTextOr(Registry& registry, KeyHandle key, const std::wstring& name,
                         const std::wstring& fallback) {
    RegValue value;
    if (getNamedValue(registry, key, name, value) != status::success) {
        return fallback;
    }
    if (const auto* text = std::get_if<std::wstring>(&value)) {
        return *text;
    }
    return std::to_wstring(std::get<std::int32_t>(value));
}

}  // namespace volmora
