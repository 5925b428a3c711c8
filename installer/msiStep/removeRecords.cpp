// RemoveJvm, RemoveServer and RemoveClass (rollback): each removes what its registration wrote, by
// the name in its CustomActionData (after the count: the JVM's or server's identifier, or the
// class's ProgID), with the programs' own record rules and none of the installed files, which
// may be gone already (Wine's msiexec removes them first). Each says in the log what it removed.
#include <windows.h>

#include <msi.h>

#include <string>
#include <variant>

#include "msiSession.h"
#include "recordPaths.h"
#include "rollbackRemoval.h"
#include "winRegistry.h"

using namespace volmora;
using namespace volmora::msistep;

namespace {

template <typename Remove>
UINT removeByName(MSIHANDLE install, Remove remove) {
    const auto name = readActionData(install, readRecordName);
    if (const auto* fault = std::get_if<Fault>(&name)) {
        return failStep(install, fault->text);
    }
    WinRegistry registry;
    const RemovalReport report = remove(registry, std::get<std::wstring>(name));
    logStep(install, report.text);
    return report.failed ? ERROR_INSTALL_FAILURE : ERROR_SUCCESS;
}

}  // namespace

extern "C" UINT __stdcall RemoveJvm(MSIHANDLE install) {
    return removeByName(install, [](Registry& registry, const std::wstring& name) {
        return removeNamedRecord(registry, recordCollection::jvms, L"JVM", name);
    });
}

extern "C" UINT __stdcall RemoveServer(MSIHANDLE install) {
    return removeByName(install, [](Registry& registry, const std::wstring& name) {
        return removeNamedRecord(registry, recordCollection::servers, L"server", name);
    });
}

extern "C" UINT __stdcall RemoveClass(MSIHANDLE install) {
    return removeByName(install, [](Registry& registry, const std::wstring& progId) {
        return removeClass(registry, progId);
    });
}
