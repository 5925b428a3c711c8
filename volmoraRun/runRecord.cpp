// Reads back an outcome log record with nlohmann-json, by the member and kind names that the
// writer uses.
#include "runRecord.h"

#include <limits>
#include <nlohmann/json.hpp>

#include "toolContract.h"
#include "utf8.h"

namespace volmora::runner {

namespace {

using Json = nlohmann::json;

const Json* member(const Json& object, std::string_view name) {
    const auto found = object.find(name);
    return found == object.end() ? nullptr : &*found;
}

std::optional<std::wstring> text(const Json* value) {
    if (value == nullptr || !value->is_string()) {
        return std::nullopt;
    }
    // The parser has checked the UTF-8, so nothing is replaced here.
    return fromUtf8(value->get_ref<const std::string&>());
}

std::optional<MessageKind> kindNamed(const Json* value) {
    if (value == nullptr || !value->is_string()) {
        return std::nullopt;
    }
    const std::string& name = value->get_ref<const std::string&>();
    for (std::size_t i = 0; i < messageKindNames.size(); ++i) {
        if (messageKindNames[i] == name) {
            return static_cast<MessageKind>(i);
        }
    }
    return std::nullopt;
}

std::optional<LoggedMessage> message(const Json& object) {
    if (!object.is_object()) {
        return std::nullopt;
    }
    const auto kind = kindNamed(member(object, logMember::kind));
    auto messageText = text(member(object, logMember::text));
    const Json* shown = member(object, logMember::shown);
    if (!kind || !messageText || (shown != nullptr && !shown->is_boolean())) {
        return std::nullopt;
    }
    return LoggedMessage{*kind, std::move(*messageText), shown != nullptr && shown->get<bool>()};
}

std::optional<RunRecord> record(const Json& object) {
    if (!object.is_object()) {
        return std::nullopt;
    }
    RunRecord read;
    const auto program = text(member(object, logMember::program));
    const Json* messages = member(object, logMember::messages);
    const Json* exitCode = member(object, logMember::exitCode);
    if (!program || messages == nullptr || !messages->is_array() || exitCode == nullptr ||
        !exitCode->is_number_unsigned() ||
        exitCode->get<std::uint64_t>() > std::numeric_limits<std::uint32_t>::max()) {
        return std::nullopt;
    }
    read.program = *program;
    read.exitCode = static_cast<std::uint32_t>(exitCode->get<std::uint64_t>());
    for (const Json& item : *messages) {
        auto one = message(item);
        if (!one) {
            return std::nullopt;
        }
        read.messages.push_back(std::move(*one));
    }
    if (const Json* listing = member(object, logMember::listing)) {
        read.listing = text(listing);
        if (!read.listing) {
            return std::nullopt;
        }
    }
    return read;
}

}  // namespace

std::optional<RunRecord> readRecordLine(std::string_view line) {
    // Without exceptions from the parser: a line that is not JSON is an outcome to judge.
    const Json parsed = Json::parse(line, nullptr, false);
    if (parsed.is_discarded()) {
        return std::nullopt;
    }
    return record(parsed);
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
