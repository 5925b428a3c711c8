// The side-by-side rule for ProgID keys: both registry views share the keys below
// HKEY_CLASSES_ROOT named by a ProgID, so a class that goes in one view leaves them while a
// class record of the other view still carries that ProgID.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace volmora {

// Whether a class record whose ProgId is recordProgId keeps the shared keys of progId in use.
// Key names compare without regard to letter case, so the ProgIDs do too.
bool usesProgIdKeys(std::wstring_view recordProgId, std::wstring_view progId);

// The ProgIDs of many class records, asked by the same rule in one lookup each.
class ProgIdsInUse {
  public:
    // Notes that the class record named owner carries recordProgId.
    void add(std::wstring_view recordProgId, std::wstring_view owner = {});
    bool usesKeysOf(std::wstring_view progId) const;
    // The names of the records noted that use the keys of progId (none: empty).
    const std::vector<std::wstring>& ownersOf(std::wstring_view progId) const;

  private:
    std::map<std::wstring, std::vector<std::wstring>> owners_;
};

}  // namespace volmora
