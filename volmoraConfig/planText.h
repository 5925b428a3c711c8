// The plan as apply prints it, handed on record by record as the planner makes it: a line per
// record with its marker, under a changed record a line per change, then the count of records;
// or "No changes." alone.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "applyPlanner.h"
#include "textChunks.h"

namespace volmora::config {

//     + jvm MyJVM
//     ~ class {B036ABD6-EE02-4d8e-8D67-186DFEE9A903} (MyServer.CoolService)
//         JvmId: "Old" -> "MyJVM"
//     - server Old
//     Plan: 1 to add, 1 to change, 1 to remove.
class PlanText {
  public:
    explicit PlanText(TextChunks& out) : out_(out) {}
    // A record of the plan: name is its key name, progId a class's ProgID to show (none when
    // empty), details the changes of a changed record.
    void record(ChangeKind kind, Collection collection, std::wstring_view name,
                std::wstring_view progId, const std::vector<std::wstring>& details);
    // The count line, or "No changes." for an empty plan; then everything is handed on.
    void end(const Plan& plan);

  private:
    TextChunks& out_;
};

// "Apply complete: 1 added, 1 changed, 1 removed."
std::wstring completionLine(const Plan& plan);

}  // namespace volmora::config
