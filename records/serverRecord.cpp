// The server record's imports.
#include "serverRecord.h"

namespace volmora {

std::vector<std::wstring> importedServers(std::wstring_view imports) {
    std::vector<std::wstring> names;
    while (!imports.empty()) {
        const std::size_t comma = imports.find(L',');
        std::wstring_view item = imports.substr(0, comma);
        const std::size_t first = item.find_first_not_of(L" \t");
        if (first != std::wstring_view::npos) {
            item = item.substr(first, item.find_last_not_of(L" \t") - first + 1);
            names.emplace_back(item);
        }
        imports =
            comma == std::wstring_view::npos ? std::wstring_view{} : imports.substr(comma + 1);
    }
    return names;
}

}  // namespace volmora
