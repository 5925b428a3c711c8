// The outcome log's record: one line of JSON per run.
#include "outcomeLog.h"

#include <cstdio>

#include "utf8.h"

namespace volmora {

namespace {

void appendEscaped(std::string& out, char byte) {
    switch (byte) {
        case '"':
            out += "\\\"";
            return;
        case '\\':
            out += "\\\\";
            return;
        case '\b':
            out += "\\b";
            return;
        case '\f':
            out += "\\f";
            return;
        case '\n':
            out += "\\n";
            return;
        case '\r':
            out += "\\r";
            return;
        case '\t':
            out += "\\t";
            return;
        default:
            break;
    }
    // Bytes of a multi-byte UTF-8 sequence are all 0x80 or more, so only ASCII controls get here.
    if (static_cast<unsigned char>(byte) < 0x20) {
        char escape[16];
        std::snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned>(byte));
        out += escape;
    } else {
        out += byte;
    }
}

void appendMember(std::string& out, std::string_view name, const std::string& value) {
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
    const std::string bytes = utf8(text);
    std::string out;
    out.reserve(bytes.size() + 2);
    out += '"';
    for (const char byte : bytes) {
        appendEscaped(out, byte);
    }
    out += '"';
    return out;
}

std::string recordLine(const OutcomeRecord& record) {
    std::string messages = "[";
    for (const auto& message : record.messages) {
        std::string object = "{";
        appendMember(object, logMember::kind, '"' + std::string(kindName(message.kind)) + '"');
        appendMember(object, logMember::text, jsonString(message.text));
        appendMember(object, logMember::shown, boolean(message.shown));
        object += '}';
        if (messages.size() > 1) {
            messages += ',';
        }
        messages += object;
    }
    messages += ']';

    std::string line = "{";
    appendMember(line, logMember::time, '"' + timestampText(record.started) + '"');
    appendMember(line, logMember::program, jsonString(record.program));
    appendMember(line, logMember::processId, std::to_string(record.processId));
    appendMember(line, logMember::commandLine, jsonString(record.commandLine));
    appendMember(line, logMember::silent, boolean(record.silent));
    appendMember(line, logMember::messages, messages);
    if (record.listing) {
        appendMember(line, logMember::listing, jsonString(*record.listing));
    }
    appendMember(line, logMember::exitCode, std::to_string(record.exitCode));
    line += "}\n";
    return line;
}

}  // namespace volmora
