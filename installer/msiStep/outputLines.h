// volmoraRun's output cut into lines, for a caller that passes them on one by one (the Windows
// Installer action that writes them into the installer's log).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace volmora::msistep {

// Lines end with a line feed, a carriage return and line feed, or the end of the output; the
// ends are not kept. A final line end starts no further line.
std::vector<std::string> outputLines(std::string_view output);

}  // namespace volmora::msistep
