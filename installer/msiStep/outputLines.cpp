// volmoraRun's output cut into lines.
#include "outputLines.h"

namespace volmora::msistep {

std::vector<std::string> outputLines(std::string_view output) {
    std::vector<std::string> lines;
    while (!output.empty()) {
        const std::size_t end = output.find('\n');
        std::string_view line = output.substr(0, end);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        lines.emplace_back(line);
        output.remove_prefix(end == std::string_view::npos ? output.size() : end + 1);
    }
    return lines;
}

}  // namespace volmora::msistep
