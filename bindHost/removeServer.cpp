// Unregistration: deletes one server record; the Servers key itself always stays.
#include "bindHost.h"
#include "nameRules.h"
#include "recordPaths.h"
#include "regUtil.h"
#include "serverRecord.h"
#include "toolText.h"

namespace volmora {

namespace {

// Every cause (no Servers key, no such record, access denied, a record with subkeys) gives the
// same answer.
bool deleteRecord(Registry& registry, const std::wstring& serverId) {
    if (keyNameStatus(serverId) != status::success) {
        return false;
    }
    RegKey servers(registry);
    if (servers.open(localMachine, recordsPath(recordCollection::servers), KeyAccess::allAccess) !=
        status::success) {
        return false;
    }
    return registry.deleteKey(servers.handle(), serverId) == status::success;
}

}  // namespace

void removeServer(Tool& tool, const std::wstring& serverId) {
    const std::wstring name = L"Server " + quoted(serverId);
    if (deleteRecord(tool.registry(), serverId)) {
        tool.showInfo(name + L" successfully unregistered.");
    } else {
        tool.showError(name + L" isn't registered.");
    }
}

}  // namespace volmora
