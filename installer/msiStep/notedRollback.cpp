// Notes of the keys that a step may write, taken before the install and put back by its rollback.
#include "notedRollback.h"

#include <algorithm>

#include "recordPaths.h"
#include "typeLibRemoval.h"

namespace volmora::msistep {

namespace {

std::wstring errorText(long status) {
    return L": error=" + std::to_wstring(status);
}

std::wstring joined(const std::vector<std::wstring>& items) {
    std::wstring text = std::to_wstring(items.size());
    for (const std::wstring& item : items) {
        text += L"\n" + item;
    }
    return text;
}

}  // namespace

std::optional<RollbackKind> rollbackKindOf(std::wstring_view entry) {
    if (entry == L"RemoveJvm") {
        return RollbackKind::jvm;
    }
    if (entry == L"RemoveServer") {
        return RollbackKind::server;
    }
    if (entry == L"RemoveClass") {
        return RollbackKind::javaClass;
    }
    if (entry == L"RemoveTypeLibrary") {
        return RollbackKind::typeLibrary;
    }
    return std::nullopt;
}

std::variant<std::vector<NotedRollback>, Fault> readNotedRollbacks(std::wstring_view data) {
    auto read = dataItems(data);
    if (auto* fault = std::get_if<Fault>(&read)) {
        return std::move(*fault);
    }
    std::vector<NotedRollback> rollbacks;
    for (const std::wstring& item : std::get<std::vector<std::wstring>>(read)) {
        const std::size_t equals = item.find(L'=');
        const auto kind = equals == std::wstring::npos
                              ? std::nullopt
                              : rollbackKindOf(std::wstring_view(item).substr(equals + 1));
        if (!kind || equals == 0) {
            return Fault{
                L"not a rollback to note (<property>=RemoveJvm, RemoveServer, "
                L"RemoveClass or RemoveTypeLibrary): " +
                item};
        }
        rollbacks.push_back({item.substr(0, equals), *kind});
    }
    return rollbacks;
}

std::variant<ClassNames, Fault> readClassNames(std::wstring_view data) {
    auto read = dataItems(data);
    if (auto* fault = std::get_if<Fault>(&read)) {
        return std::move(*fault);
    }
    auto& items = std::get<std::vector<std::wstring>>(read);
    if (items.size() != 2 || items[0].empty() || items[1].empty()) {
        return Fault{L"CustomActionData names no class (two items: its ProgID, then its CLSID)"};
    }
    return ClassNames{std::move(items[0]), std::move(items[1])};
}

std::variant<std::vector<KeyToNote>, Fault> keysToNote(RollbackKind kind, std::wstring_view data) {
    switch (kind) {
        case RollbackKind::jvm:
        case RollbackKind::server: {
            const auto name = readRecordName(data);
            if (const auto* fault = std::get_if<Fault>(&name)) {
                return *fault;
            }
            const auto collection =
                kind == RollbackKind::jvm ? recordCollection::jvms : recordCollection::servers;
            return std::vector<KeyToNote>{
                {NotedRoot::localMachine, recordPath(collection, std::get<std::wstring>(name))}};
        }
        case RollbackKind::javaClass: {
            const auto names = readClassNames(data);
            if (const auto* fault = std::get_if<Fault>(&names)) {
                return *fault;
            }
            const auto& [progId, clsid] = std::get<ClassNames>(names);
            return std::vector<KeyToNote>{
                {NotedRoot::localMachine, recordPath(recordCollection::classes, clsid)},
                {NotedRoot::classesRoot, L"CLSID\\" + clsid},
                {NotedRoot::classesRoot, progId},
                {NotedRoot::classesRoot, progId + L".1"},
            };
        }
        case RollbackKind::typeLibrary: {
            const auto identity = readTypeLibIdentity(data);
            if (const auto* fault = std::get_if<Fault>(&identity)) {
                return *fault;
            }
            const auto& library = std::get<TypeLibIdentity>(identity);
            std::vector<KeyToNote> keys{{NotedRoot::classesRoot, libraryKey(library)}};
            for (const std::wstring& iid : library.interfaces) {
                keys.push_back({NotedRoot::classesRoot, interfaceKey(iid)});
            }
            return keys;
        }
    }
    return Fault{L"no such rollback"};
}

std::variant<std::wstring, Fault> withNotes(Registry& registry, RollbackKind kind,
                                            std::wstring_view data) {
    const auto split = splitNotes(data);
    if (const auto* fault = std::get_if<Fault>(&split)) {
        return *fault;
    }
    const std::wstring& names = std::get<NotedData>(split).data;
    const auto keys = keysToNote(kind, names);
    if (const auto* fault = std::get_if<Fault>(&keys)) {
        return *fault;
    }
    auto items = std::get<std::vector<std::wstring>>(dataItems(names));
    for (const KeyToNote& key : std::get<std::vector<KeyToNote>>(keys)) {
        const auto noted = noteKey(registry, key.root, key.path);
        if (const long* error = std::get_if<long>(&noted)) {
            return Fault{L"cannot read " + notedKeyName({key.root, key.path, std::nullopt}) +
                         L" as it stands before the install" + errorText(*error)};
        }
        items.push_back(noteItem(std::get<KeyNote>(noted)));
    }
    return joined(items);
}

std::variant<NotedData, Fault> splitNotes(std::wstring_view data) {
    auto read = dataItems(data);
    if (auto* fault = std::get_if<Fault>(&read)) {
        return std::move(*fault);
    }
    auto& items = std::get<std::vector<std::wstring>>(read);
    // The first item is always a name, whatever it reads: the notes come after the names.
    const auto firstNote =
        std::find_if(items.begin() + (items.empty() ? 0 : 1), items.end(),
                     [](const std::wstring& item) { return item.starts_with(noteItemPrefix); });
    NotedData split;
    for (auto note = firstNote; note != items.end(); ++note) {
        auto parsed = readNoteItem(*note);
        if (auto* fault = std::get_if<Fault>(&parsed)) {
            return std::move(*fault);
        }
        split.notes.push_back(std::move(std::get<KeyNote>(parsed)));
    }
    items.erase(firstNote, items.end());
    split.data = joined(items);
    return split;
}

bool anyKeyExisted(const std::vector<KeyNote>& notes) {
    return std::any_of(notes.begin(), notes.end(),
                       [](const KeyNote& note) { return note.before.has_value(); });
}

RemovalReport restoreNotedKeys(Registry& registry, const std::wstring& what,
                               const std::vector<KeyNote>& notes) {
    std::wstring putBack;
    std::wstring removed;
    for (const KeyNote& note : notes) {
        if (const long result = restoreKey(registry, note); result != status::success) {
            return {true, L"cannot put back " + notedKeyName(note) + L" of " + what +
                              L" as it stood before the install" + errorText(result)};
        }
        std::wstring& list = note.before ? putBack : removed;
        list += (list.empty() ? L"" : L", ") + notedKeyName(note);
    }
    std::wstring text = what + L" put back as it stood before the install: " + putBack;
    if (!removed.empty()) {
        text += L"; removed what the install made: " + removed;
    }
    return {false, text};
}

}  // namespace volmora::msistep
