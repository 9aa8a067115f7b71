// Putting a machine back as it was before a cleaning run, from the run's record and the copies in its
// log folder. Nothing that exists again is overwritten, and nothing a run could not have changed is done.
#pragma once

#include <functional>
#include <string>

#include "base/host.h"
#include "base/system.h"

namespace pell {

enum class RestoreResult {
    AllRestored,    // every change that can be put back was (or, in a dry run, would be)
    SomeLeftAlone,  // something existed again, failed, or a line of the record was broken
    Unreadable,     // no record, not a record, or refused as unsafe: nothing was done
};

struct RestoreOptions {
    bool dryRun = false;      // nothing is changed; each line says what would be done
    bool anyMachine = false;  // a record written on another computer is used all the same
};

// `target` is a record (".jsonl") or a folder, whose newest record (by its recorded start, then its
// end) is used. `say` receives first the record's path, then one line per change of the record, and
// the lines that name the record's problems.
RestoreResult RestoreRun(System& sys, Host& host, const std::wstring& target, const RestoreOptions& options,
                         const std::function<void(const std::wstring&)>& say);

}  // namespace pell
