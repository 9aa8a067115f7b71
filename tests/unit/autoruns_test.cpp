// The autorun stages and the policy restoration on a planted machine: what each rule removes and keeps,
// what it reports, how the stages restart, and how they end.
#include <gtest/gtest.h>

#include <random>

#include "base/text.h"
#include "engine/run_entry.h"
#include "base/run_values.h"
#include "tests/unit/stage_bench.h"

namespace pell {
namespace {

using test::Fault;
using test::Op;

const std::wstring kRunKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::wstring kRunServicesKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\RunServices";
const std::wstring kRegEditManager = L"Microsoft Regestry Edit Manager";
const std::wstring kVbs = L"ntgxl2lbhmg78wvu1wz5fyo3e65y238jbhl8951a400iifkvntxl2lbh.vbs";

enum class Key { MachineRun, UserRun, RunServices };

RegRoot RootOf(Key k) { return k == Key::UserRun ? RegRoot::CurrentUser : RegRoot::LocalMachine; }
const std::wstring& PathOf(Key k) { return k == Key::RunServices ? kRunServicesKey : kRunKey; }
void RunStage(Key k, Engine& e, RunFlags& flags) {
    switch (k) {
        case Key::MachineRun: CleanMachineRun(e, flags); break;
        case Key::UserRun: CleanUserRun(e, flags); break;
        case Key::RunServices: CleanRunServices(e, flags); break;
    }
}

std::wstring Removed(const std::wstring& text) { return L"Found " + text + L" ...Removed"; }
std::wstring NotRemoved(const std::wstring& text) { return L"Found " + text + L" ...Unable To Remove!!"; }

struct AutorunBench : test::StageBench {
    Key key = Key::MachineRun;
    explicit AutorunBench(Key k, std::vector<std::wstring> names = {L"wrm", L"msnworm"}) : key(k) {
        e.InfectionNames = std::move(names);
        machine.PlantKey(RootOf(k), PathOf(k));
    }
    void Plant(const std::wstring& name, const std::wstring& data) { machine.PlantString(RootOf(key), PathOf(key), name, data); }
    bool Has(const std::wstring& name) { return machine.ValueExists(RootOf(key), PathOf(key), name); }
    void Run() { RunStage(key, e, flags); }
};

// ------------------------------------------------------------------ one value, one rule

struct RuleRow {
    const char* what;
    Key key;
    std::wstring name, data;
    std::vector<std::wstring> lines;  // appended details lines, in order
    std::vector<std::wstring> gone;   // values no longer in the key
    bool yields = false;
    std::vector<std::wstring> names{L"wrm", L"msnworm"};
};

const std::wstring M = L"HKLM\\..\\Run\\";
const std::wstring U = L"HKCU\\..\\Run\\";
const std::wstring S = L"HKLM\\..\\RunServices\\";

const std::vector<RuleRow>& RuleRows() {
    static const std::vector<RuleRow> rows = {
        // Machine-wide Run: the rule table in order.
        {"machine rundll32 other name kept", Key::MachineRun, L"Backup", L"rundll32.exe C:\\x\\wrm.exe,Start", {}, {}},
        {"machine rundll32 Windows Firewall removed, cut", Key::MachineRun, L"Windows Firewall",
         L"C:\\WINDOWS\\system32\\rundll32.exe C:\\x\\fw.dll,Start",
         {Removed(M + L"Windows Firewall=C:\\WINDOWS\\system32\\rundll32.exe")}, {L"Windows Firewall"}},
        {"machine rundll32 name is exact", Key::MachineRun, L"windows firewall", L"rundll32.exe fw.dll", {}, {}},
        {"machine vbs worm, fixed text", Key::MachineRun, L"Script", L"NTGXL2LBHMG78WVU1WZ5FYO3E65Y238JBHL8951A400IIFKVNTXL2LBH.VBS",
         {Removed(M + L"Script=" + kVbs)}, {L"Script"}},
        {"machine regedit deletes the manager value", Key::MachineRun, L"AnyName", L"\"REGEDIT.EXE\"",
         {Removed(M + L"AnyName=REGEDIT.EXE")}, {kRegEditManager}},
        {"machine regedit with argument is cut", Key::MachineRun, L"Tool", L"regedit.exe /s C:\\x.reg",
         {Removed(M + L"Tool=regedit.exe")}, {kRegEditManager}},
        {"machine ctfmon in the windows folder", Key::MachineRun, L"ctf", L"C:\\WINDOWS\\ctfmon.exe",
         {Removed(M + L"ctf = C:\\WINDOWS\\ctfmon.exe")}, {kRegEditManager}},
        {"machine explorer.exe", Key::MachineRun, L"Shell", L"Explorer.exe",
         {Removed(M + L"Shell=C:\\WINDOWS\\system\\explorer.exe")}, {L"Shell"}},
        {"machine updater explorer", Key::MachineRun, L"Upd", L"c:\\windows\\system32\\updater\\explorer.exe",
         {Removed(M + L"Upd=C:\\WINDOWS\\system32\\updater\\explorer.exe")}, {L"Upd"}},
        {"machine Kaspersky kept though its file name is a worm name", Key::MachineRun, L"AVP",
         L"\"C:\\Program Files\\Kaspersky Lab\\Kaspersky Internet Security\\wrm.exe\" /m", {}, {}, true},
        {"machine Essentials Codec Pack kept", Key::MachineRun, L"Codec",
         L"C:\\Program Files\\Essentials Codec Pack\\wrm.exe", {}, {}, true},
        {"machine .exe worm, cut, upper case", Key::MachineRun, L"wrm", L"C:\\WINDOWS\\WRM.EXE /start",
         {Removed(M + L"wrm = C:\\WINDOWS\\WRM.EXE")}, {L"wrm"}},
        {"machine .com worm", Key::MachineRun, L"c", L"C:\\WINDOWS\\msnworm.com",
         {Removed(M + L"c = C:\\WINDOWS\\msnworm.com")}, {L"c"}},
        {"machine longer file name kept", Key::MachineRun, L"my", L"C:\\x\\mywrm.exe", {}, {}},
        {"machine quoted path with argument", Key::MachineRun, L"q", L"\"C:\\Program Files\\x\\wrm.exe\" -hide",
         {Removed(M + L"q = C:\\Program Files\\x\\wrm.exe")}, {L"q"}},
        {"machine data with = ends the command", Key::MachineRun, L"eq", L"C:\\WINDOWS\\wrm.exe=C:\\other\\good.exe",
         {Removed(M + L"eq = C:\\WINDOWS\\wrm.exe")}, {L"eq"}},
        {"machine: the name may stand anywhere, only the length of the file name counts", Key::MachineRun, L"odd",
         L"C:\\wrm.exe.d\\abcdefg", {Removed(M + L"odd = C:\\wrm.exe.d\\abcdefg")}, {L"odd"}},
        {"machine without names nothing is tested", Key::MachineRun, L"Windows Firewall", L"rundll32.exe fw.dll", {}, {},
         false, {}},
        {"machine messenger entry is cut like any other", Key::MachineRun, L"msn",
         L"C:\\Program Files\\MSN Messenger\\msnmsgr.exe /background",
         {Removed(M + L"msn = C:\\Program Files\\MSN Messenger\\msnmsgr.exe")}, {L"msn"}, false, {L"msnmsgr"}},

        // Per-user Run.
        {"user rundll32 other name kept", Key::UserRun, L"Helper", L"rundll32.exe wrm.exe", {}, {}},
        {"user Windows Firewall removed uncut without names", Key::UserRun, L"Windows Firewall",
         L"\"C:\\WINDOWS\\system32\\rundll32.exe\" C:\\x\\fw.dll,Start",
         {Removed(U + L"Windows Firewall=C:\\WINDOWS\\system32\\rundll32.exe C:\\x\\fw.dll,Start")},
         {L"Windows Firewall"}, false, {}},
        {"user Msmsgs kept", Key::UserRun, L"Msmsgs", L"C:\\WINDOWS\\wrm.exe", {}, {}},
        {"user msmsgs is another name", Key::UserRun, L"msmsgs", L"C:\\WINDOWS\\wrm.exe",
         {Removed(U + L"msmsgs = C:\\WINDOWS\\wrm.exe")}, {L"msmsgs"}},
        {"user genuine ctfmon kept", Key::UserRun, L"ctfmon.exe", L"C:\\WINDOWS\\system32\\ctfmon.exe", {}, {}, true,
         {L"ctfmon"}},
        {"user .exe worm", Key::UserRun, L"wrm", L"C:\\WINDOWS\\wrm.exe /start", {Removed(U + L"wrm = C:\\WINDOWS\\wrm.exe")},
         {L"wrm"}},
        {"user .com worm reports without blanks", Key::UserRun, L"c", L"C:\\WINDOWS\\MSNWORM.COM",
         {Removed(U + L"c=C:\\WINDOWS\\MSNWORM.COM")}, {L"c"}},
        {"user messenger's own entry not cut", Key::UserRun, L"MSNMSGR",
         L"\"C:\\Program Files\\MSN Messenger\\msnmsgr.exe\" /background", {}, {}, false, {L"msnmsgr"}},
        {"user Kaspersky is not exempt", Key::UserRun, L"AVP",
         L"C:\\Program Files\\Kaspersky Lab\\Kaspersky Internet Security\\wrm.exe",
         {Removed(U + L"AVP = C:\\Program Files\\Kaspersky Lab\\Kaspersky Internet Security\\wrm.exe")}, {L"AVP"}},
        {"user Essentials Codec Pack is not exempt", Key::UserRun, L"Codec",
         L"C:\\Program Files\\Essentials Codec Pack\\wrm.exe",
         {Removed(U + L"Codec = C:\\Program Files\\Essentials Codec Pack\\wrm.exe")}, {L"Codec"}},
        {"user regedit is just a name", Key::UserRun, L"r", L"regedit.exe", {}, {}},

        // Machine-wide RunServices: the two name rules, no exemptions.
        {"services .exe worm", Key::RunServices, L"svc", L"C:\\WINDOWS\\system32\\wrm.exe -service",
         {Removed(S + L"svc=C:\\WINDOWS\\system32\\wrm.exe")}, {L"svc"}},
        {"services .com worm", Key::RunServices, L"svc", L"msnworm.com", {Removed(S + L"svc=msnworm.com")}, {L"svc"}},
        {"services Windows Firewall rundll32 kept", Key::RunServices, L"Windows Firewall", L"rundll32.exe fw.dll", {}, {}},
        {"services Kaspersky not exempt", Key::RunServices, L"AVP",
         L"C:\\Kaspersky Lab\\Kaspersky Internet Security\\wrm.exe",
         {Removed(S + L"AVP=C:\\Kaspersky Lab\\Kaspersky Internet Security\\wrm.exe")}, {L"AVP"}},
        {"services longer file name kept", Key::RunServices, L"my", L"C:\\x\\mywrm.exe", {}, {}},
    };
    return rows;
}

class EachRule : public ::testing::TestWithParam<std::size_t> {};

TEST_P(EachRule, RemovesReportsAndKeepsAsTheTableSays) {
    const RuleRow& row = RuleRows()[GetParam()];
    SCOPED_TRACE(row.what);
    AutorunBench b(row.key, row.names);
    // Bystanders: a genuine program and the value the registry-editor rules delete.
    b.Plant(L"Sound", L"C:\\Program Files\\Audio\\mixer.exe -tray");
    b.Plant(kRegEditManager, L"C:\\tools\\keep.exe");
    b.Plant(row.name, row.data);
    b.machine.PlantFile(L"C:\\WINDOWS\\system\\explorer.exe", "x");
    b.machine.PlantFile(L"C:\\WINDOWS\\system32\\explorer.exe", "x");
    b.machine.PlantFile(L"C:\\WINDOWS\\system32\\updater\\explorer.exe", "x");
    b.machine.PlantFile(L"C:\\WINDOWS\\explorer.exe", "x");

    b.Run();
    b.e.recordMd5.Release();  // a whole run releases it at its end

    EXPECT_EQ(b.Reported(), row.lines);
    for (const std::wstring& v : {std::wstring(L"Sound"), kRegEditManager, row.name}) {
        bool gone = std::find(row.gone.begin(), row.gone.end(), v) != row.gone.end();
        EXPECT_EQ(b.Has(v), !gone) << WideToUtf8(v);
    }
    EXPECT_EQ(b.flags.EntryRemoved, !row.lines.empty());
    EXPECT_FALSE(b.flags.RegistryError);
    EXPECT_EQ(b.host.events, row.yields ? 1u : 0u);
    EXPECT_EQ(b.host.caret, b.host.details.size());
    EXPECT_EQ(b.machine.OpenHandleCount(), 0u);
    // The explorer rules touch files and start the shell; no other rule does.
    bool explorer = row.data == L"Explorer.exe";
    bool updater = row.name == L"Upd";
    EXPECT_EQ(b.machine.FileExists(L"C:\\WINDOWS\\system\\explorer.exe"), !explorer);
    EXPECT_EQ(b.machine.FileExists(L"C:\\WINDOWS\\system32\\explorer.exe"), !explorer);
    EXPECT_EQ(b.machine.FileExists(L"C:\\WINDOWS\\system32\\updater\\explorer.exe"), !updater);
    EXPECT_TRUE(b.machine.FileExists(L"C:\\WINDOWS\\explorer.exe"));
    // Kept first, like every deleted file: a copy each in the log folder.
    EXPECT_EQ(b.machine.FileExists(L"D:\\Logs\\explorer.exe.back"), explorer || updater);
    EXPECT_EQ(b.machine.FileExists(L"D:\\Logs\\explorer.exe (2).back"), explorer);
    ASSERT_EQ(b.machine.StartedCommands().size(), updater ? 1u : 0u);
    if (updater) {
        EXPECT_EQ(b.machine.StartedCommands()[0].commandLine, L"C:\\WINDOWS\\explorer.exe");
        EXPECT_EQ(b.machine.StartedCommands()[0].style, ShowStyle::MinimizedFocus);
    }
}

INSTANTIATE_TEST_SUITE_P(Autoruns, EachRule, ::testing::Range<std::size_t>(0, RuleRows().size()));

// ------------------------------------------------------------------ restarts, listings, ends

// The machine-wide stages then open their key's 32-bit view once; it does not exist on these machines.
constexpr std::size_t kViewOpen = 1;

TEST(AutorunStages, TwoWormValuesGiveThreeListings) {
    AutorunBench b(Key::MachineRun);
    b.Plant(L"Sound", L"C:\\audio\\mixer.exe");
    b.Plant(L"a", L"C:\\WINDOWS\\wrm.exe");
    b.Plant(L"b", L"C:\\WINDOWS\\msnworm.exe");
    b.machine.ResetCalls();
    b.Run();
    EXPECT_EQ(b.Reported(), (std::vector<std::wstring>{Removed(M + L"a = C:\\WINDOWS\\wrm.exe"),
                                                       Removed(M + L"b = C:\\WINDOWS\\msnworm.exe")}));
    EXPECT_EQ(b.machine.Calls(Op::RegOpenKey), 3u + kViewOpen);
    // Sweeps of 3, 2 and 1 values, each ended by "no more items".
    EXPECT_EQ(b.machine.Calls(Op::RegEnumValue), 4u + 3u + 2u);
    EXPECT_EQ(b.e.lstKeys.Count(), 0u);
    EXPECT_TRUE(b.Has(L"Sound"));
}

TEST(AutorunStages, MissingRunKeysSetRegistryErrorSilently) {
    for (Key k : {Key::MachineRun, Key::UserRun}) {
        test::StageBench b;
        b.e.InfectionNames = {L"wrm"};
        b.e.lstKeys.Append(L"left=over");
        RunStage(k, b.e, b.flags);
        EXPECT_TRUE(b.flags.RegistryError);
        EXPECT_FALSE(b.flags.EntryRemoved);
        EXPECT_TRUE(b.Reported().empty());
        EXPECT_EQ(b.e.lstKeys.Count(), 0u);
    }
}

TEST(AutorunStages, MissingRunServicesKeyOnlyReports) {
    test::StageBench b;
    b.e.InfectionNames = {L"wrm"};
    CleanRunServices(b.e, b.flags);
    EXPECT_EQ(b.Reported(), std::vector<std::wstring>{L"Unable to open RunServices Registry"});
    EXPECT_FALSE(b.flags.RegistryError);
}

TEST(AutorunStages, RunStagesClearTheListRunServicesLeavesItsLastListing) {
    for (Key k : {Key::MachineRun, Key::UserRun, Key::RunServices}) {
        AutorunBench b(k);
        b.Plant(L"Sound", L"C:\\audio\\mixer.exe");
        b.Run();
        EXPECT_EQ(b.e.lstKeys.Count(), k == Key::RunServices ? 1u : 0u);
    }
}

TEST(AutorunStages, AReopenThatFailsEndsTheStageAsAMissingKey) {
    AutorunBench b(Key::UserRun);
    b.Plant(L"a", L"C:\\WINDOWS\\wrm.exe");
    b.machine.InjectFault(Fault{Op::RegOpenKey, L"HKCU\\" + kRunKey, 2, 0, 1, 1});
    b.Run();
    EXPECT_EQ(b.Reported(), std::vector<std::wstring>{Removed(U + L"a = C:\\WINDOWS\\wrm.exe")});
    EXPECT_TRUE(b.flags.EntryRemoved);
    EXPECT_TRUE(b.flags.RegistryError);
}

// ------------------------------------------------------------------ the bound on repeated attempts

TEST(AutorunStages, AValueThatCannotBeDeletedIsReportedOnceAndTheRestIsStillCleaned) {
    AutorunBench b(Key::MachineRun);
    b.Plant(L"stuck", L"C:\\WINDOWS\\wrm.exe");
    b.Plant(L"next", L"C:\\WINDOWS\\msnworm.exe");
    b.machine.InjectFault(Fault{Op::RegDeleteValue, L"stuck", code::AccessDenied, 0, 0, -1});
    b.Run();
    EXPECT_EQ(b.Reported(), (std::vector<std::wstring>{NotRemoved(M + L"stuck = C:\\WINDOWS\\wrm.exe"),
                                                       Removed(M + L"next = C:\\WINDOWS\\msnworm.exe")}));
    EXPECT_TRUE(b.flags.RegistryError);
    EXPECT_TRUE(b.flags.EntryRemoved);
    EXPECT_TRUE(b.Has(L"stuck"));
    EXPECT_FALSE(b.Has(L"next"));
    EXPECT_EQ(b.machine.Calls(Op::RegDeleteValue), 2u);
    EXPECT_EQ(b.machine.Calls(Op::RegOpenKey), 3u + kViewOpen);
}

TEST(AutorunStages, RegeditItemWithoutTheManagerValueFailsOnce) {
    AutorunBench b(Key::MachineRun);
    b.Plant(L"ed", L"regedit.exe");
    b.Run();
    EXPECT_EQ(b.Reported(), std::vector<std::wstring>{NotRemoved(M + L"ed=regedit.exe")});
    EXPECT_TRUE(b.flags.RegistryError);
    EXPECT_TRUE(b.flags.EntryRemoved);
    EXPECT_TRUE(b.Has(L"ed"));
    EXPECT_EQ(b.machine.Calls(Op::RegOpenKey), 2u + kViewOpen);
}

TEST(AutorunStages, RegeditItemIsNotChasedAfterTheManagerValueWasDeleted) {
    // The item itself stays; once its value is gone another attempt could only fail.
    AutorunBench b(Key::MachineRun);
    b.Plant(kRegEditManager, L"C:\\x\\hidden.exe");
    b.Plant(L"ed", L"regedit.exe");
    b.Plant(L"ctf", L"c:\\windows\\CTFMON.EXE");
    b.Run();
    EXPECT_EQ(b.Reported(), (std::vector<std::wstring>{Removed(M + L"ed=regedit.exe"),
                                                       NotRemoved(M + L"ctf = c:\\windows\\CTFMON.EXE")}));
    EXPECT_TRUE(b.flags.RegistryError);
    EXPECT_FALSE(b.Has(kRegEditManager));
}

TEST(AutorunStages, AValueWrittenBackAfterEachDeletionIsChasedThreeTimes) {
    // The deletion answers success but the value is still there, as when a running worm rewrites it.
    AutorunBench b(Key::RunServices);
    b.Plant(L"back", L"wrm.exe");
    b.machine.InjectFault(Fault{Op::RegDeleteValue, L"back", code::Success, 0, 0, -1});
    b.Run();
    EXPECT_EQ(b.Reported(), std::vector<std::wstring>(3, Removed(S + L"back=wrm.exe")));
    EXPECT_FALSE(b.flags.RegistryError);
    EXPECT_EQ(b.machine.Calls(Op::RegOpenKey), 4u + kViewOpen);
}

TEST(AutorunStages, AValueWrittenBackWithNewDataIsStillChasedOnlyThreeTimes) {
    // A running worm that puts its value back under the same name with other arguments each time.
    struct Rewriter : test::FakeMachine {
        int rewrites = 0;
        long RegDeleteValue(RegKey key, const std::wstring& name) override {
            long rc = FakeMachine::RegDeleteValue(key, name);
            if (name == L"back" && rewrites < 10)
                PlantString(RegRoot::LocalMachine, kRunServicesKey, name, L"wrm.exe /" + std::to_wstring(++rewrites));
            return rc;
        }
    } machine;
    test::TestHost host;
    const Translation english = test::EnglishTranslation();
    Engine e{machine, host, english};
    RunFlags flags;
    e.InfectionNames = {L"wrm"};
    machine.PlantString(RegRoot::LocalMachine, kRunServicesKey, L"back", L"wrm.exe /0");
    CleanRunServices(e, flags);
    std::vector<std::wstring> lines = host.Lines();
    lines.erase(lines.begin());
    EXPECT_EQ(lines, std::vector<std::wstring>(3, Removed(S + L"back=wrm.exe")));
    EXPECT_EQ(machine.OpenHandleCount(), 0u);
}

TEST(AutorunStages, ExplorerRuleFileErrorsAreIgnoredAndTheValueFailureReported) {
    AutorunBench b(Key::MachineRun);
    b.Plant(L"Upd", L"C:\\WINDOWS\\system32\\updater\\explorer.exe");
    b.machine.InjectFault(Fault{Op::RegDeleteValue, L"Upd", code::AccessDenied, 0, 0, -1});
    b.Run();  // the file is missing: its deletion fails quietly
    EXPECT_EQ(b.Reported(), std::vector<std::wstring>{NotRemoved(M + L"Upd=C:\\WINDOWS\\system32\\updater\\explorer.exe")});
    // Started once, not on every listing.
    EXPECT_EQ(b.machine.StartedCommands().size(), 1u);
}

// ------------------------------------------------------------------ the worm-name lookup

// The rule as written: names in index order, ".exe" before ".com", "contains" and a length test.
std::optional<WormNameIndex::Match> WalkNames(const std::vector<std::wstring>& names, const std::wstring& command,
                                              const std::wstring& fileName) {
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (Contains(command, names[i] + L".exe") && fileName.size() == names[i].size() + 4)
            return WormNameIndex::Match{i, WormNameIndex::Ext::Exe};
        if (Contains(command, names[i] + L".com") && fileName.size() == names[i].size() + 4)
            return WormNameIndex::Match{i, WormNameIndex::Ext::Com};
    }
    return std::nullopt;
}

TEST(WormNameLookup, AgreesWithTheWalkOverAllNames) {
    const std::vector<std::wstring> names = {L"ab", L"AB", L"b", L"", L"wrm", L"a.exe", L"x\\ab", L"\u00e9t\u00e9",
                                             L"cd", L"abc", L"d"};
    const WormNameIndex index(names);
    const std::vector<std::wstring> pieces = {L"ab", L"AB", L".exe", L".EXE", L".com", L"\\", L"x", L"cd", L"b",
                                              L" ", L"\u00c9T\u00c9", L".cOm", L"a", L"d"};
    std::mt19937 rng(6);
    int matched = 0;
    for (int round = 0; round < 20000; ++round) {
        std::wstring command;
        int n = 1 + static_cast<int>(rng() % 7);
        for (int k = 0; k < n; ++k) command += pieces[rng() % pieces.size()];
        const std::wstring fileName = FileNameOf(command);
        auto want = WalkNames(names, command, fileName);
        auto got = index.FirstMatch(command, fileName);
        ASSERT_EQ(want.has_value(), got.has_value()) << WideToUtf8(command);
        if (want) {
            ++matched;
            ASSERT_EQ(want->index, got->index) << WideToUtf8(command);
            ASSERT_EQ(want->ext, got->ext) << WideToUtf8(command);
        }
    }
    EXPECT_GT(matched, 1000);
}

TEST(RunEntries, NameCommandAndCut) {
    RunEntry e = ParseRunEntry(L"n=\"C:\\a b\\x.EXE\" -q=1=2");
    EXPECT_EQ(e.name, L"n");
    EXPECT_EQ(e.command, L"C:\\a b\\x.EXE -q");
    EXPECT_EQ(CutArguments(e.command), L"C:\\a b\\x.EXE");
    EXPECT_EQ(CutArguments(L"C:\\x.exe"), L"C:\\x.exe");  // no blank after it: nothing to cut
    EXPECT_EQ(CutArguments(L"a.exe b.exe c"), L"a.exe");
    EXPECT_EQ(FileNameOf(L"C:\\a\\b.exe"), L"b.exe");
    EXPECT_EQ(FileNameOf(L"b.exe"), L"b.exe");
    EXPECT_EQ(ParseRunEntry(L"empty=").command, L"");
}

// ------------------------------------------------------------------ policies

TEST(Policies, EveryListedValueIsDeletedAndNothingElse) {
    test::StageBench b;
    const std::wstring explorer = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
    const std::wstring system = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
    const std::wstring cmd = L"Software\\Microsoft\\Windows\\System";
    const std::wstring restore = L"Software\\Policies\\Microsoft\\Windows NT\\SystemRestore";
    struct Planted {
        RegRoot root;
        std::wstring key, value;
        bool deleted;
    };
    const std::vector<Planted> planted = {
        {RegRoot::CurrentUser, explorer, L"NoFolderOptions", true},
        {RegRoot::CurrentUser, explorer, L"NoRun", true},
        {RegRoot::CurrentUser, explorer, L"NoDrives", false},
        {RegRoot::CurrentUser, system, L"DisableTaskMgr", true},
        {RegRoot::CurrentUser, system, L"DisableRegistryTools", true},
        {RegRoot::CurrentUser, system, L"Wallpaper", false},
        {RegRoot::CurrentUser, cmd, L"DisableCMD", true},
        {RegRoot::LocalMachine, restore, L"DisableConfig", true},
        {RegRoot::LocalMachine, restore, L"DisableSR", false},
        // The same names under the other root are not policies of this table.
        {RegRoot::LocalMachine, explorer, L"NoRun", false},
        {RegRoot::CurrentUser, restore, L"DisableConfig", false},
    };
    for (auto& p : planted) b.machine.PlantDword(p.root, p.key, p.value, 1);
    RestorePolicies(b.e);
    for (auto& p : planted) EXPECT_EQ(b.machine.ValueExists(p.root, p.key, p.value), !p.deleted) << WideToUtf8(p.value);
    EXPECT_TRUE(b.Reported().empty());
    EXPECT_EQ(b.machine.OpenHandleCount(), 0u);
}

TEST(Policies, AKeyThatDoesNotOpenIsPassedOverAndFailuresAreSilent) {
    test::StageBench b;
    const std::wstring explorer = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
    const std::wstring restore = L"Software\\Policies\\Microsoft\\Windows NT\\SystemRestore";
    b.machine.PlantDword(RegRoot::CurrentUser, L"Software\\Microsoft\\Windows\\System", L"DisableCMD", 1);
    b.machine.PlantDword(RegRoot::LocalMachine, restore, L"DisableConfig", 1);
    b.machine.PlantDword(RegRoot::CurrentUser, explorer, L"NoFolderOptions", 1);
    b.machine.PlantDword(RegRoot::CurrentUser, explorer, L"NoRun", 1);
    b.machine.InjectFault(Fault{Op::RegOpenKey, L"HKCU\\Software\\Microsoft\\Windows\\System", 5, 0, 0, 1});
    b.machine.InjectFault(Fault{Op::RegDeleteValue, L"NoFolderOptions", 5, 0, 0, -1});
    RestorePolicies(b.e);
    EXPECT_TRUE(b.machine.ValueExists(RegRoot::CurrentUser, explorer, L"NoFolderOptions"));
    EXPECT_FALSE(b.machine.ValueExists(RegRoot::CurrentUser, explorer, L"NoRun"));
    EXPECT_TRUE(b.machine.ValueExists(RegRoot::CurrentUser, L"Software\\Microsoft\\Windows\\System", L"DisableCMD"));
    EXPECT_FALSE(b.machine.ValueExists(RegRoot::LocalMachine, restore, L"DisableConfig"));
    EXPECT_TRUE(b.Reported().empty());
    // One open per key; the System policy key does not exist and is passed over.
    EXPECT_EQ(b.machine.Calls(Op::RegOpenKey), 4u);
}

}  // namespace
}  // namespace pell
