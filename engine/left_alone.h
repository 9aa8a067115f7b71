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

// The path in the one spelling Windows resolves it to, for comparisons: upper case, "\" separators, no
// "\\?\" or "\??\" prefix, no empty, "." or ".." parts, no dots or blanks at the end of a part.
std::wstring ComparablePath(std::wstring_view path);

// A program that ships with Windows in the Windows folder, the system folder (also when reported as
// "\SystemRoot\System32\") or Media Center's ehome folder. A bare program name counts as well: Windows
// looks it up in those folders.
bool IsGenuineWindowsProgram(const Folders& folders, std::wstring_view path);

// The running cleaner's own executable.
bool IsOwnProgram(System& sys, std::wstring_view path);

// Writes the path followed by `ending`, once per run for each path however often the stages meet it.
void ReportLeftAlone(Engine& e, const std::wstring& path, const wchar_t* ending);

}  // namespace pell
