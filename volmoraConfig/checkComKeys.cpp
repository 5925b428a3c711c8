// The COM keys of one class against what registration writes: the list of keys and values comes
// from bindObject's own description of them.
#include "checkComKeys.h"

#include "classKeys.h"
#include "configuration.h"
#include "regUtil.h"
#include "toolText.h"

namespace volmora::config {

namespace {

// How one value reads: as text, or why not.
struct ValueRead {
    enum class Kind { text, keyMissing, valueMissing, otherType, failed } kind = Kind::text;
    std::wstring text;
    long code = status::success;
};

ValueRead readValue(Registry& registry, const std::wstring& path, std::wstring_view name) {
    RegKey key(registry);
    if (const long opened = key.open(classesRoot, path, KeyAccess::read);
        opened != status::success) {
        return {
            opened == status::fileNotFound ? ValueRead::Kind::keyMissing : ValueRead::Kind::failed,
            {},
            opened};
    }
    RegValue value;
    const long result = getNamedValue(registry, key.handle(), std::wstring(name), value);
    if (result == status::fileNotFound) {
        return {ValueRead::Kind::valueMissing, {}, result};
    }
    if (result == unsupportedType ||
        (result == status::success && !std::holds_alternative<std::wstring>(value))) {
        return {ValueRead::Kind::otherType, {}, result};
    }
    if (result != status::success) {
        return {ValueRead::Kind::failed, {}, result};
    }
    return {ValueRead::Kind::text, std::get<std::wstring>(value), result};
}

std::wstring keyText(const std::wstring& path, std::wstring_view name) {
    std::wstring text = L"COM key " + quoted(path);
    if (!name.empty()) {
        text += L" value ";
        text += name;
    }
    return text;
}

class ComKeyChecker {
  public:
    ComKeyChecker(Registry& registry, const std::wstring& clsid)
        : registry_(registry), clsid_(clsid) {}

    // Checks the key's default value, or the named value; a ProgID key's CLSID (pointer set)
    // that names another class is its own finding. Returns whether the key exists.
    bool expect(const std::wstring& path, std::wstring_view name, const std::wstring& expected,
                bool pointer = false) {
        const ValueRead read = readValue(registry_, path, name);
        switch (read.kind) {
            case ValueRead::Kind::keyMissing:
                add(keyText(path, {}) + L" is missing");
                return false;
            case ValueRead::Kind::valueMissing:
                add(keyText(path, name) + L" has no value, registration writes " +
                    quoted(expected));
                return true;
            case ValueRead::Kind::otherType:
                add(keyText(path, name) + L" is not a REG_SZ value");
                return true;
            case ValueRead::Kind::failed:
                add(errorText(L"Can't read " + keyText(path, name) + L": ", read.code));
                return true;
            case ValueRead::Kind::text:
                break;
        }
        if (read.text == expected) {
            return true;
        }
        if (pointer && !sameName(read.text, clsid_)) {
            add(keyText(path, name) + L" points to another CLSID " + quoted(read.text));
        } else {
            add(keyText(path, name) + L" holds " + quoted(read.text) + L", registration writes " +
                quoted(expected));
        }
        return true;
    }

    // The own key first: when it is missing, one finding says so for everything below it.
    bool ownKeyPresent(const std::wstring& path) {
        RegKey key(registry_);
        const long opened = key.open(classesRoot, path, KeyAccess::read);
        if (opened == status::success) {
            return true;
        }
        add(opened == status::fileNotFound
                ? keyText(path, {}) + L" is missing"
                : errorText(L"Can't read " + keyText(path, {}) + L": ", opened));
        return false;
    }

    std::vector<ComKeyFinding> findings;

  private:
    void add(std::wstring text) { findings.push_back({std::move(text)}); }

    Registry& registry_;
    const std::wstring& clsid_;
};

}  // namespace

bool readComDefault(Registry& registry, const std::wstring& path, std::wstring& text) {
    ValueRead read = readValue(registry, path, {});
    if (read.kind != ValueRead::Kind::text) {
        return false;
    }
    text = std::move(read.text);
    return true;
}

std::vector<ComKeyFinding> checkComKeys(Registry& registry, const std::wstring& clsid,
                                        const std::wstring& progId,
                                        const std::wstring& runtimeLibrary) {
    ComKeyChecker checker(registry, clsid);
    const ClassKeys keys = classKeys(progId, clsid, runtimeLibrary);
    // Without a ProgID (a partial record, said elsewhere) or with one that is no key name, only
    // the class's own key can be compared.
    const bool withProgId = keyNameStatus(progId) == status::success;
    for (const OwnKey* own : {&keys.comClass, &keys.progId, &keys.versioned}) {
        if (own != &keys.comClass && !withProgId) {
            break;
        }
        if (!checker.ownKeyPresent(own->path)) {
            continue;
        }
        for (const SubkeyDefault& entry : own->defaults) {
            if (!withProgId && entry.subkey != inprocServerSubkey) {
                continue;
            }
            const std::wstring path = own->path + L"\\" + std::wstring(entry.subkey);
            // The ProgID keys' CLSID subkeys lead to the class.
            const bool present =
                checker.expect(path, {}, entry.text, own != &keys.comClass && entry.text == clsid);
            if (present && entry.subkey == inprocServerSubkey) {
                checker.expect(path, threadingModelValue, std::wstring(threadingModel));
            }
        }
    }
    return std::move(checker.findings);
}

}  // namespace volmora::config
