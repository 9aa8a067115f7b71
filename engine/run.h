// One cleaning run from START to the outcome, shared by the window and the console program.
#pragma once

#include <functional>
#include <string>

#include "engine/engine.h"

namespace pell {

enum class RunOutcome {
    NothingFound,   // normal outcome, message boxes 6 and 7, no restart
    Removed,        // normal outcome, message box 5 and the delayed restart started
    Aborted,        // an autorun key or value failed: message box 8
    ProgramEnded,   // the services key could not be read: the program ends
};

// The run driver: folder values, the stages in order, the log, the outcome.
RunOutcome RunCleaning(Engine& e);

// START after the window has disabled itself: message box 2, the folder picker, message box 3 when
// nothing was chosen, LogFolder, Term False, lstKeys cleared, both bars 0, status code 1, RunCleaning.
RunOutcome StartCleaning(Engine& e, const std::function<std::wstring()>& pickFolder);

}  // namespace pell
