// Figures for the autorun stages and the hosts stage at the database's real sizes: the worm-name index
// against the walk over every name, a whole Run stage, and a large hosts file.
#include <chrono>
#include <cstdio>
#include <random>

#include "engine/engine.h"
#include "engine/run_entry.h"
#include "engine/stages.h"
#include "base/text.h"
#include "tests/fake/fake_machine.h"
#include "tests/fake/test_host.h"

using namespace pell;

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

std::wstring RandomName(std::mt19937& rng) {
    std::wstring n;
    std::size_t len = 4 + rng() % 8;
    for (std::size_t i = 0; i < len; ++i) n.push_back(static_cast<wchar_t>(L'a' + rng() % 26));
    return n;
}

// A translation of 40 placeholder lines: the stages need one to write their lines, not its words.
Translation PlaceholderTranslation() {
    Translation t;
    std::wstring error;
    std::wstring text;
    for (int i = 1; i <= 40; ++i) text += L"line " + std::to_wstring(i) + L"\r\n";
    Translation::Parse(text, t, error);
    return t;
}

// The rule as written, for the baseline.
bool WalkNames(const std::vector<std::wstring>& names, const std::wstring& command, const std::wstring& fileName) {
    for (const auto& n : names) {
        if (Contains(command, n + L".exe") && fileName.size() == n.size() + 4) return true;
        if (Contains(command, n + L".com") && fileName.size() == n.size() + 4) return true;
    }
    return false;
}

}  // namespace

int main() {
    std::mt19937 rng(406);
    std::vector<std::wstring> names;
    for (int i = 0; i < 6640; ++i) names.push_back(RandomName(rng));

    // 1. One lookup per command: index against walk.
    std::vector<std::wstring> commands;
    for (int i = 0; i < 200; ++i)
        commands.push_back(L"C:\\Program Files\\Vendor " + std::to_wstring(i) + L"\\" +
                           (i % 10 == 0 ? names[rng() % names.size()] : RandomName(rng)) + L".exe");
    const WormNameIndex index(names);
    auto t0 = std::chrono::steady_clock::now();
    int walkHits = 0;
    for (const auto& c : commands) walkHits += WalkNames(names, c, FileNameOf(c));
    double walk = Seconds(t0);
    t0 = std::chrono::steady_clock::now();
    int indexHits = 0;
    for (int round = 0; round < 100; ++round)
        for (const auto& c : commands) indexHits += index.FirstMatch(c, FileNameOf(c)).has_value();
    double indexed = Seconds(t0) / 100;
    std::printf("worm-name test, %zu commands x %zu names: walk %.1f ms, index %.3f ms, ratio %.0fx (hits %d/%d)\n",
                commands.size(), names.size(), walk * 1e3, indexed * 1e3, walk / indexed, walkHits, indexHits / 100);

    // 2. A whole machine-wide Run stage: 40 genuine values and 10 worm values, so 11 listings.
    {
        test::FakeMachine machine;
        test::TestHost host;
        const Translation t = PlaceholderTranslation();
        Engine e(machine, host, t);
        e.InfectionNames = names;
        e.folders.SystemDir = L"C:\\WINDOWS\\system32";
        e.folders.WindowsDir = L"C:\\WINDOWS";
        const std::wstring key = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
        for (int i = 0; i < 40; ++i)
            machine.PlantString(RegRoot::LocalMachine, key, L"app" + std::to_wstring(i),
                                L"\"C:\\Program Files\\App " + std::to_wstring(i) + L"\\" + RandomName(rng) + L".exe\" /tray");
        for (int i = 0; i < 10; ++i)
            machine.PlantString(RegRoot::LocalMachine, key, L"w" + std::to_wstring(i),
                                L"C:\\WINDOWS\\" + names[static_cast<std::size_t>(i) * 600] + L".exe");
        RunFlags flags;
        t0 = std::chrono::steady_clock::now();
        CleanMachineRun(e, flags);
        double stage = Seconds(t0);
        std::printf("machine Run stage, 50 values (10 worms), %zu names: %.1f ms, %zu listings, %zu value reads\n",
                    names.size(), stage * 1e3, machine.Calls(test::Op::RegOpenKey),
                    machine.Calls(test::Op::RegEnumValue));
    }

    // 3. A block-list sized hosts file against 561 entries.
    {
        test::FakeMachine machine;
        test::TestHost host;
        const Translation t = PlaceholderTranslation();
        Engine e(machine, host, t);
        e.folders.SystemDir = L"C:\\WINDOWS\\system32";
        for (int i = 0; i < 561; ++i) e.lstHostInfections.Append(RandomName(rng) + L".com");
        std::string hosts = "127.0.0.1 localhost\r\n";
        const int lines = 50000;
        for (int i = 0; i < lines; ++i) hosts += "0.0.0.0 ads" + std::to_string(i) + ".tracker-example.net\r\n";
        hosts += "0.0.0.0 " + WideToCp1252(e.lstHostInfections.Item(7)) + "\r\n";
        machine.PlantFile(e.folders.SystemDir + L"\\drivers\\etc\\hosts", hosts);
        t0 = std::chrono::steady_clock::now();
        CleanHostsFile(e);
        double stage = Seconds(t0);
        // Baseline: the same comparisons through the per-call case-insensitive test.
        t0 = std::chrono::steady_clock::now();
        const int sample = 2000;
        std::size_t found = 0;
        for (int i = 0; i < sample; ++i) {
            std::wstring line = L"0.0.0.0 ads" + std::to_wstring(i) + L".tracker-example.net";
            for (const auto& entry : e.lstHostInfections.Items()) found += Contains(line, entry);
        }
        double perLineContains = Seconds(t0) / sample;
        std::printf("hosts stage, %d lines x 561 entries: %.0f ms (%.1f us/line); per-call contains would take "
                    "%.1f us/line, ratio %.1fx\n",
                    lines + 2, stage * 1e3, stage / (lines + 2) * 1e6, perLineContains * 1e6,
                    perLineContains / (stage / (lines + 2)));
    }
    return 0;
}
