// Start-up step 11: the update check. Until it exists, the window is made idle at once.
#pragma once

namespace pell::ui {

class MainWindow;

// Starts the update check on `window`; when it ends (here: at once) it calls window.FinishUpdateCheck().
void StartUpdateCheck(MainWindow& window);

}  // namespace pell::ui
