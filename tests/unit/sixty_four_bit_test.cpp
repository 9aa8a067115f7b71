// What a cleaning run covers on 64-bit Windows beyond the documented keys and folders: the 32-bit
// registry view and system folder, RunOnce, the other accounts' hives and the Winlogon values.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "engine/run.h"
#include "tests/unit/stage_bench.h"

namespace pell {
namespace {

using test::Fault;
using test::Op;
using Lines = std::vector<std::wstring>;

const std::wstring kCv = L"Software\\Microsoft\\Windows\\CurrentVersion\\";
const std::wstring kCv32 = L"Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\";
const std::wstring kWinlogon = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
const std::wstring kSysWow64 = L"C:\\WINDOWS\\SysWOW64";
const std::wstring kSelf = L"S-1-5-21-1-2-3-1000";   // the fake's own account, reached as HKCU
const std::wstring kOther = L"S-1-5-21-9-9-9-1001";  // the infected user, whose hive is loaded under HKU
const std::wstring kUserinit = L"C:\\WINDOWS\\system32\\userinit.exe,";

std::wstring Removed(const std::wstring& text) { return L"Found " + text + L" ...Removed"; }
std::wstring NotRemoved(const std::wstring& text) { return L"Found " + text + L" ...Unable To Remove!!"; }

struct Value {
    RegRoot root;
    std::wstring key, name;
    std::optional<std::wstring> data;  // nullopt: the value is (expected to be) absent
};

// A 64-bit machine with the keys every Windows has; "explorer" and "userinit" are listed worm names, so
// the genuine programs must be spared by their place, not by the lists.
struct SixtyFourBit : test::StageBench {
    SixtyFourBit() {
        machine.SetSystemWow64Directory(kSysWow64);
        e.folders.SystemWow64Dir = kSysWow64;
        e.InfectionNames = {L"wrm", L"msnworm", L"explorer", L"userinit", L"rundll32", L"dllhost", L"ctfmon"};
        machine.PlantKey(RegRoot::LocalMachine, kCv + L"Run");
        machine.PlantKey(RegRoot::LocalMachine, kCv + L"RunServices");
        machine.PlantKey(RegRoot::CurrentUser, kCv + L"Run");
    }
    void Plant(const Value& v) { machine.PlantString(v.root, v.key, v.name, *v.data); }
    std::optional<std::wstring> Read(const Value& v) { return machine.StringValue(v.root, v.key, v.name); }
    // The autorun stages of a run, in its order.
    void RunAutorunStages() {
        for (auto stage : {CleanMachineRun, CleanUserRun, CleanRunServices, CleanRunOnce, CleanOtherUsersRun,
                           CleanWinlogon})
            stage(e, flags);
    }
};

struct KeyRow {
    const char* what;
    std::vector<Value> planted;
    std::vector<Fault> faults;
    Lines lines;
    std::vector<Value> after;  // values and their data once the stages ran
    bool registryError = false;
};

const std::vector<KeyRow>& KeyRows() {
    const std::wstring m32 = L"HKLM\\..\\Wow6432Node\\..\\";
    const std::wstring hku = L"HKU\\" + kOther + L"\\..\\";
    const Value run32{RegRoot::LocalMachine, kCv32 + L"Run", L"W", L"\"C:\\x\\wrm.exe\" /s"};
    static const std::vector<KeyRow> rows = {
        {"a worm only in the 32-bit Run view", {run32}, {},
         {Removed(m32 + L"Run\\W = C:\\x\\wrm.exe")}, {{RegRoot::LocalMachine, kCv32 + L"Run", L"W", {}}}},
        {"the same worm in both views, the 64-bit one first",
         {{RegRoot::LocalMachine, kCv + L"Run", L"W", L"C:\\x\\wrm.exe"}, run32}, {},
         {Removed(L"HKLM\\..\\Run\\W = C:\\x\\wrm.exe"), Removed(m32 + L"Run\\W = C:\\x\\wrm.exe")},
         {{RegRoot::LocalMachine, kCv + L"Run", L"W", {}}, {RegRoot::LocalMachine, kCv32 + L"Run", L"W", {}}}},
        {"a worm in the 32-bit RunServices view",
         {{RegRoot::LocalMachine, kCv32 + L"RunServices", L"S", L"C:\\x\\msnworm.exe -q"}}, {},
         {Removed(m32 + L"RunServices\\S=C:\\x\\msnworm.exe")},
         {{RegRoot::LocalMachine, kCv32 + L"RunServices", L"S", {}}}},
        {"a 32-bit Run key that refuses aborts the run", {run32},
         {{Op::RegOpenKey, L"HKLM\\" + kCv32 + L"Run", code::AccessDenied}}, {}, {run32}, true},
        {"a 32-bit RunServices key that refuses is reported as its twin is", {},
         {{Op::RegOpenKey, L"HKLM\\" + kCv32 + L"RunServices", code::AccessDenied}},
         {L"Unable to open RunServices Registry"}, {}},
        {"RunOnce of the machine, in both views, and of the user",
         {{RegRoot::LocalMachine, kCv + L"RunOnce", L"A", L"C:\\x\\wrm.exe"},
          {RegRoot::LocalMachine, kCv32 + L"RunOnce", L"B", L"C:\\x\\wrm.exe"},
          {RegRoot::CurrentUser, kCv + L"RunOnce", L"C", L"C:\\x\\msnworm.exe"}},
         {},
         {Removed(L"HKLM\\..\\RunOnce\\A = C:\\x\\wrm.exe"), Removed(m32 + L"RunOnce\\B = C:\\x\\wrm.exe"),
          Removed(L"HKCU\\..\\RunOnce\\C = C:\\x\\msnworm.exe")},
         {{RegRoot::LocalMachine, kCv + L"RunOnce", L"A", {}}, {RegRoot::LocalMachine, kCv32 + L"RunOnce", L"B", {}},
          {RegRoot::CurrentUser, kCv + L"RunOnce", L"C", {}}}},
        {"a RunOnce key that refuses aborts the run", {},
         {{Op::RegOpenKey, L"HKCU\\" + kCv + L"RunOnce", code::AccessDenied}}, {}, {}, true},
        {"another user's Run and RunOnce; this account's hive, the classes hive and .DEFAULT are not walked",
         {{RegRoot::Users, kOther + L"\\" + kCv + L"Run", L"U", L"C:\\x\\wrm.exe /go"},
          {RegRoot::Users, kOther + L"\\" + kCv + L"RunOnce", L"V", L"C:\\x\\msnworm.com"},
          {RegRoot::Users, kSelf + L"\\" + kCv + L"Run", L"U", L"C:\\x\\wrm.exe"},
          {RegRoot::Users, kOther + L"_Classes\\" + kCv + L"Run", L"U", L"C:\\x\\wrm.exe"},
          {RegRoot::Users, L".DEFAULT\\" + kCv + L"Run", L"U", L"C:\\x\\wrm.exe"}},
         {},
         {Removed(hku + L"Run\\U = C:\\x\\wrm.exe"), Removed(hku + L"RunOnce\\V=C:\\x\\msnworm.com")},
         {{RegRoot::Users, kOther + L"\\" + kCv + L"Run", L"U", {}},
          {RegRoot::Users, kOther + L"\\" + kCv + L"RunOnce", L"V", {}},
          {RegRoot::Users, kSelf + L"\\" + kCv + L"Run", L"U", L"C:\\x\\wrm.exe"},
          {RegRoot::Users, kOther + L"_Classes\\" + kCv + L"Run", L"U", L"C:\\x\\wrm.exe"},
          {RegRoot::Users, L".DEFAULT\\" + kCv + L"Run", L"U", L"C:\\x\\wrm.exe"}}},
        {"Shell with one worm appended",
         {{RegRoot::LocalMachine, kWinlogon, L"Shell", L"explorer.exe C:\\WINDOWS\\system32\\wrm.exe"}}, {},
         {Removed(L"HKLM\\..\\Winlogon\\Shell = explorer.exe C:\\WINDOWS\\system32\\wrm.exe")},
         {{RegRoot::LocalMachine, kWinlogon, L"Shell", L"explorer.exe"}}},
        {"Shell with two worms, one quoted with a blank in its path",
         {{RegRoot::LocalMachine, kWinlogon, L"Shell", L"C:\\x\\wrm.exe, explorer.exe \"C:\\Program Files\\msnworm.exe\""}},
         {},
         {Removed(L"HKLM\\..\\Winlogon\\Shell = C:\\x\\wrm.exe, explorer.exe \"C:\\Program Files\\msnworm.exe\"")},
         {{RegRoot::LocalMachine, kWinlogon, L"Shell", L"explorer.exe"}}},
        {"Userinit with two worms keeps its own program and comma",
         {{RegRoot::LocalMachine, kWinlogon, L"Userinit", kUserinit + L"C:\\x\\wrm.exe,C:\\y\\msnworm.exe,"}}, {},
         {Removed(L"HKLM\\..\\Winlogon\\Userinit = " + kUserinit + L"C:\\x\\wrm.exe,C:\\y\\msnworm.exe,")},
         {{RegRoot::LocalMachine, kWinlogon, L"Userinit", kUserinit}}},
        {"values holding only a worm get their defaults, in both roots",
         {{RegRoot::LocalMachine, kWinlogon, L"Shell", L"C:\\WINDOWS\\system\\explorer.exe"},
          {RegRoot::LocalMachine, kWinlogon, L"Userinit", L"C:\\x\\wrm.exe"},
          {RegRoot::CurrentUser, kWinlogon, L"Shell", L"wrm.exe"}},
         {},
         {Removed(L"HKLM\\..\\Winlogon\\Shell = C:\\WINDOWS\\system\\explorer.exe"),
          Removed(L"HKLM\\..\\Winlogon\\Userinit = C:\\x\\wrm.exe"), Removed(L"HKCU\\..\\Winlogon\\Shell = wrm.exe")},
         {{RegRoot::LocalMachine, kWinlogon, L"Shell", L"explorer.exe"},
          {RegRoot::LocalMachine, kWinlogon, L"Userinit", kUserinit},
          {RegRoot::CurrentUser, kWinlogon, L"Shell", L"explorer.exe"}}},
        {"a Shell value that cannot be rewritten aborts the run and stays as it was",
         {{RegRoot::LocalMachine, kWinlogon, L"Shell", L"explorer.exe wrm.exe"}},
         {{Op::RegSetValue, L"Shell", code::AccessDenied}},
         {NotRemoved(L"HKLM\\..\\Winlogon\\Shell = explorer.exe wrm.exe")},
         {{RegRoot::LocalMachine, kWinlogon, L"Shell", L"explorer.exe wrm.exe"}}, true},
    };
    return rows;
}

TEST(SixtyFourBitKeys, EachKeyAndViewIsCleanedWithItsLabel) {
    for (const KeyRow& row : KeyRows()) {
        SCOPED_TRACE(row.what);
        SixtyFourBit m;
        for (const Value& v : row.planted) m.Plant(v);
        for (const Fault& f : row.faults) m.machine.InjectFault(f);
        m.RunAutorunStages();
        EXPECT_EQ(m.Reported(), row.lines);
        EXPECT_EQ(m.flags.RegistryError, row.registryError);
        EXPECT_EQ(m.flags.EntryRemoved, !row.lines.empty() && row.lines[0].rfind(L"Found ", 0) == 0);
        for (const Value& v : row.after) EXPECT_EQ(m.Read(v), v.data) << WideToUtf8(v.key + L"\\" + v.name);
        EXPECT_EQ(m.machine.OpenHandleCount(), 0u);
    }
}

TEST(SixtyFourBitKeys, SmartScanIdentifiesAProgramOfThe32BitView) {
    SixtyFourBit m;
    m.machine.PlantFile(L"C:\\x\\newworm.exe", "a worm no list names");
    const std::string digest = test::Md5Hex("a worm no list names");
    m.e.MD5Hashes = {std::wstring(digest.begin(), digest.end())};
    m.Plant({RegRoot::LocalMachine, kCv32 + L"Run", L"N", L"C:\\x\\newworm.exe"});
    SmartScan(m.e);
    EXPECT_EQ(m.e.InfectionNames.back(), L"newworm");
    EXPECT_EQ(m.e.lstIdentifiedByMD5.Count(), 1u);
    const Lines lines = m.Reported();
    EXPECT_NE(std::find(lines.begin(), lines.end(), L"newworm.exe ...Identified"), lines.end());
}

// One process scan: the 32-bit twins of genuine programs are spared where their 64-bit ones would be, a
// worm file in the 32-bit system folder goes (backed up) right after its 64-bit twin.
TEST(SixtyFourBitFiles, SysWow64IsASystemFolderAndAFolderOfTheFilePass) {
    SixtyFourBit m;
    const std::uint32_t spared[] = {m.machine.AddProcess(kSysWow64 + L"\\rundll32.exe"),
                                    m.machine.AddProcess(kSysWow64 + L"\\dllhost.exe"),
                                    m.machine.AddProcess(kSysWow64 + L"\\ctfmon.exe")};
    const std::uint32_t worm = m.machine.AddProcess(L"C:\\Temp\\rundll32.exe");
    m.machine.PlantFile(L"C:\\WINDOWS\\system32\\wrm.exe", "worm 64");
    m.machine.PlantFile(kSysWow64 + L"\\wrm.exe", "worm 32");
    m.machine.PlantFile(kSysWow64 + L"\\explorer.exe", "the genuine 32-bit Explorer");
    EXPECT_TRUE(ScanProcesses(m.e));
    for (std::uint32_t pid : spared) EXPECT_TRUE(m.machine.ProcessRunning(pid));
    EXPECT_FALSE(m.machine.ProcessRunning(worm));
    const Lines expected = {L"Looking For Virus Processes...", L"RUNDLL32.EXE ...Terminated",
                            L"Looking for Virus Files...", L"Successfully backed up \"wrm.exe\"",
                            Removed(L"C:\\WINDOWS\\system32\\wrm.exe"), L"Successfully backed up \"wrm.exe\"",
                            Removed(kSysWow64 + L"\\wrm.exe")};
    EXPECT_EQ(m.Reported(), expected);
    EXPECT_EQ(m.machine.FileBytes(L"D:\\Logs\\wrm.exe.back"), "worm 64");
    EXPECT_EQ(m.machine.FileBytes(L"D:\\Logs\\wrm.exe (2).back"), "worm 32");
    EXPECT_TRUE(m.machine.FileExists(kSysWow64 + L"\\explorer.exe"));
}

// A clean 64-bit machine, genuine entries in every added place, is left exactly as it was.
TEST(SixtyFourBitMachine, ACleanMachineIsUnchanged) {
    SixtyFourBit m;
    for (const Value& v : std::vector<Value>{
             {RegRoot::LocalMachine, kCv + L"Run", L"SecurityHealth", L"C:\\WINDOWS\\system32\\SecurityHealthSystray.exe"},
             {RegRoot::LocalMachine, kCv32 + L"Run", L"Reader", L"\"C:\\Program Files (x86)\\Adobe\\reader_sl.exe\""},
             {RegRoot::LocalMachine, kCv32 + L"RunServices", L"Tool", L"C:\\tools\\agent.exe"},
             {RegRoot::LocalMachine, kCv + L"RunOnce", L"Setup", L"C:\\setup\\finish.exe /quiet"},
             {RegRoot::CurrentUser, kCv + L"RunOnce", L"Fix", L"C:\\tools\\fix.exe"},
             {RegRoot::Users, kOther + L"\\" + kCv + L"Run", L"OneDrive", L"C:\\Users\\b\\OneDrive.exe /background"},
             {RegRoot::LocalMachine, kWinlogon, L"Shell", L"explorer.exe"},
             {RegRoot::LocalMachine, kWinlogon, L"Userinit", kUserinit},
             {RegRoot::CurrentUser, kWinlogon, L"Shell", L"C:\\WINDOWS\\explorer.exe"},
         })
        m.Plant(v);
    for (const wchar_t* genuine : {L"rundll32.exe", L"dllhost.exe", L"ctfmon.exe", L"explorer.exe"})
        m.machine.PlantFile(kSysWow64 + L"\\" + genuine, "genuine");
    const std::uint32_t pid = m.machine.AddProcess(kSysWow64 + L"\\rundll32.exe");
    const std::wstring registry = m.machine.RegistryDump();
    const std::vector<std::wstring> files = m.machine.AllFiles();

    SmartScan(m.e);
    ScanProcesses(m.e);
    m.RunAutorunStages();

    EXPECT_EQ(m.machine.RegistryDump(), registry);
    EXPECT_EQ(m.machine.AllFiles(), files);
    EXPECT_TRUE(m.machine.ProcessRunning(pid));
    EXPECT_FALSE(m.flags.EntryRemoved);
    EXPECT_FALSE(m.flags.RegistryError);
    for (const std::wstring& line : m.Reported()) EXPECT_EQ(line.find(L"Found"), std::wstring::npos) << WideToUtf8(line);
}

// The run takes the 32-bit system folder from the system, and only when it is a folder of its own.
TEST(SixtyFourBitMachine, TheRunSetsThe32BitSystemFolder) {
    const struct {
        const wchar_t* wow64;
        const wchar_t* expected;
    } cases[] = {{L"C:\\WINDOWS\\SysWOW64", L"C:\\WINDOWS\\SysWOW64"}, {L"", L""}, {L"c:\\windows\\SYSTEM32", L""}};
    for (const auto& c : cases) {
        SixtyFourBit m;
        m.machine.SetSystemWow64Directory(c.wow64);
        m.machine.PlantKey(RegRoot::LocalMachine, L"System\\CurrentControlSet\\Services");
        RunStages stages;
        stages.smartScan = [](Engine&) {};
        stages.scanServices = [](Engine&) { return false; };
        stages.scanProcesses = [](Engine&) { return false; };
        RunCleaning(m.e, stages);
        EXPECT_EQ(m.e.folders.SystemWow64Dir, c.expected);
    }
}

}  // namespace
}  // namespace pell
