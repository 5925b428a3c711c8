// The writes of an apply. A step that fails is named as the programs name theirs: a record by
// its name, a COM key by its path below HKEY_CLASSES_ROOT.
#include "journal/writeExecutor.h"

#include "toolText.h"

namespace volmora::config {

namespace {

// "JVMs\MyJVM" below the configuration root is the record "MyJVM".
bool isRecordKey(const KeyWrite& write) {
    return write.root == localMachine;
}

std::wstring keyLabel(const KeyWrite& write) {
    return isRecordKey(write) ? quoted(write.path.substr(write.path.rfind(L'\\') + 1)) : write.path;
}

std::wstring valueLabel(const KeyWrite& write, const std::wstring& name) {
    if (isRecordKey(write)) {
        return name;
    }
    return name.empty() ? write.path : write.path + L"\\" + name;
}

ReadFailure failed(long code, std::wstring step) {
    return {code, std::move(step)};
}

ReadFailure makeWrite(Registry& registry, const KeyWrite& write) {
    if (write.remove) {
        const long result = registry.deleteKey(write.root, write.path);
        // An absent key, or one the registry cannot name, was never written: it counts as gone.
        if (result != status::success && result != status::fileNotFound &&
            result != status::invalidParameter) {
            return failed(result, L"Can't delete " + keyLabel(write) + L" key");
        }
        return {};
    }
    RegKey key(registry);
    if (const long result = key.create(write.root, write.path); result) {
        return failed(result, L"Can't create " + keyLabel(write) + L" key");
    }
    for (const SavedValue& value : write.set) {
        if (const long result =
                registry.setValue(key.handle(), value.name, value.type, value.data.data(),
                                  static_cast<std::uint32_t>(value.data.size()));
            result) {
            return failed(result,
                          L"Can't set " + valueLabel(write, value.name) + L" registry value");
        }
    }
    for (const std::wstring& name : write.unset) {
        if (const long result = registry.deleteValue(key.handle(), name);
            result && result != status::fileNotFound) {
            return failed(result, L"Can't delete " + valueLabel(write, name) + L" registry value");
        }
    }
    return {};
}

}  // namespace

WritesEnd executeWrites(Registry& registry, const WriteUnits& writes,
                        const StopRequested& stopRequested) {
    WritesEnd end;
    writes.forEach([&](const WriteUnit& unit) {
        for (const KeyWrite& write : unit.writes) {
            if (stopRequested && stopRequested()) {
                end.stopped = true;
                return false;
            }
            if (ReadFailure failure = makeWrite(registry, write); failure.code) {
                end.failure = std::move(failure);
                return false;
            }
        }
        return true;
    });
    return end;
}

}  // namespace volmora::config
