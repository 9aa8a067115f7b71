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
// RefusalsOnly is for the files a rule deletes besides the value it reports (the explorer.exe copies
// of a worm's Run value), whose errors the run passes over: kept and recorded the same, but the details
// box hears only of a file left alone (genuine, a link, the cleaner), and one that will not go stays.
enum class DeletionLines { Every, RefusalsOnly };
void BackUpAndDelete(Engine& e, const std::wstring& path, DeletionLines lines = DeletionLines::Every);

// The fixed English ending of the line that follows "Found ... Unable To Remove!!" when the file was
// marked for deletion at the restart (no translation carries one).
inline constexpr wchar_t kRemovedAtRestart[] = L" will be removed when the computer restarts";

}  // namespace pell
