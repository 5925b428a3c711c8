// Removing a registration by name for a rollback, and the log line that says what went.
#include "rollbackRemoval.h"

#include "recordRemoval.h"

namespace volmora::msistep {

namespace {

std::wstring errorText(long status) {
    return L": error=" + std::to_wstring(status);
}

}  // namespace

std::variant<std::wstring, Fault> readRecordName(std::wstring_view data) {
    auto read = dataItems(data);
    if (auto* fault = std::get_if<Fault>(&read)) {
        return std::move(*fault);
    }
    auto& items = std::get<std::vector<std::wstring>>(read);
    if (items.size() != 1 || items.front().empty()) {
        return Fault{L"CustomActionData names no record (one item: its name)"};
    }
    return std::move(items.front());
}

RemovalReport removeNamedRecord(Registry& registry, std::wstring_view collection,
                                std::wstring_view kind, const std::wstring& name) {
    const std::wstring record = std::wstring(kind) + L" " + name;
    const long result = removeRecord(registry, collection, name);
    if (result == status::success) {
        return {false, record + L" removed"};
    }
    if (result == status::fileNotFound) {
        return {false, record + L" is not registered: nothing to remove"};
    }
    return {true, L"cannot remove " + record + errorText(result)};
}

RemovalReport removeClass(Registry& registry, const std::wstring& progId) {
    const std::wstring name = L"class " + progId;
    const ClassRemoval removal = removeClassByProgId(registry, progId);
    switch (removal.end) {
        case ClassRemoval::End::removed: {
            std::wstring text =
                name + L" removed: its record " + removal.clsid + L" and its COM keys";
            for (std::size_t i = 0; i < removal.keptKeys.size(); ++i) {
                text += (i == 0 ? L"; kept for the other registry view's class: " : L", ") +
                        removal.keptKeys[i];
            }
            return {false, text};
        }
        case ClassRemoval::End::badName:
        case ClassRemoval::End::noRecords:
        case ClassRemoval::End::notFound:
            return {false, name + L" is not registered: nothing to remove"};
        case ClassRemoval::End::walkFailed:
            return {true, L"cannot remove " + name + L": the class records cannot be read" +
                              (removal.walk.unopened ? L" (" + removal.walk.record + L")" : L"") +
                              errorText(removal.walk.code)};
        case ClassRemoval::End::keyNotDeleted:
            return {true, L"cannot remove " + name + L": its key " + removal.failedKey +
                              errorText(removal.status)};
        case ClassRemoval::End::recordNotDeleted:
            return {true, L"cannot remove " + name + L": its record " + removal.clsid +
                              errorText(removal.status)};
    }
    return {true, L"cannot remove " + name};
}

}  // namespace volmora::msistep
