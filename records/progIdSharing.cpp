// The owners of the ProgID keys: one list sorted by ProgID answers for both keys a ProgID owns,
// since a key's name is either the ProgID or the ProgID and its version.
#include "progIdSharing.h"

#include <algorithm>

#include "classKeys.h"
#include "keyNameCase.h"

namespace volmora {

std::vector<std::wstring> progIdKeyNames(std::wstring_view progId) {
    const std::wstring plain(progId);
    return {plain, plain + std::wstring(versionSuffix)};
}

void ProgIdKeyOwners::add(std::wstring_view progId, std::wstring_view clsid, int source) {
    if (progId.empty()) {
        return;
    }
    owners_.push_back({clsid, progId, source});
}

std::vector<const ProgIdKeyOwners::Owner*> ProgIdKeyOwners::ownersOf(
    std::wstring_view key, std::wstring_view clsid) const {
    const auto progIdOf = [this](std::size_t index) { return owners_[index].progId; };
    if (byProgId_.size() != owners_.size()) {
        byProgId_.resize(owners_.size());
        for (std::size_t i = 0; i < byProgId_.size(); ++i) {
            byProgId_[i] = i;
        }
        std::stable_sort(byProgId_.begin(), byProgId_.end(), [&](std::size_t a, std::size_t b) {
            return keyNameLess(progIdOf(a), progIdOf(b));
        });
    }
    std::vector<std::size_t> found;
    const auto withProgId = [&](std::wstring_view progId) {
        const auto first = std::lower_bound(byProgId_.begin(), byProgId_.end(), progId,
                                            [&](std::size_t index, std::wstring_view p) {
                                                return keyNameLess(progIdOf(index), p);
                                            });
        const auto last = std::upper_bound(first, byProgId_.end(), progId,
                                           [&](std::wstring_view p, std::size_t index) {
                                               return keyNameLess(p, progIdOf(index));
                                           });
        found.insert(found.end(), first, last);
    };
    // The key is the ProgID's own, or its versioned one.
    withProgId(key);
    if (key.size() > versionSuffix.size() && key.ends_with(versionSuffix)) {
        withProgId(key.substr(0, key.size() - versionSuffix.size()));
    }
    std::sort(found.begin(), found.end());
    std::vector<const Owner*> owners;
    for (const std::size_t index : found) {
        const Owner& owner = owners_[index];
        if (clsid.empty() || !sameKeyName(owner.clsid, clsid)) {
            owners.push_back(&owner);
        }
    }
    return owners;
}

}  // namespace volmora
