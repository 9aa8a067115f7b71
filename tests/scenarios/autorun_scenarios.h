// The autorun, policy and hosts stages written once over Planter and System, run against the fake
// machine (natively) and the real one (under Wine).
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "engine/stages.h"
#include "tests/fake/planter.h"
#include "tests/fake/test_host.h"

namespace pell::test {

// Line n of this translation is "[n] %%", so a details line shows which line was chosen and its argument.
inline const Translation& NumberedTranslation() {
    static const Translation t = [] {
        std::wstring text;
        for (int n = 1; n <= Translation::kLineCount; ++n) text += L"[" + std::to_wstring(n) + L"] %%\r\n";
        Translation out;
        std::wstring error;
        EXPECT_TRUE(Translation::Parse(text, out, error));
        return out;
    }();
    return t;
}

struct ScenarioRun {
    ScenarioRun(System& sys, const std::wstring& folder) : e(sys, host, NumberedTranslation()) {
        std::wstring systemDir;
        sys.GetSystemDirectory(systemDir);
        e.folders.SystemDir = systemDir;
        e.folders.WindowsDir = systemDir.substr(0, systemDir.rfind(L'\\'));
        e.folders.LogFolder = folder + L"\\";
    }
    // The appended details lines (the box starts empty).
    std::vector<std::wstring> Reported() const {
        auto lines = host.Lines();
        lines.erase(lines.begin());
        return lines;
    }
    TestHost host;
    Engine e;
    RunFlags flags;
};

inline const std::wstring kScenarioRunKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline const std::wstring kScenarioRunServicesKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\RunServices";

// Worm values in the machine-wide Run key, the per-user Run key and RunServices are deleted and
// reported; the genuine values beside them stay.
inline void AutorunStagesRemoveWormValues(Planter& planter, System& sys, const std::wstring& folder) {
    planter.PlantFolder(folder);
    const std::wstring worm = folder + L"\\pellwrm.exe";
    planter.PlantString(RegRoot::LocalMachine, kScenarioRunKey, L"PellWorm", worm + L" /start");
    planter.PlantString(RegRoot::LocalMachine, kScenarioRunKey, L"PellKeep", folder + L"\\mypellwrm.exe");
    planter.PlantString(RegRoot::CurrentUser, kScenarioRunKey, L"PellWormUser", L"\"" + worm + L"\" -hide");
    planter.PlantString(RegRoot::CurrentUser, kScenarioRunKey, L"PellWormCom", folder + L"\\PELLWRM.COM");
    planter.PlantString(RegRoot::CurrentUser, kScenarioRunKey, L"PellTray", L"rundll32.exe pelltray.dll,Start");
    planter.PlantString(RegRoot::LocalMachine, kScenarioRunServicesKey, L"PellWormSvc", L"pellwrm.exe -service");

    ScenarioRun run(sys, folder);
    run.e.InfectionNames = {L"pellwrm"};
    CleanMachineRun(run.e, run.flags);
    CleanUserRun(run.e, run.flags);
    CleanRunServices(run.e, run.flags);

    EXPECT_TRUE(run.flags.EntryRemoved);
    EXPECT_FALSE(run.flags.RegistryError);
    // Each key is examined in the order the registry lists its values, which the real registry does not
    // promise to be the order of creation.
    std::vector<std::wstring> reported = run.Reported();
    std::vector<std::wstring> expected = {
        L"[32] HKLM\\..\\Run\\PellWorm = " + worm,
        L"[32] HKCU\\..\\Run\\PellWormUser = " + worm,
        L"[32] HKCU\\..\\Run\\PellWormCom=" + folder + L"\\PELLWRM.COM",
        L"[32] HKLM\\..\\RunServices\\PellWormSvc=pellwrm.exe",
    };
    std::sort(reported.begin(), reported.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(reported, expected);
    EXPECT_FALSE(planter.ValueExists(RegRoot::LocalMachine, kScenarioRunKey, L"PellWorm"));
    EXPECT_FALSE(planter.ValueExists(RegRoot::CurrentUser, kScenarioRunKey, L"PellWormUser"));
    EXPECT_FALSE(planter.ValueExists(RegRoot::CurrentUser, kScenarioRunKey, L"PellWormCom"));
    EXPECT_FALSE(planter.ValueExists(RegRoot::LocalMachine, kScenarioRunServicesKey, L"PellWormSvc"));
    EXPECT_TRUE(planter.ValueExists(RegRoot::LocalMachine, kScenarioRunKey, L"PellKeep"));
    EXPECT_TRUE(planter.ValueExists(RegRoot::CurrentUser, kScenarioRunKey, L"PellTray"));
}

// Every policy value of the table is deleted; other values of the same keys stay.
inline void PoliciesAreRestored(Planter& planter, System& sys, const std::wstring& folder) {
    struct Policy {
        RegRoot root;
        std::wstring key, value;
        bool deleted;
    };
    const std::wstring explorer = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
    const std::wstring system = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
    const std::vector<Policy> policies = {
        {RegRoot::CurrentUser, explorer, L"NoFolderOptions", true},
        {RegRoot::CurrentUser, explorer, L"NoRun", true},
        {RegRoot::CurrentUser, explorer, L"PellNoDrives", false},
        {RegRoot::CurrentUser, system, L"DisableTaskMgr", true},
        {RegRoot::CurrentUser, system, L"DisableRegistryTools", true},
        {RegRoot::CurrentUser, L"Software\\Microsoft\\Windows\\System", L"DisableCMD", true},
        {RegRoot::LocalMachine, L"Software\\Policies\\Microsoft\\Windows NT\\SystemRestore", L"DisableConfig", true},
    };
    for (const Policy& p : policies) planter.PlantDword(p.root, p.key, p.value, 1);
    ScenarioRun run(sys, folder);
    RestorePolicies(run.e);
    for (const Policy& p : policies)
        EXPECT_EQ(planter.ValueExists(p.root, p.key, p.value), !p.deleted) << std::string(p.value.begin(), p.value.end());
    EXPECT_TRUE(run.Reported().empty());
}

// A read-only hosts file with a worm line, under `systemDir`: the line is reported and dropped, the other
// lines stay, the original is kept in the log folder, and no temporary file is left.
inline void HostsFileIsCleaned(Planter& planter, System& sys, const std::wstring& systemDir,
                               const std::wstring& folder) {
    planter.PlantFolder(folder);
    const std::wstring hostsPath = systemDir + L"\\drivers\\etc\\hosts";
    const std::string before = "127.0.0.1 localhost\r\n127.0.0.1 www.pellvendor.example\r\n# kept\r\n";
    planter.PlantFile(hostsPath, before, kAttributeReadOnly);

    ScenarioRun run(sys, folder);
    run.e.folders.SystemDir = systemDir;
    run.e.lstHostInfections.Append(L"PellVendor.example");
    CleanHostsFile(run.e);

    EXPECT_EQ(planter.FileBytes(hostsPath), std::string("127.0.0.1 localhost\r\n# kept\r\n\r\n"));
    EXPECT_EQ(run.Reported(), std::vector<std::wstring>{L"[37] 127.0.0.1 www.pellvendor.example"});
    EXPECT_EQ(planter.FileBytes(folder + L"\\hosts.back"), before);
    EXPECT_FALSE(planter.FileExists(hostsPath + L".pellworth-new"));
    EXPECT_EQ(sys.GetFileAttributes(hostsPath) & kAttributeReadOnly, 0u);
}

}  // namespace pell::test
