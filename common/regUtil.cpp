// Single registry values in and out of keys the caller holds.
#include "regUtil.h"

#include <algorithm>
#include <vector>

#include "toolUtil.h"
#include "utf16.h"

namespace volmora {

namespace {

constexpr std::int32_t typeMismatchNumber = 13;
constexpr std::uint32_t dwordBytes = 4;

// Most values the tools read (identifiers, class names, paths, options) fit in this many bytes,
// so that one query delivers a value's type and data together. Each query is a round trip to
// the registry, which dominates a listing of many records.
constexpr std::uint32_t firstReadBytes = 512;

// Completes a read whose first query into buffer gave result and size: while the registry
// answers ERROR_MORE_DATA with the size it needs (the value may grow between two queries),
// queries again with a buffer of that size. On success, size is the data's length in buffer.
template <typename Query>
long readRest(Query query, long result, std::vector<std::uint8_t>& buffer, std::uint32_t& size) {
    while (result == status::moreData) {
        buffer.assign(std::size_t{size} + sizeof(char16_t), 0);
        size = static_cast<std::uint32_t>(buffer.size());
        result = query(buffer.data(), &size);
    }
    return result;
}

}  // namespace

std::wstring textFromData(const std::vector<std::uint8_t>& buffer, std::uint32_t size) {
    const std::size_t units = std::min<std::size_t>(size, buffer.size()) / 2;
    std::size_t count = 0;
    while (count < units && (buffer[2 * count] != 0 || buffer[2 * count + 1] != 0)) {
        ++count;
    }
    return textFromUtf16(buffer.data(), count);
}

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
    std::vector<std::uint8_t> buffer(firstReadBytes, 0);
    auto size = static_cast<std::uint32_t>(buffer.size());
    long result = registry.queryValue(key, name, &type, buffer.data(), &size);
    if (result != status::success && result != status::moreData) {
        return result;
    }
    if (type == valueType::sz) {
        result = readRest(
            [&](std::uint8_t* data, std::uint32_t* dataSize) {
                return registry.queryValue(key, name, nullptr, data, dataSize);
            },
            result, buffer, size);
        if (result != status::success) {
            value = std::monostate{};
            return result;
        }
        value = textFromData(buffer, size);
        return status::success;
    }
    if (type == valueType::dword) {
        // More bytes than a number holds do not fit a number's buffer.
        if (size > dwordBytes) {
            return status::moreData;
        }
        value = static_cast<std::int32_t>(buffer[0] | (std::uint32_t{buffer[1]} << 8) |
                                          (std::uint32_t{buffer[2]} << 16) |
                                          (std::uint32_t{buffer[3]} << 24));
        return status::success;
    }
    return unsupportedType;
}

long getKeyDefaultValue(Registry& registry, KeyHandle key, const std::wstring& subkey,
                        std::wstring& text) {
    std::vector<std::uint8_t> buffer(firstReadBytes, 0);
    auto size = static_cast<std::uint32_t>(buffer.size());
    long result = registry.queryDefaultValue(key, subkey, buffer.data(), &size);
    if (result != status::success && result != status::moreData) {
        return result;
    }
    result = readRest(
        [&](std::uint8_t* data, std::uint32_t* dataSize) {
            return registry.queryDefaultValue(key, subkey, data, dataSize);
        },
        result, buffer, size);
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
