// The imports text: the operands after the server identifier and the class path.
#include "bindHost.h"
#include "serverRecord.h"

namespace volmora {

void joinImports(const ArgumentList& arguments, std::wstring& imports) {
    std::wstring text;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        // A separator goes only after a non-empty text: an empty first import leaves no trace,
        // an empty later one an empty item between two separators.
        if (!text.empty()) {
            text += importsSeparator;
        }
        text += arguments[i];
    }
    imports = std::move(text);
}

}  // namespace volmora
