// The plan's JSON document.
#include "plan/planJson.h"

#include <nlohmann/json.hpp>

#include <string>
#include <utility>

#include "model/configFile.h"
#include "utf8.h"

namespace volmora::config {

namespace {

std::string_view actionName(ChangeKind kind) {
    switch (kind) {
        case ChangeKind::add:
            return "add";
        case ChangeKind::change:
            return "change";
        case ChangeKind::remove:
            break;
    }
    return "remove";
}

nlohmann::ordered_json shownJson(const ShownValue& value) {
    switch (value.kind) {
        case ShownValue::Kind::text:
            return utf8(value.text);
        case ShownValue::Kind::other:
            return {{"shown", utf8(value.text)}};
        case ShownValue::Kind::none:
            break;
    }
    return nullptr;
}

nlohmann::ordered_json detailJson(const PlanDetail& detail) {
    nlohmann::ordered_json item = nlohmann::ordered_json::object();
    if (!detail.comKey.empty()) {
        item["comKey"] = utf8(detail.comKey);
    }
    if (detail.keyDeleted) {
        item["deleted"] = true;
        return item;
    }
    item["name"] = utf8(detail.name);
    item["before"] = shownJson(detail.before);
    item["after"] = shownJson(detail.after);
    if (detail.existingKey) {
        item["existingKey"] = true;
    }
    return item;
}

}  // namespace

struct PlanJson::Changes {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
};

PlanJson::PlanJson(TextChunks& out) : out_(out), changes_(std::make_unique<Changes>()) {}

PlanJson::~PlanJson() = default;

void PlanJson::record(ChangeKind kind, Collection collection, std::wstring_view name,
                      std::wstring_view progId, const std::vector<PlanDetail>& details) {
    change(kind, recordNoun(collection), name,
           collection == Collection::classes ? progId : std::wstring_view(), details);
}

void PlanJson::change(ChangeKind kind, std::wstring_view noun, std::wstring_view name,
                      std::wstring_view progId, const std::vector<PlanDetail>& details) {
    nlohmann::ordered_json item = {
        {"action", actionName(kind)}, {"kind", utf8(noun)}, {"name", utf8(name)}};
    if (!progId.empty()) {
        item["progId"] = utf8(progId);
    }
    nlohmann::ordered_json values = nlohmann::ordered_json::array();
    for (const PlanDetail& detail : details) {
        values.push_back(detailJson(detail));
    }
    item["values"] = std::move(values);
    changes_->list.push_back(std::move(item));
}

void PlanJson::finish(std::size_t added, std::size_t changed, std::size_t removed,
                      const std::vector<std::wstring>& leftAlone) {
    nlohmann::ordered_json document = {{std::string(formatVersionMember), formatVersion},
                                       {"changes", std::move(changes_->list)}};
    if (!leftAlone.empty()) {
        nlohmann::ordered_json keys = nlohmann::ordered_json::array();
        for (const std::wstring& key : leftAlone) {
            keys.push_back(utf8(key));
        }
        document["leftAlone"] = std::move(keys);
    }
    document["added"] = added;
    document["changed"] = changed;
    document["removed"] = removed;
    changes_->list = nlohmann::ordered_json::array();
    out_.append(document.dump(2) + "\n");
    out_.flush();
}

}  // namespace volmora::config
