// The update check's view of the main window: Label2, progress bar 1, message box 4, the shell's
// "open" for the download page, the details box for what the download refused, and the Finish step.
#include "ui/update_check.h"

#include "base/product.h"
#include "i18n/details.h"
#include "net/update_service.h"
#include "ui/main_window.h"

namespace pell::ui {
namespace {

class WindowForUpdates final : public net::UpdateWindow {
public:
    WindowForUpdates(MainWindow& window, Engine& engine) : window_(window), engine_(engine) {}
    void SetStatus(const std::wstring& text) override { window_.SetStatusText(text); }
    void SetProg1(double percent) override { window_.SetProg1(percent); }
    int AskToDownload() override { return window_.MsgBox(box::NewerVersion, true); }
    void OpenPage(const std::wstring& url) override { engine_.sys.ShellOpen(url); }
    void AddDetailsLine(const std::wstring& line) override {
        if (window_.DetailsLength() == 0) window_.SetDetailsText(line);
        else AppendDetailsLine(window_, line);
    }
    void Finish() override { window_.FinishUpdateCheck(); }

private:
    MainWindow& window_;
    Engine& engine_;
};

// The view is declared first so that it outlives the check, whose sockets and timers may still reach it
// while they are taken down.
class WiredUpdateCheck final : public RunningUpdateCheck {
public:
    WiredUpdateCheck(MainWindow& window, Engine& engine)
        : view_(window, engine), service_(view_, engine, window.Caption(), kUpdateHost) {}
    void Start() { service_.Start(); }

private:
    WindowForUpdates view_;
    net::UpdateService service_;
};

}  // namespace

std::unique_ptr<RunningUpdateCheck> StartUpdateCheck(MainWindow& window, Engine& engine) {
    auto check = std::make_unique<WiredUpdateCheck>(window, engine);
    check->Start();
    return check;
}

}  // namespace pell::ui
