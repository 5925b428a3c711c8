// Removing records by name, as unregistration does, for the programs and for an installer's
// rollback (volmoraMsiStep.dll), which must remove exactly what the programs' /u forms remove.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "recordWalk.h"
#include "registry.h"

namespace volmora {

// Deletes the record of that name in a collection (its key, which holds no subkeys); the
// collection's key stays. A name that is not one key name (empty, or holding a backslash or a
// NUL) is refused with status::badPathname and nothing is touched. Returns the registry's status:
// 2 (not found) for a record, or a collection, that is not there.
long removeRecord(Registry& registry, std::wstring_view collection, const std::wstring& name);

// How removing a class by its ProgID ended.
struct ClassRemoval {
    enum class End {
        removed,
        badName,           // the ProgID is not one key name, so it was never registered
        noRecords,         // the class records' key cannot be opened
        notFound,          // no class record carries the ProgID
        walkFailed,        // the records of this view or of the other could not be read: walk
        keyNotDeleted,     // a COM key could not be deleted: failedKey, status
        recordNotDeleted,  // the record could not be deleted: status
    };
    End end = End::removed;
    std::wstring clsid;  // the class record found
    WalkEnd walk;
    long status = status::success;
    std::wstring failedKey;
    // The ProgID keys left because a class record of the other registry view owns them.
    std::vector<std::wstring> keptKeys;
};

// Removes the class whose record's ProgId is progId character for character (the first such
// record in enumeration order): its COM class key and the keys its ProgID owns, leaves first, but
// for each ProgID key that a class record of the other registry view owns (both views share
// them), and the record last, so that a removal that stops halfway leaves the record for a second
// one to find and finish. Nothing is deleted while either view's records cannot be read.
ClassRemoval removeClassByProgId(Registry& registry, const std::wstring& progId);

}  // namespace volmora
