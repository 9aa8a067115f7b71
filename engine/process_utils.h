// The process table, candidate selection and file backup-and-delete.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/backup_name.h"
#include "engine/engine.h"

namespace pell {

// The platform identifier of the running Windows; 2 is the NT family.
long PlatformId(Engine& e);

// Fills e.ProcessTable (entry 0 empty) from the running processes and resets e.ProcessCandidates.
void BuildProcessTable(Engine& e);
// Appends the table entries whose file name equals the upper-case, trimmed `name` ("*": every entry).
void SelectProcesses(Engine& e, std::wstring_view name);
// Copies the file to LogFolder as a ".back" copy (never overwriting one) and deletes it only once the
// copy is complete, reporting status codes 5, 6, 13 and 14. A file that cannot be deleted now is marked
// for deletion at the restart. The cleaner's own executable is left alone.
void BackUpAndDelete(Engine& e, const std::wstring& path);

// The fixed English ending of the line that follows "Found ... Unable To Remove!!" when the file was
// marked for deletion at the restart (no translation carries one).
inline constexpr wchar_t kRemovedAtRestart[] = L" will be removed when the computer restarts";

}  // namespace pell
