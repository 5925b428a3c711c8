// The records that stay after an apply: those the file names, those of the machine that the file
// does not name unless they are pruned, and the other view's class records, which share the
// ProgID keys. Nothing apply writes may break one of them.
#pragma once

#include <string_view>

#include "model/configuration.h"
#include "progIdSharing.h"

namespace volmora::config {

// Where a class record that stays is: ProgIdKeyOwners::Owner::source.
enum class KeptIn { file, machine, otherView };

KeptIn keptIn(const ProgIdKeyOwners::Owner& owner);

// The class records that stay, by the ProgID keys they own: refers to the names of file and
// machine, which must outlive it.
ProgIdKeyOwners keptClasses(const Configuration& file, const Machine& machine, bool prune);

// Whether the record of the collection named name will be there after the apply.
bool staysAfterApply(const Configuration& file, const Machine& machine, bool prune,
                     Collection collection, std::wstring_view name);

}  // namespace volmora::config
