// Unregisters a Java class by its ProgID, with the removal that an installer's rollback shares
// (records/recordRemoval.h): the class record that carries the ProgID, its COM class and ProgID
// keys leaves first (the shared ProgID keys stay while the other build's record of a class with
// the same ProgID still uses them), the record last; and says how it ended.
#include "bindObject.h"
#include "recordPaths.h"
#include "recordRemoval.h"
#include "registrySteps.h"
#include "toolText.h"

namespace volmora {

void unregisterJavaClass(Tool& tool, const std::wstring& progId) {
    const std::wstring notRegistered = L"Class " + quoted(progId) + L" isn't registered";
    const ClassRemoval removal = removeClassByProgId(tool.registry(), progId);
    switch (removal.end) {
        case ClassRemoval::End::removed:
            tool.showInfo(L"Class " + quoted(progId) + L" successfully unregistered.");
            return;
        case ClassRemoval::End::noRecords:
            tool.showError(notRegistered);
            return;
        case ClassRemoval::End::badName:
        case ClassRemoval::End::notFound:
            tool.showError(notRegistered + L".");
            return;
        case ClassRemoval::End::walkFailed:
            reportWalkFailure(tool, removal.walk, recordCollection::classes);
            return;
        case ClassRemoval::End::keyNotDeleted:
            stepSucceeded(tool, removal.status, L"Can't delete " + removal.failedKey + L" key: ");
            return;
        case ClassRemoval::End::recordNotDeleted:
            stepSucceeded(tool, removal.status,
                          L"Can't delete " + quoted(removal.clsid) + L" key: ");
            return;
    }
}

}  // namespace volmora
