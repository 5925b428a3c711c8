// The rollbacks of the JVM, server and class registrations: each removes its record by the name
// in its CustomActionData, with the record rules that the programs' /u forms use, and says in the
// installer's log what it removed.
#pragma once

#include <string>
#include <string_view>
#include <variant>

#include "registry.h"
#include "stepData.h"

namespace volmora::msistep {

// The one name that a rollback's CustomActionData holds after its count.
std::variant<std::wstring, Fault> readRecordName(std::wstring_view data);

// What a rollback did, as the line it writes into the log.
struct RemovalReport {
    bool failed = false;
    std::wstring text;
};

// Removes the JVM or server record of that name (collection: recordCollection::jvms or
// ::servers; kind: "JVM" or "server", as the log names it).
RemovalReport removeNamedRecord(Registry& registry, std::wstring_view collection,
                                std::wstring_view kind, const std::wstring& name);

// Removes the class that carries that ProgID, as bindObject /u does.
RemovalReport removeClass(Registry& registry, const std::wstring& progId);

}  // namespace volmora::msistep
