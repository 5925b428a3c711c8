// RemoveJvm, RemoveServer and RemoveClass (rollback): each undoes what its registration wrote.
// Their data, after the count, names the record (the JVM's or server's identifier, or the
// class's ProgID and CLSID), and NoteExisting may have added how each key that the step writes
// stood before the install. A rollback whose keys were all new removes the record by name, with
// the programs' own record rules; one whose keys partly existed (a record of the same name that
// was there before) puts each back as it stood and removes only what the install made. Neither
// needs the installed files, which may be gone already (Wine's msiexec removes them first).
// Each says in the log what it did.
#include <windows.h>

#include <msi.h>

#include <string>
#include <variant>

#include "msiSession.h"
#include "notedRollback.h"
#include "recordPaths.h"
#include "rollbackRemoval.h"
#include "winRegistry.h"

using namespace volmora;
using namespace volmora::msistep;

namespace {

// read: the names from the data without its notes; what: the names as the log calls them;
// remove: the removal by name.
template <typename Read, typename What, typename Remove>
UINT rollBack(MSIHANDLE install, Read read, What what, Remove remove) {
    const auto split = readActionData(install, splitNotes);
    if (const auto* fault = std::get_if<Fault>(&split)) {
        return failStep(install, fault->text);
    }
    const auto& [data, notes] = std::get<NotedData>(split);
    const auto names = read(data);
    if (const auto* fault = std::get_if<Fault>(&names)) {
        return failStep(install, fault->text);
    }
    const auto& named = std::get<0>(names);
    WinRegistry registry;
    const RemovalReport report = anyKeyExisted(notes)
                                     ? restoreNotedKeys(registry, what(named), notes)
                                     : remove(registry, named);
    logStep(install, report.text);
    return report.failed ? ERROR_INSTALL_FAILURE : ERROR_SUCCESS;
}

UINT rollBackRecord(MSIHANDLE install, std::wstring_view collection, std::wstring_view kind) {
    return rollBack(
        install, readRecordName,
        [&](const std::wstring& name) { return std::wstring(kind) + L" " + name; },
        [&](Registry& registry, const std::wstring& name) {
            return removeNamedRecord(registry, collection, kind, name);
        });
}

}  // namespace

extern "C" UINT __stdcall RemoveJvm(MSIHANDLE install) {
    return rollBackRecord(install, recordCollection::jvms, L"JVM");
}

extern "C" UINT __stdcall RemoveServer(MSIHANDLE install) {
    return rollBackRecord(install, recordCollection::servers, L"server");
}

extern "C" UINT __stdcall RemoveClass(MSIHANDLE install) {
    return rollBack(
        install, readClassNames, [](const ClassNames& names) { return L"class " + names.progId; },
        [](Registry& registry, const ClassNames& names) {
            return removeClass(registry, names.progId);
        });
}
