// The server record's key path and the lines that show its values.
#include "serverRecord.h"

#include "toolText.h"

namespace volmora {

namespace {

constexpr std::size_t valueLabelWidth = 15;

}  // namespace

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

void appendServerValues(std::wstring& text, const std::wstring& classpath,
                        const std::wstring& imports) {
    text += lineBreak;
    text += label(L"Classpath:", valueLabelWidth);
    text += classpath;
    if (!imports.empty()) {
        text += lineBreak;
        text += label(L"Imports:", valueLabelWidth);
        text += imports;
    }
}

}  // namespace volmora
