// Who owns the keys below HKEY_CLASSES_ROOT that ProgIDs name. A ProgID owns two keys, its own
// and its versioned one, and both registry views share them: a class that goes, or takes another
// ProgID, leaves a key that a class record staying in either view owns, and a class may not take
// a key that another staying class owns.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "keyNameCase.h"

namespace volmora {

// The names of the keys a ProgID owns: the ProgID and its versioned form.
std::vector<std::wstring> progIdKeyNames(std::wstring_view progId);

// The class records that stay, by the keys their ProgIDs own.
class ProgIdKeyOwners {
  public:
    struct Owner {
        std::wstring clsid;   // the record's key name
        std::wstring progId;  // its ProgId
        int source = 0;       // where the caller found it
    };

    // Notes that the class record clsid, which carries progId, stays. An empty ProgID owns
    // nothing.
    void add(std::wstring_view progId, std::wstring_view clsid, int source = 0);

    // The records noted whose ProgID owns key (a key name, in any letter case), but for those
    // of class clsid (in any letter case).
    std::vector<const Owner*> ownersOf(std::wstring_view key, std::wstring_view clsid = {}) const;

  private:
    std::vector<Owner> owners_;
    std::multimap<std::wstring, std::size_t, KeyNameOrder> byKey_;
};

}  // namespace volmora
