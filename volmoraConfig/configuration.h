// The configuration of one registry view as volmoraConfig sees it: the JVM, server and class
// records below the configuration root, each with its REG_SZ values. Export renders it, apply
// compares the file's with the machine's, check looks for problems in it.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "registry.h"

namespace volmora::config {

struct Value {
    std::wstring name;  // the registry value name as stored
    std::wstring text;  // REG_SZ data
};

// One record: a subkey of CLSIDs, JVMs or Servers below the configuration root.
struct Record {
    std::wstring name;                     // the key name as stored (a CLSID for classes)
    std::vector<Value> values;             // its REG_SZ values, sorted by configLess
    std::vector<std::wstring> otherTypes;  // names of values of another type (kept, not exported)
};

enum class Collection { jvms, servers, classes };

inline constexpr Collection allCollections[] = {Collection::jvms, Collection::servers,
                                                Collection::classes};

struct Configuration {
    std::vector<Record> jvms, servers, classes;  // each sorted by configLess of name
    std::vector<Record>& records(Collection);
    const std::vector<Record>& records(Collection) const;
};

// What a run reads of the machine: this view's records, and the other view's class records,
// which share the ProgID keys.
struct Machine {
    Configuration own;
    std::vector<Record> otherClasses;
};

// The registry key name of a collection (recordCollection::...).
std::wstring_view collectionKey(Collection);

// The values a record of the collection must hold (requiredClassValues, ...).
std::span<const std::wstring_view> requiredValues(Collection);

// Ordinal order of the upper-case forms: the order of export. Names equal in that order are
// the same name, as the registry compares them.
bool configLess(std::wstring_view a, std::wstring_view b);
bool sameName(std::wstring_view a, std::wstring_view b);

// sameName; records must be sorted by configLess.
const Record* findRecord(const std::vector<Record>&, std::wstring_view name);
const Value* findNamedValue(const Record&, std::wstring_view name);    // sameName
const std::wstring* findValue(const Record&, std::wstring_view name);  // its text

// Sorts the records and each record's values by configLess.
void sortConfiguration(Configuration&);

// Reads one registry view's configuration (access: KeyAccess::read or ::readOtherView) through
// the tools' record walk. Missing collection keys read as empty. Returns 0 or the failing call's
// status, with step naming it in the tools' words ("Can't enumerate CLSIDs", "Can't open
// "<name>" key", "Can't read "<name>" key" for a record whose values cannot be listed).
struct ReadFailure {
    long code = 0;
    std::wstring step;
};
ReadFailure readConfiguration(Registry&, KeyAccess, Configuration&);

}  // namespace volmora::config
