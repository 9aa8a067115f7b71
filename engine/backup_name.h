// Names for the copies the run keeps in the log folder: "name.back", and never over an existing copy.
#pragma once

#include <string>

#include "engine/system.h"

namespace pell {

// The first name in `folder` (which ends with a backslash) that nothing occupies yet, in the order
// fileName + ".back", fileName + " (2).back", fileName + " (3).back", ... Empty when every name up to
// the bound is taken; the caller then makes no copy rather than overwrite one.
std::wstring PickBackupName(System& sys, const std::wstring& folder, const std::wstring& fileName);

}  // namespace pell
