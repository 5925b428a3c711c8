// The configuration of one registry view as volmoraConfig sees it: the JVM, server and class
// records below the configuration root, each with its REG_SZ values. Export renders it, apply
// compares the file's with the machine's, check looks for problems in it.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/textArena.h"
#include "registry.h"

namespace volmora::config {

struct Value {
    std::wstring_view name;  // the registry value name as stored
    std::wstring_view text;  // REG_SZ data
};

// One record: a subkey of CLSIDs, JVMs or Servers below the configuration root. Its texts are
// views into the configuration that holds it.
struct Record {
    std::wstring_view name;                         // the key name as stored (a CLSID for classes)
    std::span<const Value> values;                  // its REG_SZ values, sorted by configLess
    std::span<const std::wstring_view> otherTypes;  // names of values of another type (kept, not
                                                    // exported), sorted by configLess
};

enum class Collection { jvms, servers, classes };

inline constexpr Collection allCollections[] = {Collection::jvms, Collection::servers,
                                                Collection::classes};

// The records of a view or a file. It holds every name and text of its records in one arena, so
// that a record costs no allocation of its own; it moves, but is never copied.
class Configuration {
  public:
    std::vector<Record> jvms, servers, classes;  // each sorted by configLess of name
    std::vector<Record>& records(Collection);
    const std::vector<Record>& records(Collection) const;

    // Adds a record to the collection: startRecord, then its values one by one, then endRecord,
    // which sorts them. Names and texts are copied in.
    void startRecord(Collection collection, std::wstring_view name);
    void addValue(std::wstring_view name, std::wstring_view text);
    void addOtherType(std::wstring_view name);
    void endRecord();

  private:
    std::wstring_view keepName(std::wstring_view name);

    TextArena arena_;
    // Value names seen so far, each kept once: records share a few names.
    std::vector<std::wstring_view> names_;
    Collection adding_ = Collection::jvms;
    std::wstring_view addingName_;
    std::vector<Value> addingValues_;
    std::vector<std::wstring_view> addingOtherTypes_;
};

// What a run reads of the machine: this view's records, and the other view's, whose class records
// share the ProgID keys.
struct Machine {
    Configuration own;
    Configuration other;
    const std::vector<Record>& otherClasses() const { return other.classes; }
};

// The registry key name of a collection (recordCollection::...).
std::wstring_view collectionKey(Collection);

// The noun that names one of its records in plans and messages ("jvm").
std::wstring_view recordNoun(Collection);

// The values a record of the collection must hold (requiredClassValues, ...).
std::span<const std::wstring_view> requiredValues(Collection);

// Ordinal order of the upper-case forms: the order of export. Names equal in that order are
// the same name, as the registry compares them.
bool configLess(std::wstring_view a, std::wstring_view b);
bool sameName(std::wstring_view a, std::wstring_view b);

// sameName; records must be sorted by configLess.
const Record* findRecord(const std::vector<Record>&, std::wstring_view name);
const Value* findNamedValue(const Record&, std::wstring_view name);         // sameName
const std::wstring_view* findValue(const Record&, std::wstring_view name);  // its text

// Finds names of a sorted list in the list's order, as a walk over another sorted list does: a
// name that is the next record's, character for character, is found without a comparison by
// the system; any other is looked for in the whole list.
class InOrderFinder {
  public:
    explicit InOrderFinder(const std::vector<Record>& records) : records_(records) {}
    const Record* find(std::wstring_view name);

  private:
    const std::vector<Record>& records_;
    std::size_t next_ = 0;
};

// Sorts the records of each collection by configLess.
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
