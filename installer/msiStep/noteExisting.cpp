// NoteExisting (immediate, before the first registration of a first install): adds to each
// rollback's data how the keys that its step will write stand now, so that the rollback removes
// only what the install made and puts back what was there before it. Its property names the
// rollbacks (see notedRollback.h). A key that cannot be read fails the install before anything
// is written: a rollback that could not tell what it may remove must not run.
#include <windows.h>

#include <msi.h>
#include <msiquery.h>

#include <string>
#include <variant>

#include "msiSession.h"
#include "notedRollback.h"
#include "winRegistry.h"

using namespace volmora;
using namespace volmora::msistep;

namespace {

// How the notes stand, as the log says it: "<key> exists" or "<key> is new".
std::wstring notedStates(std::wstring_view data) {
    const auto split = splitNotes(data);
    std::wstring text;
    if (const auto* noted = std::get_if<NotedData>(&split)) {
        for (const KeyNote& note : noted->notes) {
            text += (text.empty() ? L"" : L", ") + notedKeyName(note) +
                    (note.before ? L" exists" : L" is new");
        }
    }
    return text;
}

}  // namespace

extern "C" UINT __stdcall NoteExisting(MSIHANDLE install) {
    const auto list = propertyValue(install, VOLMORA_NOTED_ROLLBACKS);
    if (const auto* fault = std::get_if<Fault>(&list)) {
        return failStep(install, fault->text);
    }
    const auto rollbacks = readNotedRollbacks(std::get<std::wstring>(list));
    if (const auto* fault = std::get_if<Fault>(&rollbacks)) {
        return failStep(install, std::wstring(VOLMORA_NOTED_ROLLBACKS) + L": " + fault->text);
    }
    WinRegistry registry;
    for (const NotedRollback& rollback : std::get<std::vector<NotedRollback>>(rollbacks)) {
        const auto data = propertyValue(install, rollback.property);
        if (const auto* fault = std::get_if<Fault>(&data)) {
            return failStep(install, fault->text);
        }
        const auto noted = withNotes(registry, rollback.kind, std::get<std::wstring>(data));
        if (const auto* fault = std::get_if<Fault>(&noted)) {
            return failStep(install, rollback.property + L": " + fault->text);
        }
        const std::wstring& text = std::get<std::wstring>(noted);
        if (const UINT result = MsiSetPropertyW(install, rollback.property.c_str(), text.c_str());
            result != ERROR_SUCCESS) {
            return failStep(install, L"cannot set " + rollback.property + errorText(result));
        }
        logStep(install, rollback.property + L" before the install: " + notedStates(text));
    }
    return ERROR_SUCCESS;
}
