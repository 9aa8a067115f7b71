// Start-up step 11: the update check, bound to the main window's status line, bar 1, message box and
// Finish step.
#pragma once

#include <memory>

#include "engine/engine.h"

namespace pell::ui {

class MainWindow;

// The running check; its sockets and timers end with it.
class RunningUpdateCheck {
public:
    virtual ~RunningUpdateCheck() = default;
};

// Starts the version check and the extra-detection download against the maker's update server; the
// window becomes idle (FinishUpdateCheck) when the download has ended. The program keeps the returned
// object to its end.
std::unique_ptr<RunningUpdateCheck> StartUpdateCheck(MainWindow& window, Engine& engine);

}  // namespace pell::ui
