// Reading a class's COM values and judging them.
#include "classComState.h"

#include <string>

#include "keyNameCase.h"
#include "regUtil.h"
#include "toolText.h"

namespace volmora {

namespace {

// The key below HKEY_CLASSES_ROOT that holds every class's COM key.
std::wstring_view comClassesKey() {
    static const std::wstring path = [] {
        const std::wstring comClass = classKeys(L"", L"").comClass.path;
        return comClass.substr(0, comClass.find(L'\\'));
    }();
    return path;
}

ComValueRead keyNotRead(long opened) {
    return {opened == status::fileNotFound ? ComValueRead::Kind::keyMissing
                                           : ComValueRead::Kind::failed,
            {},
            opened};
}

}  // namespace

ComValueReader::ComValueReader(Registry& registry)
    : registry_(registry), classes_(registry), open_(registry) {
    classesStatus_ = classes_.open(classesRoot, std::wstring(comClassesKey()), KeyAccess::read);
}

long ComValueReader::openKey(const std::wstring& key) {
    if (openPath_ == key) {
        return openStatus_;
    }
    openPath_ = key;
    const std::wstring_view classes = comClassesKey();
    // A class's COM key is opened below the key of all COM classes, which is open already.
    if (classesStatus_ == status::success && key.size() > classes.size() &&
        key[classes.size()] == L'\\' &&
        sameKeyName(std::wstring_view(key).substr(0, classes.size()), classes)) {
        openStatus_ =
            open_.open(classes_.handle(), key.substr(classes.size() + 1), KeyAccess::read);
    } else {
        openStatus_ = open_.open(classesRoot, key, KeyAccess::read);
    }
    return openStatus_;
}

ComValueRead ComValueReader::read(const std::wstring& key, std::wstring_view name) {
    if (const long opened = openKey(key); opened != status::success) {
        return keyNotRead(opened);
    }
    constexpr std::size_t firstBytes = 512;
    if (buffer_.size() < firstBytes) {
        buffer_.resize(firstBytes);
    }
    const std::wstring valueName(name);
    std::uint32_t type = valueType::none;
    auto size = static_cast<std::uint32_t>(buffer_.size());
    long result = registry_.queryValue(open_.handle(), valueName, &type, buffer_.data(), &size);
    // The value may grow between two queries: ask again with what it needs now.
    while (result == status::moreData && type == valueType::sz) {
        buffer_.resize(std::size_t{size} + sizeof(char16_t));
        size = static_cast<std::uint32_t>(buffer_.size());
        result = registry_.queryValue(open_.handle(), valueName, &type, buffer_.data(), &size);
    }
    if (result == status::fileNotFound) {
        return {ComValueRead::Kind::valueMissing, {}, result};
    }
    if (type != valueType::sz && (result == status::success || result == status::moreData)) {
        return {ComValueRead::Kind::otherType, {}, result};
    }
    if (result != status::success) {
        return {ComValueRead::Kind::failed, {}, result};
    }
    return {ComValueRead::Kind::text, textFromData(buffer_, size), result};
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
