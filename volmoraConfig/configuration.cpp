// Reading a registry view's records into the model, and the name rules that order and match
// them.
#include "configuration.h"

#include <algorithm>

#include "classRecord.h"
#include "jvmRecord.h"
#include "keyNameCase.h"
#include "recordPaths.h"
#include "recordWalk.h"
#include "regUtil.h"
#include "serverRecord.h"
#include "toolText.h"

namespace volmora::config {

namespace {

// Lists every value of an open record: REG_SZ ones with their text, others by name only.
long readValues(Registry& registry, KeyHandle key, Record& record) {
    std::vector<std::uint8_t> data;
    for (std::uint32_t index = 0;; ++index) {
        std::wstring name;
        std::uint32_t type = valueType::none;
        const long result = registry.enumValue(key, index, name, type, data);
        if (result == status::noMoreItems) {
            return status::success;
        }
        if (result != status::success) {
            return result;
        }
        if (type == valueType::sz) {
            record.values.push_back(
                {std::move(name), textFromData(data, static_cast<std::uint32_t>(data.size()))});
        } else {
            record.otherTypes.push_back(std::move(name));
        }
    }
}

ReadFailure readCollection(Registry& registry, KeyAccess access, std::wstring_view collection,
                           std::vector<Record>& records) {
    RegKey key(registry);
    const long opened = key.open(localMachine, recordsPath(collection), access);
    if (opened == status::fileNotFound) {
        return {};
    }
    if (opened != status::success) {
        return {opened, L"Can't open " + quoted(collection) + L" key"};
    }
    ReadFailure failure;
    const WalkEnd end = walkRecords(
        registry, key.handle(), UnopenedRecord::stop,
        [&](const std::wstring& name, RegKey& recordKey) {
            Record record{name, {}, {}};
            const long result = readValues(registry, recordKey.handle(), record);
            if (result != status::success) {
                failure = {result, L"Can't read " + quoted(name) + L" key"};
                return false;
            }
            records.push_back(std::move(record));
            return true;
        },
        access);
    if (failure.code != status::success) {
        return failure;
    }
    if (end.code != status::success) {
        if (end.unopened) {
            return {end.code, L"Can't open " + quoted(end.record) + L" key"};
        }
        return {end.code, L"Can't enumerate " + std::wstring(collection)};
    }
    return {};
}

}  // namespace

std::vector<Record>& Configuration::records(Collection collection) {
    switch (collection) {
        case Collection::jvms:
            return jvms;
        case Collection::servers:
            return servers;
        case Collection::classes:
            break;
    }
    return classes;
}

const std::vector<Record>& Configuration::records(Collection collection) const {
    return const_cast<Configuration*>(this)->records(collection);
}

std::wstring_view collectionKey(Collection collection) {
    switch (collection) {
        case Collection::jvms:
            return recordCollection::jvms;
        case Collection::servers:
            return recordCollection::servers;
        case Collection::classes:
            break;
    }
    return recordCollection::classes;
}

std::span<const std::wstring_view> requiredValues(Collection collection) {
    switch (collection) {
        case Collection::jvms:
            return requiredJvmValues;
        case Collection::servers:
            return requiredServerValues;
        case Collection::classes:
            break;
    }
    return requiredClassValues;
}

bool configLess(std::wstring_view a, std::wstring_view b) {
    return keyNameLess(a, b);
}

bool sameName(std::wstring_view a, std::wstring_view b) {
    return sameKeyName(a, b);
}

const Record* findRecord(const std::vector<Record>& records, std::wstring_view name) {
    // Sorted by configLess, in which the same name is the same place.
    const auto found = std::lower_bound(records.begin(), records.end(), name,
                                        [](const Record& record, std::wstring_view wanted) {
                                            return configLess(record.name, wanted);
                                        });
    return found != records.end() && sameName(found->name, name) ? &*found : nullptr;
}

const Value* findNamedValue(const Record& record, std::wstring_view name) {
    const auto found = std::find_if(record.values.begin(), record.values.end(),
                                    [&](const Value& value) { return sameName(value.name, name); });
    return found == record.values.end() ? nullptr : &*found;
}

const std::wstring* findValue(const Record& record, std::wstring_view name) {
    const Value* value = findNamedValue(record, name);
    return value ? &value->text : nullptr;
}

void sortConfiguration(Configuration& configuration) {
    for (const Collection collection : allCollections) {
        auto& records = configuration.records(collection);
        std::stable_sort(records.begin(), records.end(), [](const Record& a, const Record& b) {
            return configLess(a.name, b.name);
        });
        for (auto& record : records) {
            std::stable_sort(
                record.values.begin(), record.values.end(),
                [](const Value& a, const Value& b) { return configLess(a.name, b.name); });
            std::stable_sort(
                record.otherTypes.begin(), record.otherTypes.end(),
                [](const std::wstring& a, const std::wstring& b) { return configLess(a, b); });
        }
    }
}

ReadFailure readConfiguration(Registry& registry, KeyAccess access, Configuration& configuration) {
    configuration = {};
    for (const Collection collection : allCollections) {
        ReadFailure failure = readCollection(registry, access, collectionKey(collection),
                                             configuration.records(collection));
        if (failure.code != status::success) {
            return failure;
        }
    }
    sortConfiguration(configuration);
    return {};
}

}  // namespace volmora::config
