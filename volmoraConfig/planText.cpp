// The plan's text.
#include "planText.h"

#include "configFile.h"
#include "toolText.h"

namespace volmora::config {

namespace {

constexpr std::wstring_view detailIndent = L"    ";

std::wstring recordTitle(const RecordChange& change) {
    std::wstring title = std::wstring(recordNoun(change.collection)) + L" " + change.name;
    if (change.collection == Collection::classes && !change.progId.empty()) {
        title += L" (" + change.progId + L")";
    }
    return title;
}

std::wstring counted(const Plan& plan, ChangeKind kind) {
    return decimal(static_cast<std::int64_t>(plan.count(kind)));
}

}  // namespace

std::vector<std::wstring> planLines(const Plan& plan) {
    if (plan.empty()) {
        return {L"No changes."};
    }
    std::vector<std::wstring> lines;
    for (const RecordChange& change : plan.records) {
        switch (change.kind) {
            case ChangeKind::add:
                lines.push_back(L"+ " + recordTitle(change));
                break;
            case ChangeKind::change:
                lines.push_back(L"~ " + recordTitle(change));
                for (const std::wstring& detail : change.details) {
                    lines.push_back(std::wstring(detailIndent) + detail);
                }
                break;
            case ChangeKind::remove:
                lines.push_back(L"- " + recordTitle(change));
                break;
        }
    }
    lines.push_back(L"Plan: " + counted(plan, ChangeKind::add) + L" to add, " +
                    counted(plan, ChangeKind::change) + L" to change, " +
                    counted(plan, ChangeKind::remove) + L" to remove.");
    return lines;
}

std::wstring completionLine(const Plan& plan) {
    return L"Apply complete: " + counted(plan, ChangeKind::add) + L" added, " +
           counted(plan, ChangeKind::change) + L" changed, " + counted(plan, ChangeKind::remove) +
           L" removed.";
}

}  // namespace volmora::config
