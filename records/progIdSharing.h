// Who owns the keys below HKEY_CLASSES_ROOT that ProgIDs name. A ProgID owns two keys, its own
// and its versioned one, and both registry views share them: a class that goes, or takes another
// ProgID, leaves a key that a class record staying in either view owns, and a class may not take
// a key that another staying class owns.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace volmora {

// The names of the keys a ProgID owns: the ProgID and its versioned form.
std::vector<std::wstring> progIdKeyNames(std::wstring_view progId);

// The class records that stay, by the keys their ProgIDs own. It refers to the names it is given:
// they must live as long as it does.
class ProgIdKeyOwners {
  public:
    struct Owner {
        std::wstring_view clsid;   // the record's key name
        std::wstring_view progId;  // its ProgId
        int source = 0;            // where the caller found it
    };

    // Notes that the class record clsid, which carries progId, stays. An empty ProgID owns
    // nothing.
    void add(std::wstring_view progId, std::wstring_view clsid, int source = 0);

    // The records noted whose ProgID owns key (a key name, in any letter case), but for those
    // of class clsid (in any letter case), in the order they were noted.
    std::vector<const Owner*> ownersOf(std::wstring_view key, std::wstring_view clsid = {}) const;

  private:
    std::vector<Owner> owners_;
    // Indexes into owners_, sorted by ProgID as the registry compares names once a query needs
    // them so.
    mutable std::vector<std::size_t> byProgId_;
};

}  // namespace volmora
