// The process table, candidate selection, file backup-and-delete and two field helpers.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/backup_name.h"
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

// Number of fields of `text` split at `delimiter`; 0 for an empty text.
std::int16_t CountFields(std::wstring_view text, std::wstring_view delimiter);
// The field at position index (columns 0) or row * columns + index; empty when there are fewer fields.
std::wstring GetField(std::wstring_view text, std::wstring_view delimiter, int row, int columns, int index);


}  // namespace pell
