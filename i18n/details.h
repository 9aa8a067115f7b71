// The details channel: every stage reports one translated status line through it.
#pragma once

#include <string>
#include <string_view>

#include "base/host.h"
#include "i18n/translation.h"

namespace pell {

// The line that status code `code` selects, with "%%" replaced by `arg` where the line takes an
// argument; the empty string for a code without a line.
std::wstring StatusLine(const Translation& translation, float code, std::wstring_view arg);

// Code 1 restarts the details text; every other code appends CR LF and its line. The caret then moves
// to the end of the text.
void WriteDetails(Host& host, const Translation& translation, float code, std::wstring_view arg);

// Appends CR LF and `line` and moves the caret to the end, as WriteDetails does for a status line. For
// the few fixed English lines that no translation carries.
void AppendDetailsLine(Host& host, std::wstring_view line);

}  // namespace pell
