// Whether the benchmark may run: only with the token of the prefix that ./bench made for it.
#include "runGuard.h"

namespace volmora::bench {

std::optional<std::string> runRefusal(std::string_view token,
                                      std::optional<std::string_view> marker) {
    if (token.size() < shortestRunToken) {
        return "no run token of at least " + std::to_string(shortestRunToken) +
               " characters was given; start it through ./bench";
    }
    if (!marker) {
        return "this is not the private prefix that ./bench made for it (it holds no marker)";
    }
    std::string_view written = *marker;
    while (!written.empty() && (written.back() == '\n' || written.back() == '\r')) {
        written.remove_suffix(1);
    }
    if (written != token) {
        return "the marker in this prefix belongs to another run of ./bench";
    }
    return std::nullopt;
}

}  // namespace volmora::bench
