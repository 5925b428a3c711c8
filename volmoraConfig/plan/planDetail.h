// What a plan shows of one change of a record or a key: a value before and after, or a COM key
// that goes. The plan's lines and its JSON document are both made from it.
#pragma once

#include <string>
#include <string_view>

namespace volmora::config {

// One side of a changed value: none, a REG_SZ text, or a value of another type as the plan shows
// it ("(not REG_SZ)", "REG_DWORD 0x1").
struct ShownValue {
    enum class Kind { none, text, other };
    Kind kind = Kind::none;
    std::wstring text;

    static ShownValue none() { return {}; }
    static ShownValue ofText(std::wstring_view text) { return {Kind::text, std::wstring(text)}; }
    static ShownValue ofOther(std::wstring_view shown) {
        return {Kind::other, std::wstring(shown)};
    }
};

// A value of the record or key that changes, a value of one of a class's COM keys (comKey
// named), or a COM key that goes (keyDeleted).
struct PlanDetail {
    std::wstring comKey;  // below HKEY_CLASSES_ROOT; empty: a value of the record or key itself
    std::wstring name;    // the value's name; "" is the default value
    ShownValue before;
    ShownValue after;
    bool keyDeleted = false;
    // A write of an added class to a COM key that is there already: the lines show it too.
    bool existingKey = false;
};

}  // namespace volmora::config
