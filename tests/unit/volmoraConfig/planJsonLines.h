// The plan's lines made back from its JSON document by the rules the lines follow, so that a test
// can hold the two forms of one plan to telling the same.
#pragma once

#include <nlohmann/json.hpp>

#include <string>

#include "utf8.h"

namespace volmora::testing {

inline std::wstring wideOf(const nlohmann::json& text) {
    return fromUtf8(text.get<std::string>());
}

// A side as the lines show it: "(none)", text in quotes, or the other type's form.
inline std::wstring shownSide(const nlohmann::json& side) {
    if (side.is_null()) {
        return L"(none)";
    }
    if (side.is_string()) {
        return L"\"" + wideOf(side) + L"\"";
    }
    return wideOf(side.at("shown"));
}

inline std::wstring applyLinesOfJson(const std::string& document) {
    const nlohmann::json plan = nlohmann::json::parse(document);
    std::wstring text;
    for (const nlohmann::json& change : plan.at("changes")) {
        const std::string action = change.at("action");
        text += action == "add" ? L"+ " : action == "change" ? L"~ " : L"- ";
        text += wideOf(change.at("kind")) + L" " + wideOf(change.at("name"));
        if (change.contains("progId")) {
            text += L" (" + wideOf(change.at("progId")) + L")";
        }
        text += L"\n";
        for (const nlohmann::json& value : change.at("values")) {
            // The lines show an added record's writes to keys that are there already alone.
            if (action != "change" && !value.value("existingKey", false)) {
                continue;
            }
            std::wstring subject;
            if (value.contains("comKey")) {
                subject = L"COM key \"" + wideOf(value.at("comKey")) + L"\"";
                if (value.contains("name") && !value.at("name").get<std::string>().empty()) {
                    subject += L" value " + wideOf(value.at("name"));
                }
            } else {
                subject = wideOf(value.at("name"));
            }
            text += L"    " + subject +
                    (value.value("deleted", false) ? L": deleted"
                                                   : L": " + shownSide(value.at("before")) +
                                                         L" -> " + shownSide(value.at("after"))) +
                    L"\n";
        }
    }
    if (plan.at("changes").empty()) {
        return text + L"No changes.\n";
    }
    const auto count = [&](const char* name) {
        return std::to_wstring(plan.at(name).get<std::size_t>());
    };
    return text + L"Plan: " + count("added") + L" to add, " + count("changed") + L" to change, " +
           count("removed") + L" to remove.\n";
}

}  // namespace volmora::testing
