// Reading a registry view's records into the model, and the name rules that order and match
// them.
#include "model/configuration.h"

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

// The buffers that reading a record's values goes through, made once for all records.
struct ValueBuffers {
    std::wstring name;
    std::vector<std::uint8_t> data;
};

// Adds every value of an open record: REG_SZ ones with their text, others by name only.
long readValues(Registry& registry, KeyHandle key, ValueBuffers& buffers,
                Configuration& configuration) {
    for (std::uint32_t index = 0;; ++index) {
        std::uint32_t type = valueType::none;
        const long result = registry.enumValue(key, index, buffers.name, type, buffers.data);
        if (result == status::noMoreItems) {
            return status::success;
        }
        if (result != status::success) {
            return result;
        }
        if (type == valueType::sz) {
            configuration.addValue(
                buffers.name,
                textFromData(buffers.data, static_cast<std::uint32_t>(buffers.data.size())));
        } else {
            configuration.addOtherType(buffers.name);
        }
    }
}

ReadFailure readCollection(Registry& registry, KeyAccess access, Collection which,
                           Configuration& configuration) {
    const std::wstring_view collection = collectionKey(which);
    RegKey key(registry);
    const long opened = key.open(localMachine, recordsPath(collection), access);
    if (opened == status::fileNotFound) {
        return {};
    }
    if (opened != status::success) {
        return {opened, L"Can't open " + quoted(collection) + L" key"};
    }
    ReadFailure failure;
    ValueBuffers buffers;
    const WalkEnd end = walkRecords(
        registry, key.handle(), UnopenedRecord::stop,
        [&](const std::wstring& name, RegKey& recordKey) {
            configuration.startRecord(which, name);
            const long result = readValues(registry, recordKey.handle(), buffers, configuration);
            configuration.endRecord();
            if (result != status::success) {
                failure = {result, L"Can't read " + quoted(name) + L" key"};
                return false;
            }
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

std::wstring_view Configuration::keepName(std::wstring_view name) {
    constexpr std::size_t mostNames = 64;
    for (const std::wstring_view kept : names_) {
        if (kept == name) {
            return kept;
        }
    }
    const std::wstring_view kept = arena_.keep(name);
    if (names_.size() < mostNames) {
        names_.push_back(kept);
    }
    return kept;
}

void Configuration::startRecord(Collection collection, std::wstring_view name) {
    adding_ = collection;
    addingName_ = arena_.keep(name);
    addingValues_.clear();
    addingOtherTypes_.clear();
}

void Configuration::addValue(std::wstring_view name, std::wstring_view text) {
    addingValues_.push_back({keepName(name), arena_.keep(text)});
}

void Configuration::addOtherType(std::wstring_view name) {
    addingOtherTypes_.push_back(keepName(name));
}

void Configuration::endRecord() {
    std::stable_sort(addingValues_.begin(), addingValues_.end(),
                     [](const Value& a, const Value& b) { return configLess(a.name, b.name); });
    std::stable_sort(addingOtherTypes_.begin(), addingOtherTypes_.end(), configLess);
    records(adding_).push_back(
        {addingName_, arena_.keep(std::span<const Value>(addingValues_)),
         arena_.keep(std::span<const std::wstring_view>(addingOtherTypes_))});
}

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

std::wstring_view recordNoun(Collection collection) {
    switch (collection) {
        case Collection::jvms:
            return L"jvm";
        case Collection::servers:
            return L"server";
        case Collection::classes:
            break;
    }
    return L"class";
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

const std::wstring_view* findValue(const Record& record, std::wstring_view name) {
    const Value* value = findNamedValue(record, name);
    return value ? &value->text : nullptr;
}

const Record* InOrderFinder::find(std::wstring_view name) {
    const Record* found = next_ < records_.size() && records_[next_].name == name
                              ? &records_[next_]
                              : findRecord(records_, name);
    if (found != nullptr) {
        next_ = static_cast<std::size_t>(found - records_.data()) + 1;
    }
    return found;
}

void sortConfiguration(Configuration& configuration) {
    const auto less = [](const Record& a, const Record& b) { return configLess(a.name, b.name); };
    for (const Collection collection : allCollections) {
        auto& records = configuration.records(collection);
        // An export's file and the registry's enumeration come in order already; checking that
        // takes a comparison a record, sorting many.
        if (!std::is_sorted(records.begin(), records.end(), less)) {
            std::stable_sort(records.begin(), records.end(), less);
        }
    }
}

ReadFailure readConfiguration(Registry& registry, KeyAccess access, Configuration& configuration) {
    configuration = {};
    for (const Collection collection : allCollections) {
        ReadFailure failure = readCollection(registry, access, collection, configuration);
        if (failure.code != status::success) {
            return failure;
        }
    }
    sortConfiguration(configuration);
    return {};
}

}  // namespace volmora::config
