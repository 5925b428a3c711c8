// How a run ended and what the runner prints about it.
#include "runOutcome.h"

#include <algorithm>

#include "toolContract.h"
#include "toolUtil.h"

namespace volmora::runner {

namespace {

constexpr std::wstring_view reportLead = L"volmoraRun: ";

bool anyOf(const RunRecord& record, MessageKind kind) {
    return std::any_of(record.messages.begin(), record.messages.end(),
                       [&](const LoggedMessage& message) { return message.kind == kind; });
}

bool anyInternalError(const RunRecord& record) {
    return std::any_of(record.messages.begin(), record.messages.end(),
                       [](const LoggedMessage& message) {
                           return message.kind == MessageKind::error &&
                                  message.text.starts_with(internalErrorLead);
                       });
}

std::wstring outcomeOf(RunEnd end) {
    for (const ExitCodeRow& row : exitCodeTable) {
        if (row.end == end) {
            return std::wstring(row.outcome);
        }
    }
    return std::to_wstring(exitCodeOf(end));
}

// The text's lines: a message may hold line breaks (CR LF, as the programs write them).
std::vector<std::wstring> linesOf(const std::wstring& text) {
    std::vector<std::wstring> lines;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = text.find(L'\n', start);
        std::wstring line = text.substr(start, end == std::wstring::npos ? end : end - start);
        if (!line.empty() && line.back() == L'\r') {
            line.pop_back();
        }
        lines.push_back(std::move(line));
        if (end == std::wstring::npos) {
            return lines;
        }
        start = end + 1;
    }
}

}  // namespace

RunEnd judgeRun(std::uint32_t programExitCode, const RunRecord& record) {
    if (anyOf(record, MessageKind::critical)) {
        return RunEnd::startFailure;
    }
    if (programExitCode != static_cast<std::uint32_t>(acceptedExitCode)) {
        // The internal-error handler's number may be any value, the refusal's included.
        return programExitCode == static_cast<std::uint32_t>(refusedExitCode) &&
                       !anyInternalError(record)
                   ? RunEnd::refusedCommandLine
                   : RunEnd::internalError;
    }
    return anyOf(record, MessageKind::error) ? RunEnd::errorMessage : RunEnd::success;
}

std::vector<std::wstring> runReport(const RunRecord& record, std::uint32_t programExitCode,
                                    RunEnd end) {
    std::vector<std::wstring> report;
    for (const LoggedMessage& message : record.messages) {
        const std::string_view kind = kindName(message.kind);
        const std::vector<std::wstring> lines =
            messageLines(record.program, std::wstring(kind.begin(), kind.end()), message.text);
        report.insert(report.end(), lines.begin(), lines.end());
    }
    report.push_back(std::wstring(reportLead) + record.program + L" " + outcomeOf(end) +
                     L" (exit code " + std::to_wstring(programExitCode) +
                     L"); volmoraRun exit code " + std::to_wstring(exitCodeOf(end)));
    return report;
}

std::vector<std::wstring> messageLines(const std::wstring& program, std::wstring_view label,
                                       const std::wstring& text) {
    std::vector<std::wstring> lines = linesOf(text);
    lines.front() = program + L": " + std::wstring(label) + L": " + lines.front();
    for (std::size_t i = 1; i < lines.size(); ++i) {
        lines[i] = L"    " + lines[i];
    }
    return lines;
}

std::wstring runnerLine(const std::wstring& reason, RunEnd end) {
    return std::wstring(reportLead) + reason + L" (volmoraRun exit code " +
           std::to_wstring(exitCodeOf(end)) + L")";
}

}  // namespace volmora::runner
