// The stand-in for the update check: the built-in database is what this build uses, and the window
// becomes idle straight away.
#include "ui/update_check.h"

#include "engine/product.h"
#include "ui/main_window.h"

namespace pell::ui {

void StartUpdateCheck(MainWindow& window) {
    window.SetStatusText(std::wstring(L"Using the built-in signature database ") + kDatabaseVersion);
    window.FinishUpdateCheck();
}

}  // namespace pell::ui
