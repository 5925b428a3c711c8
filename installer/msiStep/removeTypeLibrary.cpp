// RemoveTypeLibrary (rollback, and the uninstall's removal after bindSchema /u): removes a type
// library's registration by its identity, which needs neither the library's file nor the
// runtime's VOLM.dll, since a rollback may run after the installed files are gone (Wine's msiexec
// removes them first) and an uninstall after the runtime. Its data, after the count, is the
// identity that typeLibRemoval.h describes, with the IIDs of the library's interfaces, and
// perhaps NoteExisting's notes of those keys: a library registered before the install is put
// back as it stood.
#include <windows.h>

#include <msi.h>
#include <oleauto.h>

#include <string>
#include <variant>

#include "msiSession.h"
#include "notedRollback.h"
#include "registry.h"
#include "typeLibRemoval.h"
#include "winRegistry.h"

using namespace volmora;
using namespace volmora::msistep;

namespace {

bool isRegistered(Registry& registry, const TypeLibIdentity& library) {
    RegKey key(registry);
    return key.open(classesRoot, systemKey(library), KeyAccess::read) == status::success;
}

// The library's interface keys that are still there, to be named in the log.
std::wstring interfacesLeft(Registry& registry, const TypeLibIdentity& library) {
    std::wstring left;
    for (const std::wstring& iid : library.interfaces) {
        RegKey key(registry);
        if (key.open(classesRoot, interfaceKey(iid), KeyAccess::read) == status::success) {
            left += L" " + interfaceKey(iid);
        }
    }
    return left;
}

}  // namespace

extern "C" UINT __stdcall RemoveTypeLibrary(MSIHANDLE install) {
    const auto split = readActionData(install, splitNotes);
    if (const auto* fault = std::get_if<Fault>(&split)) {
        return failStep(install, fault->text);
    }
    const auto& [data, notes] = std::get<NotedData>(split);
    const auto identity = readTypeLibIdentity(data);
    if (const auto* fault = std::get_if<Fault>(&identity)) {
        return failStep(install, fault->text);
    }
    const TypeLibIdentity& library = std::get<TypeLibIdentity>(identity);
    const std::wstring name = L"type library " + systemKey(library);
    GUID guid{};
    if (FAILED(IIDFromString(library.guid.c_str(), &guid))) {
        return failStep(install, L"not a GUID: " + library.guid);
    }
    WinRegistry registry;
    // The library or one of its interfaces was registered before the install: each key goes
    // back as it stood, which no unregistration could do.
    if (anyKeyExisted(notes)) {
        const RemovalReport report = restoreNotedKeys(registry, name, notes);
        logStep(install, report.text);
        return report.failed ? ERROR_INSTALL_FAILURE : ERROR_SUCCESS;
    }
    const bool registered = isRegistered(registry, library);
    const HRESULT unregistered =
        registered ? UnRegisterTypeLib(guid, library.major, library.minor, library.locale,
                                       static_cast<SYSKIND>(static_cast<int>(library.system)))
                   : S_OK;
    // The system reads the library's file to unregister it (Wine's fails without it, measured:
    // TYPE_E_INVALIDSTATE); the keys go all the same, its interfaces' keys with them.
    long removed = isRegistered(registry, library) ? removeTypeLibraryKeys(registry, library)
                                                   : status::success;
    if (removed == status::success) {
        removed = removeInterfaceKeys(registry, library);
    }
    if (removed != status::success) {
        return failStep(install, L"cannot remove " + name + errorText(static_cast<DWORD>(removed)));
    }
    std::wstring done = !registered ? name + L" is not registered: nothing to remove"
                        : FAILED(unregistered)
                            ? name + L" removed from the registry (UnRegisterTypeLib" +
                                  errorText(static_cast<DWORD>(unregistered)) + L")"
                            : name + L" removed";
    if (const std::wstring left = interfacesLeft(registry, library); !left.empty()) {
        done += L"; interface keys of another library kept:" + left;
    }
    logStep(install, done);
    return ERROR_SUCCESS;
}
