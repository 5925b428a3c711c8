// Unregistration of a JVM record: the record's key goes; the JVMs key itself stays.
#include "bindRuntime.h"

namespace volmora {

void removeJvm(Tool& tool, const std::wstring& jvmId) {
    Registry& registry = tool.registry();
    RegKey records(registry);
    long result =
        records.open(localMachine, recordsPath(recordCollection::jvms), KeyAccess::allAccess);
    if (result == status::success) {
        result = registry.deleteKey(records.handle(), jvmId);
        records.close();
    }
    // Whatever refused (no JVMs key, no such record, a record the registry will not delete),
    // the record is not there to unregister.
    if (result == status::success) {
        tool.showInfo(L"JVM " + quoted(jvmId) + L" successfully unregistered.");
    } else {
        tool.showError(L"JVM " + quoted(jvmId) + L" isn't registered.");
    }
}

}  // namespace volmora
