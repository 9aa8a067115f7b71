// Benchmark under Wine: the process scan's file pass over a clean machine, the indexed pass against the
// literal per-path pass, with the shipped database's names and with 6640 synthetic ones. Prints figures.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "base/files.h"
#include "base/text.h"
#include "platform/win32/program_resources.h"
#include "platform/win32/win32_system.h"
#include "processes/file_groups.h"
#include "engine/file_pass.h"
#include "signatures/database.h"
#include "tests/fake/test_host.h"
#include "tests/reference/literal_file_pass.h"
#include "tests/win32/wine_setup.h"

namespace pell {
namespace {

using Clock = std::chrono::steady_clock;

bool ShippedNames(System& sys, Host& host, const Translation& t, std::vector<std::wstring>& names) {
    auto bytes = win32::LoadResourceBytes(L"SIGDB", 1);
    if (!bytes) return false;
    SignatureDatabase db;
    std::wstring error;
    if (!ReadDatabase(*bytes, db, error)) return false;
    Engine e(sys, host, t);
    if (!MergeDatabase(db, e, error)) return false;
    names = e.InfectionNames;
    return !names.empty();
}

struct Timing {
    double ms = 0;
    std::wstring details;
};

// A few worm files in the system directory, the Windows folder and the temporary folder, so that both
// passes have something to find and their lines can be compared.
std::vector<std::wstring> PlantWorms(System& sys, const Folders& f, const std::vector<std::wstring>& names) {
    std::vector<std::wstring> planted = {f.SystemDir + L"\\" + names.front() + L".exe",
                                         f.WindowsDir + L"\\" + names[names.size() / 2] + L".com",
                                         f.TempPath + names.back() + L".scr"};
    for (const auto& p : planted) WriteWholeFile(sys, p, "bench worm");
    return planted;
}

// The backups the pass made (the log folder is the temporary folder) and anything it could not remove.
void CleanUp(System& sys, const Folders& f, const std::vector<std::wstring>& planted) {
    for (const auto& p : planted) {
        std::wstring shortName = p.substr(p.find_last_of(L'\\') + 1);
        sys.DeleteFile(p);
        sys.DeleteFile(f.LogFolder + shortName + L".back");
    }
}

Timing Pass(System& sys, const Translation& t, const Folders& folders, const std::vector<std::wstring>& names,
            bool indexed) {
    const std::vector<std::wstring> planted = PlantWorms(sys, folders, names);
    test::TestHost host;
    Engine e(sys, host, t);
    e.folders = folders;
    e.InfectionNames = names;
    auto start = Clock::now();
    if (indexed) {
        RemoveWormFiles(e);
    } else {
        test::LiteralFilePass(e);
    }
    Timing timing{std::chrono::duration<double, std::milli>(Clock::now() - start).count(), host.details};
    CleanUp(sys, folders, planted);
    return timing;
}

void Measure(const char* title, System& sys, const Translation& t, const Folders& folders,
             const std::vector<std::wstring>& names) {
    std::size_t paths = 0;
    for (const auto& n : names) paths += WormFilePaths(folders, n).size();
    // Alternate the two passes so that neither alone profits from a warm folder cache.
    double bestIndexed = 1e300, bestLiteral = 1e300;
    bool same = true;
    std::size_t lines = 0;
    for (int round = 0; round < 2; ++round) {
        Timing indexed = Pass(sys, t, folders, names, true);
        Timing literal = Pass(sys, t, folders, names, false);
        bestIndexed = std::min(bestIndexed, indexed.ms);
        bestLiteral = std::min(bestLiteral, literal.ms);
        lines = static_cast<std::size_t>(std::count(indexed.details.begin(), indexed.details.end(), L'\n'));
        same = same && indexed.details == literal.details && indexed.details.find(L"...Removed") != std::wstring::npos;
    }
    std::printf("%-22s names %5zu  paths %6zu  indexed %9.1f ms  literal %9.1f ms  ratio %7.1fx  same %zu lines: %s\n",
                title, names.size(), paths, bestIndexed, bestLiteral, bestLiteral / bestIndexed, lines,
                same ? "yes" : "NO");
}

}  // namespace
}  // namespace pell

int main() {
    using namespace pell;
    win32::Win32System sys;
    Translation english;
    std::wstring error;
    if (!test::LoadEnglish(english, error)) {
        std::fprintf(stderr, "no English translation bound into the benchmark\n");
        return 1;
    }
    Folders folders = test::RealFolders(sys, L"");
    folders.LogFolder = folders.TempPath;
    std::printf("SystemDir %s  TempPath %s\n", WideToUtf8(folders.SystemDir).c_str(), WideToUtf8(folders.TempPath).c_str());

    test::TestHost host;
    std::vector<std::wstring> shipped;
    if (ShippedNames(sys, host, english, shipped)) {
        Measure("shipped database", sys, english, folders, shipped);
    } else {
        std::printf("shipped database       not bound into this build\n");
    }
    std::vector<std::wstring> synthetic;
    for (int i = 0; i < 6640; ++i) synthetic.push_back(L"benchworm" + std::to_wstring(i));
    Measure("synthetic 6640 names", sys, english, folders, synthetic);
    return 0;
}
