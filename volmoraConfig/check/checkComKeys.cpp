// The COM keys of one class against what registration writes: the list of keys and values, how
// they are read and how they compare come from the record rules.
#include "check/checkComKeys.h"

#include "classComState.h"
#include "classKeys.h"
#include "model/configuration.h"
#include "nameRules.h"
#include "regUtil.h"
#include "toolText.h"

namespace volmora::config {

namespace {

class ComKeyChecker {
  public:
    ComKeyChecker(ComValueReader& reader, const std::wstring& clsid)
        : reader_(reader), clsid_(clsid) {}

    // Checks the key's default value, or the named value; a ProgID key's CLSID (pointer set)
    // that names another class is its own finding. Returns whether the key exists.
    bool expect(const ComValue& wanted, bool pointer) {
        const std::wstring& path = wanted.key;
        const ComValueRead read = reader_.read(path, wanted.name);
        switch (read.kind) {
            case ComValueRead::Kind::keyMissing:
                add(comKeyLabel(path) + L" is missing");
                return false;
            case ComValueRead::Kind::valueMissing:
                add(comKeyLabel(path, wanted.name) + L" has no value, registration writes " +
                    quoted(wanted.text));
                return true;
            case ComValueRead::Kind::otherType:
                add(comKeyLabel(path, wanted.name) + L" is not a REG_SZ value");
                return true;
            case ComValueRead::Kind::failed:
                add(errorText(L"Can't read " + comKeyLabel(path, wanted.name) + L": ", read.code));
                return true;
            case ComValueRead::Kind::text:
                break;
        }
        if (comValueMatches(wanted, read)) {
            return true;
        }
        if (pointer && !leadsToClass(read, clsid_)) {
            add(comKeyLabel(path, wanted.name) + L" points to another CLSID " + quoted(read.text));
        } else {
            add(comKeyLabel(path, wanted.name) + L" holds " + quoted(read.text) +
                L", registration writes " + quoted(wanted.text));
        }
        return true;
    }

    // The own key first: when it is missing, one finding says so for everything below it.
    bool ownKeyPresent(const std::wstring& path) {
        const long opened = reader_.openKey(path);
        if (opened == status::success) {
            return true;
        }
        add(opened == status::fileNotFound
                ? comKeyLabel(path) + L" is missing"
                : errorText(L"Can't read " + comKeyLabel(path) + L": ", opened));
        return false;
    }

    std::vector<ComKeyFinding> findings;

  private:
    void add(std::wstring text) { findings.push_back({std::move(text)}); }

    ComValueReader& reader_;
    const std::wstring& clsid_;
};

}  // namespace

bool readComDefault(ComValueReader& reader, const std::wstring& path, std::wstring& text) {
    ComValueRead read = reader.read(path, {});
    if (read.kind != ComValueRead::Kind::text) {
        return false;
    }
    text = std::move(read.text);
    return true;
}

std::vector<ComKeyFinding> checkComKeys(ComValueReader& reader, const std::wstring& clsid,
                                        const std::wstring& progId,
                                        const std::wstring& runtimeLibrary) {
    ComKeyChecker checker(reader, clsid);
    const ClassKeys keys = classKeys(progId, clsid, runtimeLibrary);
    const std::vector<ComValue> wanted = comValues(keys);
    // Without a ProgID (a partial record, said elsewhere) or with one that is no key name, only
    // the in-process server can be compared.
    const bool withProgId = keyNameStatus(progId) == status::success;
    const std::wstring server = keys.comClass.path + L"\\" + std::wstring(inprocServerSubkey);
    for (const OwnKey* own : {&keys.comClass, &keys.progId, &keys.versioned}) {
        if ((own != &keys.comClass && !withProgId) || !checker.ownKeyPresent(own->path)) {
            continue;
        }
        // The own key's values, each subkey's default first: a missing subkey is said once.
        std::wstring missingKey;
        for (const ComValue& value : wanted) {
            if (!value.key.starts_with(own->path + L"\\") || value.key == missingKey ||
                (!withProgId && value.key != server)) {
                continue;
            }
            // The ProgID keys' CLSID subkeys lead to the class.
            const bool pointer = own != &keys.comClass && value.text == clsid;
            if (!checker.expect(value, pointer)) {
                missingKey = value.key;
            }
        }
    }
    return std::move(checker.findings);
}

}  // namespace volmora::config
