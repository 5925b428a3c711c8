// A class's COM keys as they are, beside what registration writes: read the same way, and judged
// by the same rule, wherever they are compared.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "classKeys.h"
#include "registry.h"

namespace volmora {

// One value below HKEY_CLASSES_ROOT as read: its text, or why there is none.
struct ComValueRead {
    enum class Kind { text, keyMissing, valueMissing, otherType, failed };
    Kind kind = Kind::keyMissing;
    std::wstring text;
    long code = status::success;  // failed: the status of the call that failed
};

// Reads COM values one after the other as a class's are read, with the fewest registry calls:
// the key that holds all COM classes is opened once, a key stays open while the next value asked
// for is one of its own, and one buffer serves every read.
class ComValueReader {
  public:
    explicit ComValueReader(Registry& registry);
    ComValueRead read(const std::wstring& key, std::wstring_view name);
    // Opens key for the reads that follow: 0, or the status of opening it.
    long openKey(const std::wstring& key);

  private:
    Registry& registry_;
    RegKey classes_;  // CLSID below HKEY_CLASSES_ROOT
    long classesStatus_;
    RegKey open_;  // the key read last
    std::wstring openPath_;
    long openStatus_ = status::fileNotFound;
    std::vector<std::uint8_t> buffer_;
};

// Whether the value found is the one registration writes.
bool comValueMatches(const ComValue& wanted, const ComValueRead& found);

// How messages and the plan name a COM value: "COM key "<key>"", with " value <name>" for a
// named value.
std::wstring comKeyLabel(const std::wstring& key, std::wstring_view name = {});

// Whether a ProgID key leads to the class: its CLSID subkey names clsid, in any letter case.
bool leadsToClass(const ComValueRead& pointer, std::wstring_view clsid);

}  // namespace volmora
