// A type library's registration removed by its identity alone, as an installer's rollback
// needs it: without the library's file, which may be gone already, and without the runtime.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "registry.h"
#include "stepData.h"

namespace volmora::msistep {

// SYSKIND of OLE Automation, as the registry names it below the library's locale.
enum class SystemKind : int { win32 = 1, win64 = 3 };

// A registered type library as UnRegisterTypeLib names it, and the interfaces whose keys its
// registration writes. In CustomActionData (after the count), one item each:
//   {library GUID}
//   major.minor    (decimal, as the IDL's version attribute)
//   locale id      (decimal)
//   win32 | win64
//   {interface IID}  (none or more: the library's interfaces that registration names)
struct TypeLibIdentity {
    std::wstring guid;  // with its braces
    std::uint16_t major = 0;
    std::uint16_t minor = 0;
    std::uint32_t locale = 0;
    SystemKind system = SystemKind::win32;
    std::vector<std::wstring> interfaces;  // with their braces
};

std::variant<TypeLibIdentity, Fault> readTypeLibIdentity(std::wstring_view data);

// Its keys under HKEY_CLASSES_ROOT, as the system writes them (version and locale in hex).
std::wstring libraryKey(const TypeLibIdentity& library);  // TypeLib\{guid}
std::wstring versionKey(const TypeLibIdentity& library);  // ...\<major>.<minor>
std::wstring localeKey(const TypeLibIdentity& library);   // ...\<locale>
std::wstring systemKey(const TypeLibIdentity& library);   // ...\win32|win64

// Interface\{iid}: the key that registering the library writes for one of its interfaces.
std::wstring interfaceKey(const std::wstring& iid);

// Removes the library's registration as unregistering it does, without reading its file: the
// system key, then each parent key that nothing else is left in (a version key whose only
// subkeys are FLAGS and HELPDIR goes with them). Another version, locale or system kind of the
// same library stays. Returns 0 or the first registry error; a library that is not registered
// gives 2 (not found) and changes nothing.
long removeTypeLibraryKeys(Registry& registry, const TypeLibIdentity& library);

// Removes the key of each of the library's interfaces whose TypeLib subkey names this library,
// as unregistering it does; one that names another library, or none, is not this library's and
// stays. Returns 0 or the first registry error.
long removeInterfaceKeys(Registry& registry, const TypeLibIdentity& library);

}  // namespace volmora::msistep
