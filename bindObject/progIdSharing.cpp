// The side-by-side rule for ProgID keys.
#include "progIdSharing.h"

#include "keyNameCase.h"

namespace volmora {

bool usesProgIdKeys(std::wstring_view recordProgId, std::wstring_view progId) {
    return sameKeyName(recordProgId, progId);
}

// Equal upper-case forms are what sameKeyName compares.
void ProgIdsInUse::add(std::wstring_view recordProgId) {
    upperCase_.insert(upperKeyName(recordProgId));
}

bool ProgIdsInUse::usesKeysOf(std::wstring_view progId) const {
    return upperCase_.contains(upperKeyName(progId));
}

}  // namespace volmora
