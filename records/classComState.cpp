// Reading a class's COM values and judging them.
#include "classComState.h"

#include "keyNameCase.h"
#include "regUtil.h"
#include "toolText.h"

namespace volmora {

ComValueRead readComValue(Registry& registry, const std::wstring& key, std::wstring_view name) {
    RegKey open(registry);
    if (const long opened = open.open(classesRoot, key, KeyAccess::read);
        opened != status::success) {
        return {opened == status::fileNotFound ? ComValueRead::Kind::keyMissing
                                               : ComValueRead::Kind::failed,
                {},
                opened};
    }
    RegValue value;
    const long result = getNamedValue(registry, open.handle(), std::wstring(name), value);
    if (result == status::fileNotFound) {
        return {ComValueRead::Kind::valueMissing, {}, result};
    }
    if (result == unsupportedType ||
        (result == status::success && !std::holds_alternative<std::wstring>(value))) {
        return {ComValueRead::Kind::otherType, {}, result};
    }
    if (result != status::success) {
        return {ComValueRead::Kind::failed, {}, result};
    }
    return {ComValueRead::Kind::text, std::get<std::wstring>(std::move(value)), result};
}

bool comValueMatches(const ComValue& wanted, const ComValueRead& found) {
    return found.kind == ComValueRead::Kind::text &&
           (wanted.namesKey ? sameKeyName(found.text, wanted.text) : found.text == wanted.text);
}

std::wstring comKeyLabel(const std::wstring& key, std::wstring_view name) {
    std::wstring text = L"COM key " + quoted(key);
    if (!name.empty()) {
        text += L" value ";
        text += name;
    }
    return text;
}

bool leadsToClass(const ComValueRead& pointer, std::wstring_view clsid) {
    return pointer.kind == ComValueRead::Kind::text && sameKeyName(pointer.text, clsid);
}

}  // namespace volmora
