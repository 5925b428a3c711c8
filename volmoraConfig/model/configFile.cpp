// Writing and reading the configuration file. The reader is a SAX handler over the JSON library:
// it builds the model as it goes and stops at the first thing out of place, so that neither a
// deep nesting nor a huge document is ever held as a tree.
#include "model/configFile.h"

#include <algorithm>
#include <cstdint>
#include <nlohmann/json.hpp>

#include "toolText.h"
#include "utf16.h"
#include "utf8.h"

namespace volmora::config {

namespace {

constexpr std::string_view utf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view utf16LittleEndianMark = "\xFF\xFE";
constexpr std::string_view utf16BigEndianMark = "\xFE\xFF";

// Appends text as a JSON string: quotes, backslashes and control characters escaped, everything
// else as UTF-8.
void appendString(std::string& out, std::wstring_view text) {
    static constexpr char hexDigits[] = "0123456789abcdef";
    out += '"';
    for (const char c : utf8(text)) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (byte < 0x20) {
                    out += "\\u00";
                    out += hexDigits[byte >> 4];
                    out += hexDigits[byte & 0xF];
                } else {
                    out += c;
                }
        }
    }
    out += '"';
}

// A collection's records, each handed on as soon as it is written.
void appendRecords(TextChunks& out, const std::vector<Record>& records) {
    if (records.empty()) {
        out.append("{}");
        return;
    }
    out.append("{\n");
    std::string text;
    for (std::size_t r = 0; r < records.size(); ++r) {
        const Record& record = records[r];
        text = "    ";
        appendString(text, record.name);
        text += ": ";
        if (record.values.empty()) {
            text += "{}";
        } else {
            text += "{\n";
            for (std::size_t v = 0; v < record.values.size(); ++v) {
                text += "      ";
                appendString(text, record.values[v].name);
                text += ": ";
                appendString(text, record.values[v].text);
                text += v + 1 < record.values.size() ? ",\n" : "\n";
            }
            text += "    }";
        }
        text += r + 1 < records.size() ? ",\n" : "\n";
        out.append(text);
    }
    out.append("  }");
}

// Line and column (both from 1, the column in bytes) of a byte offset.
std::wstring placeOf(std::string_view text, std::size_t offset) {
    const std::string_view before = text.substr(0, offset);
    const auto line = std::count(before.begin(), before.end(), '\n') + 1;
    const std::size_t lineStart = before.rfind('\n');
    const std::size_t column =
        lineStart == std::string_view::npos ? offset + 1 : offset - lineStart;
    return L"line " + decimal(line) + L", column " + decimal(static_cast<std::int64_t>(column));
}

// UTF-16 little-endian bytes (after the mark) as UTF-8, or an empty result with a message.
std::string fromUtf16(std::string_view bytes, std::wstring& refusal) {
    if (bytes.size() % 2 != 0) {
        refusal = L"The file is not UTF-16 text: it ends in half a character.";
        return {};
    }
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    const std::size_t count = bytes.size() / 2;
    if (const std::size_t lone = loneSurrogateAt(data, count); lone != std::wstring_view::npos) {
        // Counted from the file's start, its byte order mark included.
        refusal = L"The file is not UTF-16 text: a lone surrogate at byte " +
                  decimal(static_cast<std::int64_t>(2 * lone + utf16LittleEndianMark.size())) +
                  L".";
        return {};
    }
    return utf8(textFromUtf16(data, count));
}

// Builds the model from the parser's events. A handler that returns false stops the parse;
// refusal then says why.
class ConfigurationReader {
  public:
    using json = nlohmann::json;

    explicit ConfigurationReader(Configuration& configuration) : configuration_(configuration) {}

    std::wstring refusal;

    bool versionSeen() const { return versionSeen_; }

    bool null() { return scalar(); }
    bool boolean(bool) { return scalar(); }
    bool number_integer(json::number_integer_t number) {
        return depth_ == 1 && member_ == Member::formatVersion ? version(number == formatVersion)
                                                               : scalar();
    }
    bool number_unsigned(json::number_unsigned_t number) {
        return depth_ == 1 && member_ == Member::formatVersion
                   ? version(number == static_cast<unsigned>(formatVersion))
                   : scalar();
    }
    bool number_float(json::number_float_t, const json::string_t&) { return scalar(); }
    bool binary(json::binary_t&) { return scalar(); }
    bool string(json::string_t& text) {
        if (depth_ != 3) {
            return scalar();
        }
        configuration_.addValue(valueName_, fromUtf8(text));
        return true;
    }
    bool start_object(std::size_t) {
        switch (depth_) {
            case 0:
                break;
            case 1:
                if (member_ == Member::formatVersion) {
                    return version(false);
                }
                break;
            case 2:
                configuration_.startRecord(collection_, recordName_);
                break;
            default:
                return refuse(notAString());
        }
        ++depth_;
        return true;
    }
    bool start_array(std::size_t) { return scalar(); }
    bool end_array() { return false; }  // never reached: every array is refused at its start
    bool end_object() {
        if (depth_-- == 3) {
            configuration_.endRecord();
        }
        return true;
    }
    bool key(json::string_t& name) {
        switch (depth_) {
            case 1:
                return topMember(name);
            case 2:
                recordName_ = fromUtf8(name);
                return true;
            default:
                valueName_ = fromUtf8(name);
                return true;
        }
    }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& error) {
        // "[json.exception.parse_error.101] parse error at line 1, column 2: ..."
        std::string_view what = error.what();
        if (const auto end = what.find("] "); end != std::string_view::npos) {
            what.remove_prefix(end + 2);
        }
        return refuse(L"The file is not JSON: " + fromUtf8(what));
    }

  private:
    enum class Member { none, formatVersion, collection };

    bool refuse(std::wstring why) {
        refusal = std::move(why);
        return false;
    }
    bool version(bool known) {
        if (!known) {
            return refuse(L"Unknown formatVersion: this program reads formatVersion " +
                          decimal(formatVersion) + L".");
        }
        versionSeen_ = true;
        return true;
    }
    std::wstring recordPlace() const {
        return std::wstring(recordNoun(collection_)) + L" " + volmora::quoted(recordName_);
    }
    std::wstring notAString() {
        return std::wstring(recordNoun(collection_)) + L" " + volmora::quoted(recordName_) +
               L": value " + volmora::quoted(valueName_) + L" is not a string.";
    }
    // A scalar or an array where it stands: only a record's values may be scalars (strings).
    bool scalar() {
        switch (depth_) {
            case 0:
                return refuse(L"The file must hold one JSON object.");
            case 1:
                if (member_ == Member::formatVersion) {
                    return version(false);
                }
                return refuse(volmora::quoted(fromUtf8(collectionMember(collection_))) +
                              L" must be an object of records.");
            case 2:
                return refuse(recordPlace() + L": a record must be an object of values.");
            default:
                return refuse(notAString());
        }
    }
    bool topMember(const std::string& name) {
        const std::wstring wide = fromUtf8(name);
        if (std::find(seenMembers_.begin(), seenMembers_.end(), name) != seenMembers_.end()) {
            return refuse(L"Member " + volmora::quoted(wide) + L" appears twice at the top level.");
        }
        seenMembers_.push_back(name);
        if (name == formatVersionMember) {
            member_ = Member::formatVersion;
            return true;
        }
        for (const Collection collection : allCollections) {
            if (name == collectionMember(collection)) {
                member_ = Member::collection;
                collection_ = collection;
                return true;
            }
        }
        return refuse(L"Unknown member " + volmora::quoted(wide) + L" at the top level.");
    }

    Configuration& configuration_;
    int depth_ = 0;
    Member member_ = Member::none;
    Collection collection_ = Collection::jvms;
    std::vector<std::string> seenMembers_;
    std::wstring recordName_;
    std::wstring valueName_;
    bool versionSeen_ = false;
};

// Two names in sorted order that are the same name: refused, since the registry holds one.
std::wstring caseTwinRefusal(const Configuration& configuration) {
    const auto twins = [](std::wstring_view a, std::wstring_view b) {
        return a == b ? volmora::quoted(a) + L" appears twice."
                      : volmora::quoted(a) + L" and " + volmora::quoted(b) +
                            L" differ only in letter case.";
    };
    for (const Collection collection : allCollections) {
        const auto& records = configuration.records(collection);
        const std::wstring noun(recordNoun(collection));
        for (std::size_t r = 0; r < records.size(); ++r) {
            if (r > 0 && sameName(records[r - 1].name, records[r].name)) {
                return std::wstring(L"Two ") + noun + L" records: " +
                       twins(records[r - 1].name, records[r].name);
            }
            const auto& values = records[r].values;
            for (std::size_t v = 1; v < values.size(); ++v) {
                if (sameName(values[v - 1].name, values[v].name)) {
                    return noun + L" " + volmora::quoted(records[r].name) + L": two values: " +
                           twins(values[v - 1].name, values[v].name);
                }
            }
        }
    }
    return {};
}

// The offset of the first NUL character of the file: a zero byte, or in UTF-16 text a zero unit.
std::size_t nulByteAt(std::string_view bytes) {
    if (!bytes.starts_with(utf16LittleEndianMark)) {
        return bytes.find('\0');
    }
    for (std::size_t at = utf16LittleEndianMark.size(); at + 1 < bytes.size(); at += 2) {
        if (bytes[at] == '\0' && bytes[at + 1] == '\0') {
            return at;
        }
    }
    return std::string_view::npos;
}

}  // namespace

std::string_view collectionMember(Collection collection) {
    switch (collection) {
        case Collection::jvms:
            return "jvms";
        case Collection::servers:
            return "servers";
        case Collection::classes:
            break;
    }
    return "classes";
}

void renderConfiguration(const Configuration& configuration, TextChunks& out) {
    out.append("{\n  \"");
    out.append(formatVersionMember);
    out.append("\": " + std::to_string(formatVersion));
    for (const Collection collection : allCollections) {
        out.append(",\n  \"");
        out.append(collectionMember(collection));
        out.append("\": ");
        appendRecords(out, configuration.records(collection));
    }
    out.append("\n}\n");
    out.flush();
}

std::string renderConfiguration(const Configuration& configuration) {
    std::string text;
    TextChunks out([&](std::string_view chunk) { text += chunk; });
    renderConfiguration(configuration, out);
    return text;
}

std::wstring parseConfiguration(std::string_view bytes, Configuration& configuration) {
    configuration = {};
    if (bytes.size() > maxFileBytes) {
        return L"The file is larger than " + decimal(maxFileBytes / (1024 * 1024)) + L" MB.";
    }
    if (const std::size_t nul = nulByteAt(bytes); nul != std::string_view::npos) {
        // A file cut or spoilt on the way must never read as a shorter configuration.
        return L"The file holds a NUL byte at byte offset " +
               decimal(static_cast<std::int64_t>(nul)) + L": it is not a configuration file.";
    }
    std::string converted;
    if (bytes.starts_with(utf8Mark)) {
        bytes.remove_prefix(utf8Mark.size());
    } else if (bytes.starts_with(utf16LittleEndianMark)) {
        std::wstring refusal;
        converted = fromUtf16(bytes.substr(utf16LittleEndianMark.size()), refusal);
        if (!refusal.empty()) {
            return refusal;
        }
        bytes = converted;
    } else if (bytes.starts_with(utf16BigEndianMark)) {
        return L"The file is UTF-16 big-endian text: write it as UTF-8 or as UTF-16 little-endian.";
    }
    if (bytes.find_first_not_of(" \t\r\n") == std::string_view::npos) {
        return L"The file is empty.";
    }
    if (const std::size_t bad = invalidUtf8At(bytes); bad != std::string_view::npos) {
        return L"The file is not UTF-8 text: " + placeOf(bytes, bad) + L".";
    }
    ConfigurationReader reader(configuration);
    const bool parsed = nlohmann::json::sax_parse(bytes.begin(), bytes.end(), &reader);
    if (!parsed) {
        configuration = {};
        return reader.refusal;
    }
    if (!reader.versionSeen()) {
        configuration = {};
        return L"The file has no " + volmora::quoted(fromUtf8(formatVersionMember)) + L".";
    }
    sortConfiguration(configuration);
    std::wstring twins = caseTwinRefusal(configuration);
    if (!twins.empty()) {
        configuration = {};
    }
    return twins;
}

}  // namespace volmora::config
