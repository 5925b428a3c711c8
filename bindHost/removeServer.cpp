// Unregistration: deletes one server record; the Servers key itself always stays.
#include "bindHost.h"
#include "recordPaths.h"
#include "recordRemoval.h"
#include "toolText.h"

namespace volmora {

void removeServer(Tool& tool, const std::wstring& serverId) {
    const std::wstring name = L"Server " + quoted(serverId);
    // Every cause (a name that is not one key name, no Servers key, no such record, access
    // denied, a record with subkeys) gives the same answer.
    if (removeRecord(tool.registry(), recordCollection::servers, serverId) == status::success) {
        tool.showInfo(name + L" successfully unregistered.");
    } else {
        tool.showError(name + L" isn't registered.");
    }
}

}  // namespace volmora
