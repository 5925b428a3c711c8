// The journal's bytes: a line that names the file, then little-endian fields, then the CRC-32 of
// everything before it.
//
//   "volmoraConfig journal\n"
//   u32 format version, u32 view bits (32 or 64), u32 verb, u32 number of keys
//   per key:   u32 root (1 HKEY_LOCAL_MACHINE, 2 HKEY_CLASSES_ROOT), text path,
//              state before, state after
//   per state: u32 exists (0 or 1), u32 number of values,
//              per value: text name, u32 type, u32 size, size bytes of data
//   text:      u32 number of UTF-16 units, the units
//   u32 CRC-32
#include "journal/journalFormat.h"

#include <algorithm>

#include "classKeys.h"
#include "journal/crc32.h"
#include "keyNameCase.h"
#include "nameRules.h"
#include "progIdOwnership.h"
#include "recordPaths.h"
#include "toolText.h"
#include "utf16.h"

namespace volmora::config {

namespace {

constexpr std::string_view magic = "volmoraConfig journal\n";
constexpr std::uint32_t formatVersion = 1;
// What a file says when its checksum matches but its fields do not add up: it was made by
// something else.
constexpr std::wstring_view notLaidOut = L"Its content is not laid out as a journal.";
constexpr std::uint32_t machineRoot = 1;
constexpr std::uint32_t classesRootCode = 2;
// The registry's limit of a path, 32,767 characters (those of its names are the record rules').
constexpr std::size_t maxPath = 32767;
// The smallest encoded key: root, an empty path, two empty states.
constexpr std::size_t smallestKey = 4 + 4 + 2 * 8;
constexpr std::size_t smallestValue = 4 + 4 + 4;

void putU32(std::string& out, std::uint32_t value) {
    const char bytes[4] = {static_cast<char>(value & 0xFF), static_cast<char>((value >> 8) & 0xFF),
                           static_cast<char>((value >> 16) & 0xFF),
                           static_cast<char>((value >> 24) & 0xFF)};
    out.append(bytes, sizeof bytes);
}

void putText(std::string& out, std::wstring_view text) {
    const std::size_t countAt = out.size();
    putU32(out, 0);
    appendUtf16(out, text);
    const auto units = static_cast<std::uint32_t>((out.size() - countAt - 4) / 2);
    for (int i = 0; i < 4; ++i) {
        out[countAt + static_cast<std::size_t>(i)] = static_cast<char>((units >> (8 * i)) & 0xFF);
    }
}

void putState(std::string& out, const KeyState& state) {
    putU32(out, state.exists ? 1 : 0);
    putU32(out, static_cast<std::uint32_t>(state.values.size()));
    for (const SavedValue& value : state.values) {
        putText(out, value.name);
        putU32(out, value.type);
        putU32(out, static_cast<std::uint32_t>(value.data.size()));
        out.append(reinterpret_cast<const char*>(value.data.data()), value.data.size());
    }
}

// Reads fields in order; once a read runs past the end, every later read fails too.
class Reader {
  public:
    explicit Reader(std::string_view bytes) : bytes_(bytes) {}

    bool u32(std::uint32_t& value) {
        if (bytes_.size() < 4) {
            return fail();
        }
        value = 0;
        for (int i = 3; i >= 0; --i) {
            value = value << 8 | static_cast<std::uint8_t>(bytes_[static_cast<std::size_t>(i)]);
        }
        bytes_.remove_prefix(4);
        return true;
    }
    bool text(std::wstring& value, std::size_t maxUnits) {
        std::uint32_t units = 0;
        if (!u32(units) || units > maxUnits || bytes_.size() / 2 < units) {
            return fail();
        }
        value = textFromUtf16(reinterpret_cast<const std::uint8_t*>(bytes_.data()), units);
        bytes_.remove_prefix(2 * std::size_t{units});
        return true;
    }
    bool data(std::vector<std::uint8_t>& value) {
        std::uint32_t size = 0;
        if (!u32(size) || bytes_.size() < size) {
            return fail();
        }
        value.assign(bytes_.begin(), bytes_.begin() + size);
        bytes_.remove_prefix(size);
        return true;
    }
    // A count of items of at least itemSize bytes each, which the rest must be able to hold.
    bool count(std::uint32_t& value, std::size_t itemSize) {
        return u32(value) && (value <= bytes_.size() / itemSize || fail());
    }
    std::size_t left() const { return bytes_.size(); }

  private:
    bool fail() {
        bytes_ = {};
        return false;
    }
    std::string_view bytes_;
};

bool readState(Reader& reader, KeyState& state) {
    std::uint32_t exists = 0;
    std::uint32_t values = 0;
    if (!reader.u32(exists) || exists > 1 || !reader.count(values, smallestValue)) {
        return false;
    }
    state.exists = exists == 1;
    if (!state.exists && values != 0) {
        return false;
    }
    state.values.resize(values);
    for (SavedValue& value : state.values) {
        if (!reader.text(value.name, maxValueName) || !reader.u32(value.type) ||
            !reader.data(value.data)) {
            return false;
        }
    }
    return true;
}

std::vector<std::wstring> pathParts(const std::wstring& path) {
    std::vector<std::wstring> parts;
    for (std::size_t start = 0;;) {
        const std::size_t end = path.find(L'\\', start);
        parts.push_back(path.substr(start, end - start));
        if (end == std::wstring::npos) {
            return parts;
        }
        start = end + 1;
    }
}

bool startsWith(const std::vector<std::wstring>& parts, const std::vector<std::wstring>& prefix) {
    return parts.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), parts.begin());
}

bool namesSubkey(const OwnKey& key, const std::wstring& name) {
    return std::any_of(key.defaults.begin(), key.defaults.end(),
                       [&](const SubkeyDefault& entry) { return sameKeyName(entry.subkey, name); });
}

bool machineKeyMayBeTouched(const std::vector<std::wstring>& parts) {
    const std::vector<std::wstring> root = pathParts(configurationRoot());
    if (parts.size() < root.size()) {
        // On the way to the root: the first level is the system's.
        return parts.size() >= 2 && startsWith(root, parts);
    }
    if (!startsWith(parts, root)) {
        return false;
    }
    const std::size_t below = parts.size() - root.size();
    if (below == 0) {
        return true;
    }
    const std::wstring& collection = parts[root.size()];
    return below <= 2 &&
           (collection == recordCollection::classes || collection == recordCollection::jvms ||
            collection == recordCollection::servers);
}

// The keys below HKEY_CLASSES_ROOT that apply may write: the COM key of a class named by a GUID
// in braces with the subkeys registration writes below it, and a ProgID key (plain or versioned)
// that is not one the system keeps, with the subkeys registration writes below it. Apply refuses
// a class that would write anything else, by this same rule.
bool classKeyMayBeTouched(const std::vector<std::wstring>& parts) {
    const ClassKeys shape = classKeys(parts[0], parts.size() > 1 ? parts[1] : L"");
    const std::wstring_view comClasses =
        std::wstring_view(shape.comClass.path).substr(0, shape.comClass.path.find(L'\\'));
    if (sameKeyName(parts[0], comClasses)) {
        // CLSID\<clsid>, and the subkeys registration writes below it.
        return parts.size() >= 2 && isBracedGuid(parts[1]) &&
               (parts.size() == 2 || (parts.size() == 3 && namesSubkey(shape.comClass, parts[2])));
    }
    if (!progIdKeyMayBeWritten(parts[0])) {
        return false;
    }
    // <progId> or <progId>.1, and the subkeys registration writes below either.
    return parts.size() == 1 || (parts.size() == 2 && (namesSubkey(shape.progId, parts[1]) ||
                                                       namesSubkey(shape.versioned, parts[1])));
}

}  // namespace

std::wstring_view journalVerbName(JournalVerb verb) {
    switch (verb) {
        case JournalVerb::apply:
            return L"apply";
        case JournalVerb::restore:
            return L"restore";
        case JournalVerb::backup:
            return L"backup";
    }
    return L"?";
}

bool applyMayTouch(KeyHandle root, const std::wstring& path) {
    if (path.empty() || path.size() > maxPath) {
        return false;
    }
    const std::vector<std::wstring> parts = pathParts(path);
    for (const std::wstring& part : parts) {
        if (part.empty() || part.size() > maxKeyName) {
            return false;
        }
    }
    if (root == localMachine) {
        return machineKeyMayBeTouched(parts);
    }
    return root == classesRoot && classKeyMayBeTouched(parts);
}

long StringJournalSink::append(std::string_view more) {
    bytes += more;
    return 0;
}

long StringJournalSink::overwrite(std::size_t offset, std::string_view field) {
    bytes.replace(offset, field.size(), field);
    return 0;
}

JournalEncoder::JournalEncoder(JournalSink& sink, std::uint32_t viewBits, JournalVerb verb,
                               std::size_t limit)
    : sink_(sink), start_(magic), limit_(limit) {
    putU32(start_, formatVersion);
    putU32(start_, viewBits);
    putU32(start_, static_cast<std::uint32_t>(verb));
    putU32(start_, 0);  // the number of keys, known at the end
    status_ = sink_.append(start_);
}

void JournalEncoder::add(const KeyChange& change) {
    putU32(pending_, change.root == classesRoot ? classesRootCode : machineRoot);
    putText(pending_, change.path);
    putState(pending_, change.before);
    putState(pending_, change.after);
    ++keys_;
    constexpr std::size_t passAt = 64 * 1024;
    if (pending_.size() >= passAt) {
        pass();
    }
}

void JournalEncoder::pass() {
    restSum_ = crc32(pending_, restSum_);
    restBytes_ += pending_.size();
    // The start, what was passed, and the checksum at the end.
    constexpr std::size_t sumBytes = 4;
    if (status_ == 0 && start_.size() + restBytes_ + sumBytes > limit_) {
        status_ = status::fileTooLarge;
    }
    if (status_ == 0) {
        status_ = sink_.append(pending_);
    }
    pending_.clear();
}

long JournalEncoder::finish() {
    pass();
    const std::size_t countAt = start_.size() - 4;
    start_.resize(countAt);
    putU32(start_, keys_);
    std::string sum;
    putU32(sum, crc32Combine(crc32(start_), restSum_, restBytes_));
    if (status_ == 0) {
        status_ = sink_.overwrite(countAt, std::string_view(start_).substr(countAt));
    }
    if (status_ == 0) {
        status_ = sink_.append(sum);
    }
    return status_;
}

std::string encodeJournal(const Journal& journal) {
    StringJournalSink sink;
    JournalEncoder encoder(sink, journal.viewBits, journal.verb);
    for (const KeyChange& change : journal.changes) {
        encoder.add(change);
    }
    encoder.finish();
    return std::move(sink.bytes);
}

std::wstring decodeJournal(std::string_view bytes, Journal& journal) {
    journal = {};
    if (!bytes.starts_with(magic)) {
        return L"It is not a volmoraConfig journal.";
    }
    if (bytes.size() < magic.size() + 4) {
        return L"It ends early: it was damaged.";
    }
    const std::string_view content = bytes.substr(0, bytes.size() - 4);
    Reader sum(bytes.substr(content.size()));
    std::uint32_t stored = 0;
    sum.u32(stored);
    if (stored != crc32(content)) {
        return L"Its checksum does not match: it was damaged.";
    }
    Reader reader(content.substr(magic.size()));
    std::uint32_t version = 0;
    std::uint32_t view = 0;
    std::uint32_t verb = 0;
    std::uint32_t keys = 0;
    if (!reader.u32(version)) {
        return std::wstring(notLaidOut);
    }
    if (version != formatVersion) {
        return L"Its format version " + decimal(version) + L" is not known.";
    }
    if (!reader.u32(view) || !reader.u32(verb) || !reader.count(keys, smallestKey)) {
        return std::wstring(notLaidOut);
    }
    if (view != 32 && view != 64) {
        return L"Its registry view " + decimal(view) + L" is not known.";
    }
    if (verb < static_cast<std::uint32_t>(JournalVerb::apply) ||
        verb > static_cast<std::uint32_t>(JournalVerb::backup)) {
        return L"Its verb " + decimal(verb) + L" is not known.";
    }
    Journal read{view, static_cast<JournalVerb>(verb), std::vector<KeyChange>(keys)};
    for (KeyChange& change : read.changes) {
        std::uint32_t root = 0;
        if (!reader.u32(root) || !reader.text(change.path, maxPath) ||
            !readState(reader, change.before) || !readState(reader, change.after)) {
            return std::wstring(notLaidOut);
        }
        if (root != machineRoot && root != classesRootCode) {
            return L"Its registry root " + decimal(root) + L" is not known.";
        }
        change.root = root == machineRoot ? localMachine : classesRoot;
        if (!applyMayTouch(change.root, change.path)) {
            return L"It names a key that apply never touches: " +
                   quoted(fullKeyName(change.root, change.path)) + L".";
        }
    }
    if (reader.left() != 0) {
        return std::wstring(notLaidOut);
    }
    journal = std::move(read);
    return {};
}

}  // namespace volmora::config
