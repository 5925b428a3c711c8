// The plan as apply prints it: a line per record with its marker, under a changed record a line
// per change, then the count of records; or "No changes." alone.
#pragma once

#include <string>
#include <vector>

#include "applyPlanner.h"

namespace volmora::config {

//     + jvm MyJVM
//     ~ class {B036ABD6-EE02-4d8e-8D67-186DFEE9A903} (MyServer.CoolService)
//         JvmId: "Old" -> "MyJVM"
//     - server Old
//     Plan: 1 to add, 1 to change, 1 to remove.
std::vector<std::wstring> planLines(const Plan& plan);

// "Apply complete: 1 added, 1 changed, 1 removed."
std::wstring completionLine(const Plan& plan);

}  // namespace volmora::config
