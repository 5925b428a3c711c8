// The plan as apply and restore print it: a line per record (or key) with its marker, under a
// changed one a line per change, then the count; or "No changes." alone. Apply's text is handed on
// record by record as the planner makes it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "model/textChunks.h"
#include "plan/applyPlanner.h"

namespace volmora::config {

//     + jvm MyJVM
//     ~ class {B036ABD6-EE02-4d8e-8D67-186DFEE9A903} (MyServer.CoolService)
//         JvmId: "Old" -> "MyJVM"
//     - server Old
//     Plan: 1 to add, 1 to change, 1 to remove.
// The lines of one change, each ending in a line feed: the marker and subject, and for a change
// its details, indented.
std::wstring planLines(ChangeKind kind, std::wstring_view subject,
                       const std::vector<std::wstring>& details);
// A side of a change as the lines show it: text in quotes, "(none)", or the other type's form.
std::wstring shownText(const ShownValue& value);
// A detail line: "<subject>: <before> -> <after>", or "<subject>: deleted"; subject is the
// value's name, or for a COM key "COM key "<key>"" with " value <name>" for a named value.
std::wstring detailLine(std::wstring_view subject, const PlanDetail& detail);
// The count line, or "No changes." when there is nothing to do; with its line feed.
std::wstring planEndLine(std::size_t added, std::size_t changed, std::size_t removed);

// Apply's plan, as the planner tells of its records.
class PlanText : public PlanListener {
  public:
    explicit PlanText(TextChunks& out) : out_(out) {}
    void record(ChangeKind kind, Collection collection, std::wstring_view name,
                std::wstring_view progId, const std::vector<PlanDetail>& details) override;
    // The count line, or "No changes." for an empty plan; then everything is handed on.
    void end(const Plan& plan);

  private:
    TextChunks& out_;
};

// "Apply complete: 1 added, 1 changed, 1 removed."
std::wstring completionLine(const Plan& plan);

}  // namespace volmora::config
