// Listing the values of an autorun key as "name=data" items of lstKeys.
#pragma once

#include "engine/engine.h"

namespace pell {

// Appends one lstKeys item per value of the open key whose data length is above 0: "name=data", the
// data up to its first NUL, with the value's real name kept beside it. A value whose name holds a NUL
// is passed over.
void ListRunValues(Engine& e, RegKey key);

}  // namespace pell
