// Listing the values of an autorun key as "name=data" items.
#pragma once

#include "base/string_list.h"
#include "base/system.h"

namespace pell {

// Appends one item to `items` per value of the open key whose data length is above 0: "name=data", the
// data up to its first NUL, with the value's real name kept beside it. A value whose name holds a NUL
// is passed over.
void ListRunValues(System& sys, RegKey key, StringList& items);

}  // namespace pell
