// One class's block of the class listing.
#include "classBlock.h"

#include "toolText.h"

namespace volmora {

namespace {

constexpr std::size_t labelWidth = 20;

void appendLine(std::wstring& listing, std::wstring_view name, std::wstring_view value) {
    listing += lineBreak;
    listing += label(name, labelWidth);
    listing += value;
}

}  // namespace

void appendClassBlock(std::wstring& listing, std::wstring_view clsid, const ClassRecord& values) {
    if (!listing.empty()) {
        listing += lineBreak;
    }
    listing += values.progId;
    listing += L':';
    appendLine(listing, L"CLSID:", clsid);
    appendLine(listing, L"Java class:", values.javaClassName);
    appendLine(listing, L"JVMID:", values.jvmId);
    if (!values.serverId.empty()) {
        appendLine(listing, L"ServerId:", values.serverId);
    }
    appendLine(listing, L"InprocServer32:", values.inprocServer);
}

}  // namespace volmora
