// Benchmark under Wine: the process scan's file pass over a clean machine, the indexed pass against the
// literal per-path pass, with the shipped database's names and with 6640 synthetic ones. Prints figures.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "engine/files.h"
#include "engine/text.h"
#include "platform/win32/program_resources.h"
#include "platform/win32/win32_system.h"
#include "processes/file_groups.h"
#include "processes/file_pass.h"
#include "signatures/database.h"
#include "tests/fake/test_host.h"
#include "tests/reference/literal_file_pass.h"

namespace pell {
namespace {

using Clock = std::chrono::steady_clock;

Folders RealFolders(System& sys, const std::wstring& logFolder) {
    Folders f;
    sys.GetSystemDirectory(f.SystemDir);
    std::size_t second = f.SystemDir.find(L'\\', f.SystemDir.find(L'\\') + 1);
    f.WindowsDir = f.SystemDir.substr(0, second);
    sys.GetTempPath(f.TempPath);
    f.TempRoot = f.TempPath.substr(0, 3);
    f.LogFolder = logFolder;
    return f;
}

bool LoadEnglish(Translation& t) {
    auto bytes = win32::LoadResourceBytes(L"LANGUAGE", 106);
    std::wstring error;
    return bytes && Translation::Parse(Cp1252ToWide(*bytes), t, error);
}

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

Timing Pass(System& sys, const Translation& t, const Folders& folders, const std::vector<std::wstring>& names,
            bool indexed) {
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
    return Timing{std::chrono::duration<double, std::milli>(Clock::now() - start).count(), host.details};
}

void Measure(const char* title, System& sys, const Translation& t, const Folders& folders,
             const std::vector<std::wstring>& names) {
    std::size_t paths = 0;
    for (const auto& n : names) paths += WormFilePaths(folders, n).size();
    // Alternate the two passes so that neither alone profits from a warm folder cache.
    double bestIndexed = 1e300, bestLiteral = 1e300;
    bool same = true;
    for (int round = 0; round < 2; ++round) {
        Timing indexed = Pass(sys, t, folders, names, true);
        Timing literal = Pass(sys, t, folders, names, false);
        bestIndexed = std::min(bestIndexed, indexed.ms);
        bestLiteral = std::min(bestLiteral, literal.ms);
        same = same && indexed.details == literal.details;
    }
    std::printf("%-22s names %5zu  paths %6zu  indexed %9.1f ms  literal %9.1f ms  ratio %7.1fx  same lines: %s\n",
                title, names.size(), paths, bestIndexed, bestLiteral, bestLiteral / bestIndexed, same ? "yes" : "NO");
}

}  // namespace
}  // namespace pell

int main() {
    using namespace pell;
    win32::Win32System sys;
    Translation english;
    if (!LoadEnglish(english)) {
        std::fprintf(stderr, "no English translation bound into the benchmark\n");
        return 1;
    }
    const std::wstring log = L"C:\\pellbench\\";
    const Folders folders = RealFolders(sys, log);
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
