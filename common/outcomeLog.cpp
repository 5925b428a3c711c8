// The outcome log's record: one line of JSON per run.
#include "outcomeLog.h"

#include <cstdio>

namespace volmora {

namespace {

constexpr char32_t replacementCharacter = 0xFFFD;

bool isHighSurrogate(char32_t c) {
    return c >= 0xD800 && c < 0xDC00;
}
bool isLowSurrogate(char32_t c) {
    return c >= 0xDC00 && c < 0xE000;
}

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

void appendEscaped(std::string& out, char32_t c) {
    switch (c) {
        case U'"':
            out += "\\\"";
            return;
        case U'\\':
            out += "\\\\";
            return;
        case U'\b':
            out += "\\b";
            return;
        case U'\f':
            out += "\\f";
            return;
        case U'\n':
            out += "\\n";
            return;
        case U'\r':
            out += "\\r";
            return;
        case U'\t':
            out += "\\t";
            return;
        default:
            break;
    }
    if (c < 0x20) {
        char escape[16];
        std::snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned>(c));
        out += escape;
    } else {
        appendUtf8(out, c);
    }
}

const char* kindName(MessageKind kind) {
    switch (kind) {
        case MessageKind::information:
            return "information";
        case MessageKind::error:
            return "error";
        case MessageKind::critical:
            return "critical";
    }
    return "error";
}

void appendMember(std::string& out, const char* name, const std::string& value) {
    if (out.size() > 1) {
        out += ',';
    }
    out += '"';
    out += name;
    out += "\":";
    out += value;
}

const char* boolean(bool value) {
    return value ? "true" : "false";
}

}  // namespace

std::string timestampText(const UtcTime& time) {
    char text[64];  // room for any field values, so the format never truncates
    std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02u.%03uZ",
                  static_cast<unsigned>(time.year), static_cast<unsigned>(time.month),
                  static_cast<unsigned>(time.day), static_cast<unsigned>(time.hour),
                  static_cast<unsigned>(time.minute), static_cast<unsigned>(time.second),
                  static_cast<unsigned>(time.millisecond));
    return text;
}

std::string jsonString(std::wstring_view text) {
    std::string out;
    out.reserve(text.size() + 2);
    out += '"';
    // Pairs are joined whatever the width of wchar_t: UTF-16 on Windows, UTF-32 natively.
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto c = static_cast<char32_t>(text[i]);
        if (isHighSurrogate(c) && i + 1 < text.size() &&
            isLowSurrogate(static_cast<char32_t>(text[i + 1]))) {
            c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<char32_t>(text[++i]) - 0xDC00);
        } else if (isHighSurrogate(c) || isLowSurrogate(c) || c > 0x10FFFF) {
            c = replacementCharacter;
        }
        appendEscaped(out, c);
    }
    out += '"';
    return out;
}

std::string recordLine(const OutcomeRecord& record) {
    std::string messages = "[";
    for (const auto& message : record.messages) {
        if (messages.size() > 1) {
            messages += ',';
        }
        messages += "{\"kind\":\"";
        messages += kindName(message.kind);
        messages += "\",\"text\":";
        messages += jsonString(message.text);
        messages += ",\"shown\":";
        messages += boolean(message.shown);
        messages += '}';
    }
    messages += ']';

    std::string line = "{";
    appendMember(line, "time", '"' + timestampText(record.started) + '"');
    appendMember(line, "program", jsonString(record.program));
    appendMember(line, "pid", std::to_string(record.processId));
    appendMember(line, "commandLine", jsonString(record.commandLine));
    appendMember(line, "silent", boolean(record.silent));
    appendMember(line, "messages", messages);
    if (record.listing) {
        appendMember(line, "listing", jsonString(*record.listing));
    }
    appendMember(line, "exitCode", std::to_string(record.exitCode));
    line += "}\n";
    return line;
}

}  // namespace volmora
