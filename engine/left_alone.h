// What no digest match may touch, whatever the database says: genuine Windows programs in their own
// folders and the cleaner itself.
#pragma once

#include <string>
#include <string_view>

#include "engine/engine.h"

namespace pell {

// The endings of the fixed English line that names a match the run left alone (no translation carries
// one): the path, then one of these.
inline constexpr wchar_t kGenuineProgramLeftAlone[] = L" ...left alone: a genuine Windows program";
inline constexpr wchar_t kOwnProgramLeftAlone[] = L" ...left alone: Pellworth Remover itself";
inline constexpr wchar_t kLinkLeftAlone[] = L" ...left alone: a link, not followed";

// The path in the one spelling Windows resolves it to, for comparisons: upper case, "\" separators, no
// "\\?\" or "\??\" prefix, no empty, "." or ".." parts, no dots or blanks at the end of a part.
std::wstring ComparablePath(std::wstring_view path);

// A program that ships with Windows in the Windows folder, the system folder (also when reported as
// "\SystemRoot\System32\") or Media Center's ehome folder. A bare program name counts as well: Windows
// looks it up in those folders.
bool IsGenuineWindowsProgram(const Folders& folders, std::wstring_view path);

// The running cleaner's own executable.
bool IsOwnProgram(System& sys, std::wstring_view path);

// The key of a file by its identity on its volume, the same for every path that reaches it.
std::wstring FileKey(const FileIdentity& identity);

// When the open file at `path` (its identity given) is the cleaner itself or a genuine Windows program
// of the system, 32-bit system, Windows or ehome folder reached by another path (a linked folder, a hard
// link), the ending of the line that says it is left alone; otherwise null. Only the programs of the
// path's own file name are compared, one open each.
const wchar_t* GenuineReachedElsewhere(Engine& e, const std::wstring& path, const FileIdentity& identity);

// Writes the path followed by `ending`, once per run for each path however often the stages meet it.
void ReportLeftAlone(Engine& e, const std::wstring& path, const wchar_t* ending);

}  // namespace pell
