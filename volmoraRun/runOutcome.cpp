// How a run ended and what the runner prints about it.
#include "runOutcome.h"

#include <algorithm>

#include "toolUtil.h"

namespace volmora::runner {

namespace {

constexpr std::uint32_t refusedExitCode = 1;  // the programs' exit code for a refused command line
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

const wchar_t* kindName(MessageKind kind) {
    switch (kind) {
        case MessageKind::information:
            return L"information";
        case MessageKind::error:
            return L"error";
        case MessageKind::critical:
            return L"critical";
    }
    return L"error";
}

const wchar_t* endText(RunEnd end) {
    switch (end) {
        case RunEnd::success:
            return L"succeeded";
        case RunEnd::refusedCommandLine:
            return L"refused its command line";
        case RunEnd::errorMessage:
            return L"reported an error";
        case RunEnd::internalError:
            return L"ended with an internal error";
        case RunEnd::startFailure:
            return L"could not start";
        case RunEnd::misuse:
            break;
    }
    return L"could not be run";
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
    if (programExitCode != 0) {
        // The internal-error handler's number may be any value, 1 included.
        return programExitCode == refusedExitCode && !anyInternalError(record)
                   ? RunEnd::refusedCommandLine
                   : RunEnd::internalError;
    }
    return anyOf(record, MessageKind::error) ? RunEnd::errorMessage : RunEnd::success;
}

std::vector<std::wstring> runReport(const RunRecord& record, std::uint32_t programExitCode,
                                    RunEnd end) {
    std::vector<std::wstring> report;
    for (const LoggedMessage& message : record.messages) {
        const std::vector<std::wstring> lines = linesOf(message.text);
        report.push_back(record.program + L": " + kindName(message.kind) + L": " + lines.front());
        for (std::size_t i = 1; i < lines.size(); ++i) {
            report.push_back(L"    " + lines[i]);
        }
    }
    report.push_back(std::wstring(reportLead) + record.program + L" " + endText(end) +
                     L" (exit code " + std::to_wstring(programExitCode) +
                     L"); volmoraRun exit code " + std::to_wstring(exitCodeOf(end)));
    return report;
}

std::wstring misuseReport(const std::wstring& reason) {
    return std::wstring(reportLead) + reason + L" (volmoraRun exit code " +
           std::to_wstring(exitCodeOf(RunEnd::misuse)) + L")";
}

}  // namespace volmora::runner
