// The records that stay after an apply.
#include "plan/keptRecords.h"

#include "classRecord.h"

namespace volmora::config {

KeptIn keptIn(const ProgIdKeyOwners::Owner& owner) {
    return static_cast<KeptIn>(owner.source);
}

ProgIdKeyOwners keptClasses(const Configuration& file, const Machine& machine, bool prune) {
    ProgIdKeyOwners owners;
    const auto add = [&](const Record& record, KeptIn where) {
        if (const std::wstring_view* progId = findValue(record, recordValue::progId)) {
            owners.add(*progId, record.name, static_cast<int>(where));
        }
    };
    for (const Record& record : file.classes) {
        add(record, KeptIn::file);
    }
    if (!prune) {
        InOrderFinder inFile(file.classes);
        for (const Record& record : machine.own.classes) {
            if (inFile.find(record.name) == nullptr) {
                add(record, KeptIn::machine);
            }
        }
    }
    for (const Record& record : machine.otherClasses()) {
        add(record, KeptIn::otherView);
    }
    return owners;
}

bool staysAfterApply(const Configuration& file, const Machine& machine, bool prune,
                     Collection collection, std::wstring_view name) {
    return findRecord(file.records(collection), name) != nullptr ||
           (!prune && findRecord(machine.own.records(collection), name) != nullptr);
}

}  // namespace volmora::config
