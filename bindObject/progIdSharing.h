// The side-by-side rule for ProgID keys: both registry views share the keys below
// HKEY_CLASSES_ROOT named by a ProgID, so a class that goes in one view leaves them while a
// class record of the other view still carries that ProgID.
#pragma once

#include <set>
#include <string>
#include <string_view>

namespace volmora {

// Whether a class record whose ProgId is recordProgId keeps the shared keys of progId in use.
// Key names compare without regard to letter case, so the ProgIDs do too.
bool usesProgIdKeys(std::wstring_view recordProgId, std::wstring_view progId);

// The ProgIDs of many class records, asked by the same rule in one lookup each.
class ProgIdsInUse {
  public:
    void add(std::wstring_view recordProgId);
    bool usesKeysOf(std::wstring_view progId) const;

  private:
    std::set<std::wstring> upperCase_;
};

}  // namespace volmora
