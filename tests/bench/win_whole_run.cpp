// Times one whole cleaning run on the real machine (under Wine: the prefix it runs in), with the shipped
// signature database or with a synthetic one of database 6.70's size (6640 names, 4983 digests, 561
// hosts), and indexes the file pass against the literal per-path probing; prints the figures.
//
// usage: win_whole_run.exe [--synthetic] [--log-folder DIR] [--extra-detections FILE]
//
// The run is the program's own run (RunCleaning with its real stages). The process scan's file pass is
// then timed again on the machine the run left behind, once as the program makes it (one listing per
// folder) and once literally (every path of every name handed to BackUpAndDelete); the removals
// themselves are the same work in both, so the run with literal probing takes the run's time minus the
// indexed pass plus the literal one.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "base/files.h"
#include "base/product.h"
#include "engine/run.h"
#include "base/text.h"
#include "i18n/details.h"
#include "i18n/translation.h"
#include "platform/win32/program_resources.h"
#include "platform/win32/win32_api.h"
#include "platform/win32/win32_system.h"
#include "processes/file_groups.h"
#include "engine/file_pass.h"
#include "engine/process_utils.h"
#include "signatures/database.h"
#include "tests/bench/bench_support.h"
#include "tests/reference/literal_file_pass.h"

namespace {

using namespace pell;
using bench::QuietHost;
using bench::GrowToOriginalSize;
using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Peak(PROCESS_MEMORY_COUNTERS& pmc) {
    pmc = {};
    pmc.cb = sizeof(pmc);
    GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof(pmc));
    return static_cast<double>(pmc.PeakWorkingSetSize) / (1024.0 * 1024.0);
}

const char* OutcomeName(RunOutcome o) {
    switch (o) {
    case RunOutcome::NothingFound: return "nothing found";
    case RunOutcome::Removed: return "removed";
    case RunOutcome::Aborted: return "aborted";
    case RunOutcome::ProgramEnded: return "program ended";
    }
    return "?";
}

}  // namespace

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::vector<std::wstring> args;
    for (int i = 1; argv != nullptr && i < argc; ++i) args.emplace_back(argv[i]);
    LocalFree(argv);
    bool synthetic = false;
    std::wstring logFolder, extraFile;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == L"--synthetic") synthetic = true;
        else if (args[i] == L"--log-folder" && i + 1 < args.size()) logFolder = args[++i];
        else if (args[i] == L"--extra-detections" && i + 1 < args.size()) extraFile = args[++i];
        else {
            std::fprintf(stderr, "usage: win_whole_run.exe [--synthetic] [--log-folder DIR] [--extra-detections FILE]\n");
            return 64;
        }
    }
    if (!logFolder.empty() && logFolder.back() != L'\\') logFolder += L'\\';

    auto lang = win32::LoadResourceBytes(L"LANGUAGE", 106);
    auto sigdb = win32::LoadResourceBytes(L"SIGDB", 1);
    Translation translation;
    std::wstring error;
    if (!lang || !Translation::Parse(Cp1252ToWide(*lang), translation, error) || !sigdb) {
        std::fprintf(stderr, "bench: the bound translation or database is missing\n");
        return 2;
    }
    win32::Win32System sys;
    QuietHost host;
    Engine e(sys, host, translation);

    auto loadStart = Clock::now();
    SignatureDatabase db;
    if (!ReadDatabase(*sigdb, db, error) || (synthetic && !GrowToOriginalSize(db)) || !MergeDatabase(db, e, error)) {
        std::fprintf(stderr, "bench: database refused: %s\n", WideToUtf8(error).c_str());
        return 2;
    }
    double loadMs = Ms(Clock::now() - loadStart);
    if (!extraFile.empty()) {
        std::string text;
        if (!ReadWholeFile(sys, extraFile, text)) {
            std::fprintf(stderr, "bench: cannot read %s\n", WideToUtf8(extraFile).c_str());
            return 2;
        }
        std::vector<std::wstring> rejected;
        AppendExtraDetections(e, text, rejected);
    }
    std::printf("database: %s, %zu names, %zu digests, %zu hosts (load and merge %.1f ms)\n",
                synthetic ? "synthetic 6.70-size" : "shipped", e.InfectionNames.size(), e.MD5Hashes.size(),
                e.lstHostInfections.Count(), loadMs);

    // The run as START makes it, with the folder given.
    e.folders.LogFolder = logFolder;
    e.lstKeys.Clear();
    e.Details(status::StartingScan);
    auto runStart = Clock::now();
    RunOutcome outcome = RunCleaning(e);
    double runMs = Ms(Clock::now() - runStart);
    PROCESS_MEMORY_COUNTERS pmc;
    double peakMb = Peak(pmc);
    std::printf("whole run: %.0f ms, outcome %s, %zu details lines, peak working set %.1f MB\n", runMs,
                OutcomeName(outcome), host.LineCount(), peakMb);

    // The file pass alone on the machine the run left: indexed (twice, the better one counts), literal.
    std::wstring before = host.DetailsText();
    auto time = [&](void (*pass)(Engine&)) {
        auto t = Clock::now();
        pass(e);
        return Ms(Clock::now() - t);
    };
    double indexed1 = time(RemoveWormFiles);
    double literal = time(test::LiteralFilePass);
    double indexed2 = time(RemoveWormFiles);
    double indexed = std::min(indexed1, indexed2);
    bool quiet = host.DetailsText() == before;
    std::printf("file pass, %zu names: indexed %.1f ms, literal per-path %.1f ms, ratio %.1fx%s\n",
                e.InfectionNames.size(), indexed, literal, indexed > 0 ? literal / indexed : 0.0,
                quiet ? "" : " (the passes after the run still found files!)");
    double literalRun = runMs - indexed + literal;
    std::printf("whole run with literal probing: %.0f ms; indexed run %.0f ms; ratio %.1fx\n", literalRun, runMs,
                runMs > 0 ? literalRun / runMs : 0.0);
    std::printf("peak working set at exit: %.1f MB\n", Peak(pmc));
    return 0;
}
