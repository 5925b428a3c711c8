// Reads back an outcome log record: a small exact reader for the JSON that outcomeLog writes.
#include "recordReading.h"

#include <limits>

namespace volmora::runner {

namespace {

constexpr char32_t maxCodePoint = 0x10FFFF;

bool isSurrogate(char32_t c) {
    return c >= 0xD800 && c < 0xE000;
}

// Code points into a wide string: UTF-16 where wchar_t has 16 bits (Windows), one unit each
// where it holds UTF-32 (the native unit tests).
void appendCodePoint(std::wstring& out, char32_t c) {
    if constexpr (sizeof(wchar_t) == 2) {
        if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<wchar_t>(0xD800 + (c >> 10));
            out += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
            return;
        }
    }
    out += static_cast<wchar_t>(c);
}

class JsonReader {
  public:
    explicit JsonReader(std::string_view text) : text_(text) {}

    bool atEnd() {
        skipBlanks();
        return pos_ == text_.size();
    }

    bool take(char c) {
        skipBlanks();
        if (pos_ < text_.size() && text_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }

    bool peek(char c) {
        skipBlanks();
        return pos_ < text_.size() && text_[pos_] == c;
    }

    bool string(std::wstring& out) {
        out.clear();
        if (!take('"')) {
            return false;
        }
        while (pos_ < text_.size()) {
            const auto byte = static_cast<unsigned char>(text_[pos_]);
            if (byte == '"') {
                ++pos_;
                return true;
            }
            if (byte < 0x20) {
                return false;  // control characters are always escaped
            }
            if (byte == '\\') {
                ++pos_;
                if (!escape(out)) {
                    return false;
                }
            } else if (!utf8(out)) {
                return false;
            }
        }
        return false;
    }

    bool number(std::uint32_t& out) {
        skipBlanks();
        std::uint64_t value = 0;
        const std::size_t start = pos_;
        while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9') {
            value = value * 10 + static_cast<unsigned>(text_[pos_] - '0');
            if (value > std::numeric_limits<std::uint32_t>::max()) {
                return false;
            }
            ++pos_;
        }
        out = static_cast<std::uint32_t>(value);
        return pos_ > start && (pos_ - start == 1 || text_[start] != '0');
    }

    bool boolean(bool& out) {
        if (word("true")) {
            out = true;
            return true;
        }
        out = false;
        return word("false");
    }

    // Any value, read over: what a later version may add to the record.
    bool skipValue(int depth = 0) {
        if (depth > 16) {
            return false;
        }
        std::wstring ignored;
        if (peek('"')) {
            return string(ignored);
        }
        if (take('{')) {
            return sequence('}',
                            [&] { return string(ignored) && take(':') && skipValue(depth + 1); });
        }
        if (take('[')) {
            return sequence(']', [&] { return skipValue(depth + 1); });
        }
        bool flag = false;
        std::uint32_t count = 0;
        return boolean(flag) || word("null") || number(count);
    }

    // Items separated by commas up to the closing character (the opening one already taken).
    template <typename Item>
    bool sequence(char close, Item item) {
        if (take(close)) {
            return true;
        }
        do {
            if (!item()) {
                return false;
            }
        } while (take(','));
        return take(close);
    }

  private:
    void skipBlanks() {
        while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t' ||
                                       text_[pos_] == '\r' || text_[pos_] == '\n')) {
            ++pos_;
        }
    }

    bool word(std::string_view w) {
        skipBlanks();
        if (text_.substr(pos_, w.size()) == w) {
            pos_ += w.size();
            return true;
        }
        return false;
    }

    bool hex4(char32_t& out) {
        if (pos_ + 4 > text_.size()) {
            return false;
        }
        out = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = text_[pos_++];
            out <<= 4;
            if (c >= '0' && c <= '9') {
                out |= static_cast<char32_t>(c - '0');
            } else if (c >= 'a' && c <= 'f') {
                out |= static_cast<char32_t>(c - 'a' + 10);
            } else if (c >= 'A' && c <= 'F') {
                out |= static_cast<char32_t>(c - 'A' + 10);
            } else {
                return false;
            }
        }
        return true;
    }

    bool escape(std::wstring& out) {
        if (pos_ >= text_.size()) {
            return false;
        }
        const char c = text_[pos_++];
        switch (c) {
            case '"':
            case '\\':
            case '/':
                out += static_cast<wchar_t>(c);
                return true;
            case 'b':
                out += L'\b';
                return true;
            case 'f':
                out += L'\f';
                return true;
            case 'n':
                out += L'\n';
                return true;
            case 'r':
                out += L'\r';
                return true;
            case 't':
                out += L'\t';
                return true;
            case 'u':
                break;
            default:
                return false;
        }
        char32_t unit = 0;
        if (!hex4(unit)) {
            return false;
        }
        // A pair written as two escapes is one character.
        if (unit >= 0xD800 && unit < 0xDC00 && text_.substr(pos_, 2) == "\\u") {
            const std::size_t back = pos_;
            pos_ += 2;
            char32_t low = 0;
            if (hex4(low) && low >= 0xDC00 && low < 0xE000) {
                appendCodePoint(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                return true;
            }
            pos_ = back;
        }
        out += static_cast<wchar_t>(unit);
        return true;
    }

    // One UTF-8 sequence, shortest form only, no surrogates.
    bool utf8(std::wstring& out) {
        const auto lead = static_cast<unsigned char>(text_[pos_++]);
        int more = 0;
        char32_t c = 0;
        if (lead < 0x80) {
            c = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            more = 1;
            c = lead & 0x1F;
        } else if ((lead & 0xF0) == 0xE0) {
            more = 2;
            c = lead & 0x0F;
        } else if ((lead & 0xF8) == 0xF0) {
            more = 3;
            c = lead & 0x07;
        } else {
            return false;
        }
        for (int i = 0; i < more; ++i) {
            if (pos_ >= text_.size() || (static_cast<unsigned char>(text_[pos_]) & 0xC0) != 0x80) {
                return false;
            }
            c = (c << 6) | (static_cast<unsigned char>(text_[pos_++]) & 0x3F);
        }
        static constexpr char32_t smallest[] = {0, 0x80, 0x800, 0x10000};
        if (c < smallest[more] || c > maxCodePoint || isSurrogate(c)) {
            return false;
        }
        appendCodePoint(out, c);
        return true;
    }

    std::string_view text_;
    std::size_t pos_ = 0;
};

std::optional<MessageKind> kindNamed(const std::wstring& name) {
    if (name == L"information") {
        return MessageKind::information;
    }
    if (name == L"error") {
        return MessageKind::error;
    }
    if (name == L"critical") {
        return MessageKind::critical;
    }
    return std::nullopt;
}

bool readMessage(JsonReader& reader, std::vector<LoggedMessage>& messages) {
    if (!reader.take('{')) {
        return false;
    }
    std::optional<MessageKind> kind;
    std::optional<std::wstring> text;
    bool shown = false;
    std::wstring name;
    const bool read = reader.sequence('}', [&] {
        if (!reader.string(name) || !reader.take(':')) {
            return false;
        }
        std::wstring value;
        if (name == L"kind") {
            return reader.string(value) && (kind = kindNamed(value)).has_value();
        }
        if (name == L"text") {
            return reader.string(text.emplace());
        }
        if (name == L"shown") {
            return reader.boolean(shown);
        }
        return reader.skipValue();
    });
    if (!read || !kind || !text) {
        return false;
    }
    messages.push_back({*kind, std::move(*text), shown});
    return true;
}

}  // namespace

std::optional<RunRecord> readRecordLine(std::string_view line) {
    JsonReader reader(line);
    RunRecord record;
    bool hasProgram = false;
    bool hasMessages = false;
    bool hasExitCode = false;
    std::wstring name;
    if (!reader.take('{')) {
        return std::nullopt;
    }
    const bool read = reader.sequence('}', [&] {
        if (!reader.string(name) || !reader.take(':')) {
            return false;
        }
        if (name == L"program") {
            return hasProgram = reader.string(record.program);
        }
        if (name == L"messages") {
            return hasMessages = reader.take('[') && reader.sequence(']', [&] {
                return readMessage(reader, record.messages);
            });
        }
        if (name == L"listing") {
            return reader.string(record.listing.emplace());
        }
        if (name == L"exitCode") {
            return hasExitCode = reader.number(record.exitCode);
        }
        return reader.skipValue();
    });
    if (!read || !reader.atEnd() || !hasProgram || !hasMessages || !hasExitCode) {
        return std::nullopt;
    }
    return record;
}

std::optional<RunRecord> readOnlyRecord(std::string_view fileContents) {
    const std::size_t end = fileContents.find('\n');
    if (end == std::string_view::npos) {
        return readRecordLine(fileContents);
    }
    // Anything after the first line (a second record) makes the run's record uncertain.
    if (fileContents.find_first_not_of(" \t\r\n", end) != std::string_view::npos) {
        return std::nullopt;
    }
    return readRecordLine(fileContents.substr(0, end + 1));
}

}  // namespace volmora::runner
