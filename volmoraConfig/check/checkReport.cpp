// The check's report, as lines and as JSON.
#include "check/checkReport.h"

#include <nlohmann/json.hpp>

#include "exitCodes.h"
#include "model/configFile.h"
#include "toolText.h"
#include "utf8.h"

namespace volmora::config {

namespace {

std::wstring_view severityName(Severity severity) {
    return severity == Severity::error ? L"error" : L"warning";
}

std::wstring counted(std::size_t count, std::wstring_view noun) {
    std::wstring text = decimal(static_cast<std::int64_t>(count)) + L" " + std::wstring(noun);
    if (count != 1) {
        text += L's';
    }
    return text;
}

}  // namespace

ProblemCount countProblems(const std::vector<Problem>& problems) {
    ProblemCount count;
    for (const Problem& problem : problems) {
        ++(problem.severity == Severity::error ? count.errors : count.warnings);
    }
    return count;
}

std::wstring problemLines(const std::vector<Problem>& problems) {
    std::wstring text;
    for (const Problem& problem : problems) {
        text += severityName(problem.severity);
        text += L": ";
        text += problem.label;
        text += L": ";
        text += problem.text;
        text += L'\n';
    }
    const ProblemCount count = countProblems(problems);
    text += L"Check: " + counted(count.errors, L"error") + L", " +
            counted(count.warnings, L"warning") + L".\n";
    return text;
}

std::string problemJson(const std::vector<Problem>& problems) {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const Problem& problem : problems) {
        list.push_back({{"severity", utf8(severityName(problem.severity))},
                        {"kind", utf8(recordNoun(problem.collection))},
                        {"record", utf8(problem.record)},
                        {"message", utf8(problem.text)}});
    }
    const ProblemCount count = countProblems(problems);
    const nlohmann::ordered_json document = {{std::string(formatVersionMember), formatVersion},
                                             {"errors", count.errors},
                                             {"warnings", count.warnings},
                                             {"problems", std::move(list)}};
    return document.dump(2) + "\n";
}

CheckReport reportProblems(const std::vector<Problem>& problems, bool asJson) {
    return {countProblems(problems).errors == 0 ? exitCode::success : exitCode::checkFoundError,
            asJson ? problemJson(problems) : utf8(problemLines(problems))};
}

}  // namespace volmora::config
