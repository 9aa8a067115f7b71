// The protection rules that spare genuine system and application programs among the worm-named processes.
#pragma once

#include <string>

#include "base/folders.h"
#include "processes/process_entry.h"

namespace pell {

enum class Verdict { Skip, Terminate };

// The upper-case folders the rules compare a candidate's folder with, exactly.
struct ReferenceFolders {
    std::wstring sys;    // SystemDir + "\"
    std::wstring sys32;  // SystemWow64Dir + "\", the 32-bit system folder; empty on 32-bit Windows
    std::wstring win;    // WindowsDir + "\"
    std::wstring ntsys;  // "\SYSTEMROOT\SYSTEM32\": images reported without a drive letter
    std::wstring ehome;  // WindowsDir + "\ehome\"
};

ReferenceFolders ReferenceFoldersFor(const Folders& folders);

// The first rule whose condition holds decides; a candidate no rule spares is terminated.
Verdict Examine(const ProcessEntry& candidate, const ReferenceFolders& refs);

}  // namespace pell
