// The side-by-side rule for ProgID keys.
#include "progIdSharing.h"

#include "keyNameCase.h"

namespace volmora {

bool usesProgIdKeys(std::wstring_view recordProgId, std::wstring_view progId) {
    return sameKeyName(recordProgId, progId);
}

// Equal upper-case forms are what sameKeyName compares.
void ProgIdsInUse::add(std::wstring_view recordProgId, std::wstring_view owner) {
    owners_[upperKeyName(recordProgId)].emplace_back(owner);
}

bool ProgIdsInUse::usesKeysOf(std::wstring_view progId) const {
    return owners_.contains(upperKeyName(progId));
}

const std::vector<std::wstring>& ProgIdsInUse::ownersOf(std::wstring_view progId) const {
    static const std::vector<std::wstring> none;
    const auto found = owners_.find(upperKeyName(progId));
    return found == owners_.end() ? none : found->second;
}

}  // namespace volmora
