// Walking the records of a collection.
#include "recordWalk.h"

#include "toolText.h"

namespace volmora {

WalkEnd walkRecords(Registry& registry, KeyHandle records, UnopenedRecord unopened,
                    const RecordVisitor& visit, KeyAccess access) {
    for (std::uint32_t index = 0;; ++index) {
        std::wstring name;
        long result = registry.enumKey(records, index, name);
        if (result == status::noMoreItems) {
            return {};
        }
        if (result != status::success) {
            return {result, false, {}};
        }
        RegKey record(registry);
        result = record.open(records, name, access);
        if (result != status::success) {
            if (unopened == UnopenedRecord::passOver) {
                continue;
            }
            return {result, true, std::move(name)};
        }
        if (!visit(name, record)) {
            return {};
        }
    }
}

bool reportWalkFailure(const Tool& tool, const WalkEnd& end, std::wstring_view collection) {
    if (end.code == status::success) {
        return false;
    }
    std::wstring prefix;
    if (end.unopened) {
        prefix = L"Can't open " + quoted(end.record) + L" key: ";
    } else {
        prefix = L"Can't enumerate ";
        prefix += collection;
        prefix += L": ";
    }
    tool.showError(errorText(prefix, end.code));
    return true;
}

}  // namespace volmora
