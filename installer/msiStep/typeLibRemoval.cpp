// Removing a type library's registration keys by the library's identity.
#include "typeLibRemoval.h"

#include <optional>
#include <vector>

#include "keyNameCase.h"
#include "nameRules.h"
#include "regUtil.h"

namespace volmora::msistep {

namespace {

std::wstring hex(std::uint32_t value) {
    static constexpr wchar_t digits[] = L"0123456789abcdef";
    std::wstring text;
    do {
        text.insert(text.begin(), digits[value % 16]);
        value /= 16;
    } while (value != 0);
    return text;
}

// The names of a key's subkeys; status of opening or enumerating it when that fails.
long subkeys(Registry& registry, const std::wstring& path, std::vector<std::wstring>& names) {
    names.clear();
    RegKey key(registry);
    if (const long result = key.open(classesRoot, path, KeyAccess::read);
        result != status::success) {
        return result;
    }
    for (std::uint32_t index = 0;; ++index) {
        std::wstring name;
        const long result = registry.enumKey(key.handle(), index, name);
        if (result == status::noMoreItems) {
            return status::success;
        }
        if (result != status::success) {
            return result;
        }
        names.push_back(std::move(name));
    }
}

// Deletes a key with everything below it.
long deleteTree(Registry& registry, const std::wstring& path) {
    std::vector<std::wstring> names;
    if (const long result = subkeys(registry, path, names); result != status::success) {
        return result;
    }
    for (const std::wstring& name : names) {
        if (const long result = deleteTree(registry, path + L"\\" + name);
            result != status::success) {
            return result;
        }
    }
    return registry.deleteKey(classesRoot, path);
}

// Deletes a key when its subkeys are all among those names (with them); leaves it otherwise.
long deleteWhenOnly(Registry& registry, const std::wstring& path,
                    std::initializer_list<std::wstring_view> allowed) {
    std::vector<std::wstring> names;
    if (const long result = subkeys(registry, path, names); result != status::success) {
        return result;
    }
    for (const std::wstring& name : names) {
        bool known = false;
        for (const std::wstring_view one : allowed) {
            known |= sameKeyName(name, one);
        }
        if (!known) {
            return status::success;
        }
    }
    return deleteTree(registry, path);
}

}  // namespace

std::variant<TypeLibIdentity, Fault> readTypeLibIdentity(std::wstring_view data) {
    auto read = dataItems(data);
    if (auto* fault = std::get_if<Fault>(&read)) {
        return std::move(*fault);
    }
    const auto& items = std::get<std::vector<std::wstring>>(read);
    auto refused = [&] {
        std::wstring given;
        for (const std::wstring& item : items) {
            given += (given.empty() ? L"" : L" | ") + item;
        }
        return Fault{
            L"CustomActionData names no type library (one item each: {GUID}, "
            L"major.minor, locale id, win32 or win64, then the {IID} of each "
            L"interface): " +
            given};
    };
    if (items.size() < 4 || !isBracedGuid(items[0])) {
        return refused();
    }
    for (std::size_t i = 4; i < items.size(); ++i) {
        if (!isBracedGuid(items[i])) {
            return refused();
        }
    }
    const std::wstring_view version = items[1];
    const std::size_t dot = version.find(L'.');
    if (dot == std::wstring_view::npos) {
        return refused();
    }
    const auto major = decimalNumber(version.substr(0, dot), 0xFFFF);
    const auto minor = decimalNumber(version.substr(dot + 1), 0xFFFF);
    const auto locale = decimalNumber(items[2], 0xFFFFFFFF);
    if (!major || !minor || !locale || (items[3] != L"win32" && items[3] != L"win64")) {
        return refused();
    }
    return TypeLibIdentity{items[0],
                           static_cast<std::uint16_t>(*major),
                           static_cast<std::uint16_t>(*minor),
                           *locale,
                           items[3] == L"win32" ? SystemKind::win32 : SystemKind::win64,
                           {items.begin() + 4, items.end()}};
}

std::wstring libraryKey(const TypeLibIdentity& library) {
    return L"TypeLib\\" + library.guid;
}

std::wstring versionKey(const TypeLibIdentity& library) {
    return libraryKey(library) + L"\\" + hex(library.major) + L"." + hex(library.minor);
}

std::wstring localeKey(const TypeLibIdentity& library) {
    return versionKey(library) + L"\\" + hex(library.locale);
}

std::wstring systemKey(const TypeLibIdentity& library) {
    return localeKey(library) + (library.system == SystemKind::win32 ? L"\\win32" : L"\\win64");
}

std::wstring interfaceKey(const std::wstring& iid) {
    return L"Interface\\" + iid;
}

long removeTypeLibraryKeys(Registry& registry, const TypeLibIdentity& library) {
    if (const long result = deleteTree(registry, systemKey(library)); result != status::success) {
        return result;
    }
    long result = deleteWhenOnly(registry, localeKey(library), {});
    if (result == status::success) {
        result = deleteWhenOnly(registry, versionKey(library), {L"FLAGS", L"HELPDIR"});
    }
    if (result == status::success) {
        result = deleteWhenOnly(registry, libraryKey(library), {});
    }
    return result;
}

long removeInterfaceKeys(Registry& registry, const TypeLibIdentity& library) {
    for (const std::wstring& iid : library.interfaces) {
        std::wstring named;
        const long read =
            getKeyDefaultValue(registry, classesRoot, interfaceKey(iid) + L"\\TypeLib", named);
        if (read == status::fileNotFound) {
            continue;  // no such interface key, or one that names no library: not this one's
        }
        if (read != status::success) {
            return read;
        }
        if (!sameKeyName(named, library.guid)) {
            continue;
        }
        if (const long result = deleteTree(registry, interfaceKey(iid));
            result != status::success) {
            return result;
        }
    }
    return status::success;
}

}  // namespace volmora::msistep
