// Putting a machine back as it was before a cleaning run, from the run's manifest and the copies in its
// log folder. Nothing that exists again is overwritten.
#pragma once

#include <functional>
#include <string>

#include "base/host.h"
#include "base/system.h"

namespace pell {

enum class RestoreResult {
    AllRestored,    // every change that can be put back was (or, in a dry run, would be)
    SomeLeftAlone,  // something existed again, failed, or a line of the manifest was broken
    Unreadable,     // no manifest, not a manifest, or refused as unsafe: nothing was done
};

// `target` is a manifest (".jsonl") or a folder, whose newest manifest (by its recorded start) is used.
// With `dryRun` nothing is changed and each line says what would be done. `say` receives one line per
// change of the manifest, and the lines that name the manifest and its problems.
RestoreResult RestoreRun(System& sys, Host& host, const std::wstring& target, bool dryRun,
                         const std::function<void(const std::wstring&)>& say);

}  // namespace pell
