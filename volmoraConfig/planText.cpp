// The plan's text.
#include "planText.h"

#include "configFile.h"
#include "toolText.h"
#include "utf8.h"

namespace volmora::config {

namespace {

constexpr std::wstring_view detailIndent = L"    ";

std::wstring counted(const Plan& plan, ChangeKind kind) {
    return decimal(static_cast<std::int64_t>(plan.count(kind)));
}

wchar_t marker(ChangeKind kind) {
    switch (kind) {
        case ChangeKind::add:
            return L'+';
        case ChangeKind::change:
            return L'~';
        case ChangeKind::remove:
            break;
    }
    return L'-';
}

}  // namespace

void PlanText::record(ChangeKind kind, Collection collection, std::wstring_view name,
                      std::wstring_view progId, const std::vector<std::wstring>& details) {
    std::wstring lines{marker(kind), L' '};
    lines += recordNoun(collection);
    lines += L' ';
    lines += name;
    if (collection == Collection::classes && !progId.empty()) {
        lines += L" (";
        lines += progId;
        lines += L')';
    }
    lines += L'\n';
    if (kind == ChangeKind::change) {
        for (const std::wstring& detail : details) {
            lines += detailIndent;
            lines += detail;
            lines += L'\n';
        }
    }
    out_.append(utf8(lines));
}

void PlanText::end(const Plan& plan) {
    if (plan.empty()) {
        out_.append("No changes.\n");
    } else {
        out_.append(utf8(L"Plan: " + counted(plan, ChangeKind::add) + L" to add, " +
                         counted(plan, ChangeKind::change) + L" to change, " +
                         counted(plan, ChangeKind::remove) + L" to remove.\n"));
    }
    out_.flush();
}

std::wstring completionLine(const Plan& plan) {
    return L"Apply complete: " + counted(plan, ChangeKind::add) + L" added, " +
           counted(plan, ChangeKind::change) + L" changed, " + counted(plan, ChangeKind::remove) +
           L" removed.";
}

}  // namespace volmora::config
