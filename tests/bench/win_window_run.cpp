// Times the whole cleaning run in the real main window against the same run with a host that draws
// nothing (the console program's way), in the same process and prefix, with a synthetic signature
// database of version 6.70's size; rounds alternate so both see the same machine. Prints the figures.
//
// usage: win_window_run.exe --log-folder DIR [--rounds N] [--shipped]
//
// The window is the program's own MainWindow, shown, with its bars, details box, timers and paced pumps;
// only its message boxes answer at once (OK, and No to questions), as the console program's do.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "app/start_up/start_up.h"
#include "engine/engine.h"
#include "engine/run.h"
#include "base/text.h"
#include "i18n/translation.h"
#include "platform/win32/win32_api.h"
#include "platform/win32/win32_system.h"
#include "signatures/database.h"
#include "tests/bench/bench_support.h"
#include "ui/main_window.h"

namespace {

using namespace pell;
using Clock = std::chrono::steady_clock;

class AnsweringWindow final : public ui::MainWindow {
public:
    using MainWindow::MainWindow;
    int MsgBox(int, bool yesNo) override { return yesNo ? answer::No : answer::Ok; }
};

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

struct Loaded {
    LanguageState language;
    SignatureDatabase db;
};

double TimedRun(Engine& e, const std::wstring& folder, RunOutcome& outcome) {
    auto start = Clock::now();
    outcome = StartCleaning(e, [&folder] { return folder; });
    return Ms(Clock::now() - start);
}

}  // namespace

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::vector<std::wstring> args;
    for (int i = 1; argv != nullptr && i < argc; ++i) args.emplace_back(argv[i]);
    LocalFree(argv);
    std::wstring folder;
    int rounds = 2;
    bool synthetic = true;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == L"--log-folder" && i + 1 < args.size()) folder = args[++i];
        else if (args[i] == L"--rounds" && i + 1 < args.size()) rounds = std::max(1, _wtoi(args[++i].c_str()));
        else if (args[i] == L"--shipped") synthetic = false;
        else folder.clear(), i = args.size();
    }
    if (folder.empty()) {
        std::fprintf(stderr, "usage: win_window_run.exe --log-folder DIR [--rounds N] [--shipped]\n");
        return 64;
    }

    Loaded loaded;
    std::wstring error;
    win32::Win32System sys;
    win32::ProgramLanguageResources resources(sys);
    auto sigdb = win32::LoadResourceBytes(L"SIGDB", 1);
    if (!startup::LoadEnglish(resources, loaded.language, error) || !sigdb || !ReadDatabase(*sigdb, loaded.db, error) ||
        (synthetic && !bench::GrowToOriginalSize(loaded.db))) {
        std::fprintf(stderr, "bench: the bound translation or database is missing or refused\n");
        return 2;
    }
    const Translation& translation = loaded.language.translation;

    AnsweringWindow window(loaded.language);
    {
        bench::QuietHost probeHost;
        Engine probe(sys, probeHost, translation);
        if (!MergeDatabase(loaded.db, probe, error)) return 2;
        std::printf("database: %s, %zu names, %zu digests, %zu hosts\n", synthetic ? "synthetic 6.70-size" : "shipped",
                    probe.InfectionNames.size(), probe.MD5Hashes.size(), probe.lstHostInfections.Count());
    }
    if (!window.Open()) return 2;
    window.FinishUpdateCheck();

    std::vector<double> quiet, shown;
    std::size_t quietLines = 0, shownLines = 0;
    for (int r = 0; r < rounds; ++r) {
        {
            bench::QuietHost host;
            Engine e(sys, host, translation);
            MergeDatabase(loaded.db, e, error);
            RunOutcome outcome;
            quiet.push_back(TimedRun(e, folder, outcome));
            quietLines = host.LineCount();
        }
        {
            Engine e(sys, window, translation);
            MergeDatabase(loaded.db, e, error);
            window.Attach(e);
            window.DisableGUI();
            RunOutcome outcome;
            shown.push_back(TimedRun(e, folder, outcome));
            const std::wstring details = window.DetailsText();
            shownLines = static_cast<std::size_t>(std::count(details.begin(), details.end(), L'\n')) + 1;
        }
        std::printf("round %d: no window %.0f ms, window %.0f ms\n", r + 1, quiet.back(), shown.back());
    }
    const double bestQuiet = *std::min_element(quiet.begin(), quiet.end());
    const double bestShown = *std::min_element(shown.begin(), shown.end());
    std::printf("whole run, best of %d: no window %.0f ms (%zu lines), in the window %.0f ms (%zu lines); "
                "the window adds %.1f%%\n",
                rounds, bestQuiet, quietLines, bestShown, shownLines, (bestShown / bestQuiet - 1.0) * 100.0);
    PROCESS_MEMORY_COUNTERS pmc{};
    pmc.cb = sizeof(pmc);
    GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof(pmc));
    std::printf("peak working set: %.1f MB\n", static_cast<double>(pmc.PeakWorkingSetSize) / (1024.0 * 1024.0));
    return 0;
}
