// Walking the records of a collection: every subkey of the collection's key, in the registry's
// enumeration order, opened for reading. The listings and unregistration all search this way.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "registry.h"
#include "toolUtil.h"

namespace volmora {

// What a walk does with a record whose key cannot be opened.
enum class UnopenedRecord {
    stop,      // the walk ends with the open's status
    passOver,  // the walk goes on with the next record
};

// How a walk ended. code is 0 after the last record or when the visitor ended the walk;
// otherwise it is the status of the enumeration or, with unopened set, of opening the record
// named record.
struct WalkEnd {
    long code = status::success;
    bool unopened = false;
    std::wstring record;
};

// Returns true to go on with the next record, false to end the walk.
using RecordVisitor = std::function<bool(const std::wstring& name, RegKey& record)>;

// Calls visit for each subkey of records with that subkey open for reading (with access, which
// names the registry view of records); the visitor may close it early, and the walk closes it
// otherwise.
WalkEnd walkRecords(Registry& registry, KeyHandle records, UnopenedRecord unopened,
                    const RecordVisitor& visit, KeyAccess access = KeyAccess::read);

// Shows a failed walk's message with showError ("Can't enumerate <collection>: error=<code>" or
// "Can't open "<name>" key: error=<code>") and returns true; returns false after a walk that
// did not fail.
bool reportWalkFailure(const Tool& tool, const WalkEnd& end, std::wstring_view collection);

}  // namespace volmora
