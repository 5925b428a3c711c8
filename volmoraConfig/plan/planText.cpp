// The plan's text.
#include "plan/planText.h"

#include "classComState.h"
#include "toolText.h"
#include "utf8.h"

namespace volmora::config {

namespace {

constexpr std::wstring_view detailIndent = L"    ";
constexpr std::wstring_view noValue = L"(none)";

std::wstring number(std::size_t count) {
    return decimal(static_cast<std::int64_t>(count));
}

std::wstring counted(const Plan& plan, ChangeKind kind) {
    return number(plan.count(kind));
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

std::wstring planLines(ChangeKind kind, std::wstring_view subject,
                       const std::vector<std::wstring>& details) {
    std::wstring lines{marker(kind), L' '};
    lines += subject;
    lines += L'\n';
    for (const std::wstring& detail : details) {
        lines += detailIndent;
        lines += detail;
        lines += L'\n';
    }
    return lines;
}

std::wstring shownText(const ShownValue& value) {
    switch (value.kind) {
        case ShownValue::Kind::text:
            return quoted(value.text);
        case ShownValue::Kind::other:
            return value.text;
        case ShownValue::Kind::none:
            break;
    }
    return std::wstring(noValue);
}

std::wstring detailLine(std::wstring_view subject, const PlanDetail& detail) {
    std::wstring line(subject);
    line += detail.keyDeleted
                ? L": deleted"
                : L": " + shownText(detail.before) + L" -> " + shownText(detail.after);
    return line;
}

std::wstring planEndLine(std::size_t added, std::size_t changed, std::size_t removed) {
    if (added == 0 && changed == 0 && removed == 0) {
        return L"No changes.\n";
    }
    return L"Plan: " + number(added) + L" to add, " + number(changed) + L" to change, " +
           number(removed) + L" to remove.\n";
}

void PlanText::record(ChangeKind kind, Collection collection, std::wstring_view name,
                      std::wstring_view progId, const std::vector<PlanDetail>& details) {
    // Of an added record, only what it changes of keys that are there already.
    std::vector<std::wstring> lines;
    for (const PlanDetail& detail : details) {
        if (kind == ChangeKind::change || detail.existingKey) {
            lines.push_back(detailLine(
                detail.comKey.empty() ? detail.name : comKeyLabel(detail.comKey, detail.name),
                detail));
        }
    }
    std::wstring subject(recordNoun(collection));
    subject += L' ';
    subject += name;
    if (collection == Collection::classes && !progId.empty()) {
        subject += L" (";
        subject += progId;
        subject += L')';
    }
    out_.append(utf8(planLines(kind, subject, lines)));
}

void PlanText::end(const Plan& plan) {
    out_.append(utf8(planEndLine(plan.count(ChangeKind::add), plan.count(ChangeKind::change),
                                 plan.count(ChangeKind::remove))));
    out_.flush();
}

std::wstring completionLine(const Plan& plan) {
    return L"Apply complete: " + counted(plan, ChangeKind::add) + L" added, " +
           counted(plan, ChangeKind::change) + L" changed, " + counted(plan, ChangeKind::remove) +
           L" removed.";
}

}  // namespace volmora::config
