// Names the database compiler refuses: genuine Windows programs, common applications and ordinary words
// that a cleaning run would kill or delete if they were listed as worm names.
#pragma once

#include <string>
#include <string_view>

namespace pell {

// Why `name` must not be a worm name, or an empty text when it may be listed.
//
// A listed name makes the run terminate every process called name + ".exe", ".com" or ".scr" (the
// process test trims leading blanks and ignores case) and delete files of that name from system
// folders (file groups compare the exact text). So the name is compared with the genuine names with
// blanks trimmed and case ignored, and it is let through only when its trimmed text is, in exact case,
// a name the run's rules are built for: one that a protection rule spares in its genuine folders and
// whose file group keeps away from the genuine file.
std::wstring DenylistReason(std::wstring_view name);

}  // namespace pell
