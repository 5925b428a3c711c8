// What a first install's rollback keeps: before the install writes, NoteExisting adds to each
// rollback's CustomActionData a note of every key its step may write, as the key stood then.
// The rollback then removes only what the install made and puts back what was there before it
// (a record, class or type library of the same name that another product or an administrator
// registered); with no note it removes by name, as the programs' /u forms do.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "keySnapshot.h"
#include "registry.h"
#include "rollbackRemoval.h"
#include "stepData.h"

namespace volmora::msistep {

// The rollbacks that keep notes, by their entries in volmoraMsiStep.dll.
enum class RollbackKind { jvm, server, javaClass, typeLibrary };
std::optional<RollbackKind> rollbackKindOf(std::wstring_view entry);

// What NoteExisting reads from its property: one item per rollback, "<property>=<entry>", the
// property that holds the rollback's data and the rollback's entry (RemoveJvm, ...).
struct NotedRollback {
    std::wstring property;
    RollbackKind kind;
};
std::variant<std::vector<NotedRollback>, Fault> readNotedRollbacks(std::wstring_view data);

struct KeyToNote {
    NotedRoot root;
    std::wstring path;
};

// The keys that the step of that rollback may write, from the rollback's data (without notes):
// a JVM's or server's record; a class's record, its CLSID key and both ProgID keys (data: the
// ProgID, then the CLSID); a type library's key and its interfaces' keys (its identity).
std::variant<std::vector<KeyToNote>, Fault> keysToNote(RollbackKind kind, std::wstring_view data);

// The rollback's data with a note of each of those keys as it stands now, the count made anew.
std::variant<std::wstring, Fault> withNotes(Registry& registry, RollbackKind kind,
                                            std::wstring_view data);

// A rollback's data parted into the items before the notes (as data of their own, counted
// anew) and the notes that follow them.
struct NotedData {
    std::wstring data;
    std::vector<KeyNote> notes;
};
std::variant<NotedData, Fault> splitNotes(std::wstring_view data);

// Whether a rollback must put something back: a noted key existed before the install.
bool anyKeyExisted(const std::vector<KeyNote>& notes);

// Puts every noted key back as it stood (what is named in the log as what, "class X").
RemovalReport restoreNotedKeys(Registry& registry, const std::wstring& what,
                               const std::vector<KeyNote>& notes);

// The class rollback's data: the ProgID, then the CLSID.
struct ClassNames {
    std::wstring progId;
    std::wstring clsid;
};
std::variant<ClassNames, Fault> readClassNames(std::wstring_view data);

}  // namespace volmora::msistep
