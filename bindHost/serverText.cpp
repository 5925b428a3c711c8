// The lines that show a server record's values.
#include "serverText.h"

#include "toolText.h"

namespace volmora {

namespace {

constexpr std::size_t valueLabelWidth = 15;

}  // namespace

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
