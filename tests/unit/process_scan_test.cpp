// The process scan as a whole: privilege, selection, protection, termination, files, progress values.
#include <gtest/gtest.h>

#include "engine/stages.h"
#include "tests/unit/process_fixture.h"

namespace pell {
namespace {

using test::BackedUp;
using test::Fault;
using test::Found;
using test::Op;
using test::ScanMachine;
using Lines = std::vector<std::wstring>;

const std::wstring kLooking = L"Looking For Virus Processes...";
const std::wstring kFiles = L"Looking for Virus Files...";
std::wstring Terminated(const std::wstring& n) { return n + L" ...Terminated"; }
std::wstring NotTerminated(const std::wstring& n) { return n + L" ...Unable To Terminate!!"; }

struct ConsequenceCase {
    const wchar_t* image;
    const wchar_t* infectionName;
    bool terminated;
};

TEST(ProcessScan, ProtectionConsequencesOnARunningMachine) {
    const ConsequenceCase cases[] = {
        {L"C:\\WINDOWS\\system32\\mdm.exe", L"mdm", true},
        {L"C:\\Program Files\\Common Files\\mdm.exe", L"mdm", false},
        {L"C:\\WINDOWS\\system32\\iexplore.exe", L"iexplore", false},
        {L"C:\\WINDOWS\\iexplore.exe", L"iexplore", false},
        {L"C:\\Temp\\iexplore.exe", L"iexplore", false},
        {L"C:\\WINDOWS\\explorer.exe", L"nothing", false},
        {L"C:\\WINDOWS\\system32\\explorer.exe", L"nothing", false},
        {L"C:\\WINDOWS\\svchost.exe", L"svchost", true},
        {L"C:\\WINDOWS\\system32\\svchost.exe", L"svchost", false},
        {L"C:\\WINDOWS\\system32\\firefox.exe", L"firefox", true},
        {L"C:\\Program Files\\Mozilla Firefox\\firefox.exe", L"firefox", false},
        {L"\\SystemRoot\\System32\\smss.exe", L"smss", false},
        {L"\\??\\C:\\WINDOWS\\system32\\winlogon.exe", L"winlogon", false},
        {L"C:\\WINDOWS\\winhelp.exe", L"winhelp", false},
        {L"C:\\WINDOWS\\system32\\winhelp.exe", L"winhelp", true},
        {L"C:\\RECYCLER\\worm.scr", L"worm", true},
        {L"C:\\RECYCLER\\worm.com", L"worm", true},
    };
    for (const ConsequenceCase& c : cases) {
        SCOPED_TRACE(WideToUtf8(c.image));
        ScanMachine m;
        m.engine.InfectionNames = {c.infectionName};
        std::uint32_t pid = m.machine.AddProcess(c.image);
        bool attempted = ScanProcesses(m.engine);
        EXPECT_EQ(attempted, c.terminated);
        EXPECT_EQ(m.machine.ProcessRunning(pid), !c.terminated);
        ASSERT_EQ(m.engine.ProcessCandidates.size(), 2u);
    }
}

TEST(ProcessScan, NoWormRunningVisitsOnlyTheEmptyEntry) {
    ScanMachine m;
    m.engine.InfectionNames = {L"worm"};
    m.machine.AddProcess(L"C:\\WINDOWS\\system32\\svchost.exe");
    m.machine.AddProcess(L"C:\\WINDOWS\\notepad.exe");
    EXPECT_FALSE(ScanProcesses(m.engine));
    EXPECT_EQ(m.engine.ProcessCandidates.size(), 1u);
    EXPECT_EQ(m.Lines(), (Lines{kLooking, kFiles}));
    EXPECT_EQ(m.machine.Calls(Op::TerminateProcess), 0u);
    EXPECT_EQ(m.machine.OpenHandleCount(), 0u);
}

TEST(ProcessScan, SelectionOrderIsTheFixedNamesThenEachNameAsExeComScr) {
    ScanMachine m;
    m.engine.InfectionNames = {L"worm", L"bug"};
    m.machine.AddProcess(L"C:\\x\\bug.exe");
    m.machine.AddProcess(L"C:\\x\\worm.scr");
    m.machine.AddProcess(L"C:\\x\\explorer.exe");
    m.machine.AddProcess(L"C:\\x\\worm.com");
    m.machine.AddProcess(L"C:\\x\\worm.exe");
    m.machine.AddProcess(L"C:\\x\\ntvdm.exe");
    EXPECT_TRUE(ScanProcesses(m.engine));
    EXPECT_EQ(m.Lines(), (Lines{kLooking, Terminated(L"NTVDM.EXE"), Terminated(L"EXPLORER.EXE"), Terminated(L"WORM.EXE"),
                                Terminated(L"WORM.COM"), Terminated(L"WORM.SCR"), Terminated(L"BUG.EXE"), kFiles}));
}

TEST(ProcessScan, AProcessSelectedTwiceIsEndedOnceButARefusalIsTriedAgain) {
    for (bool refusedFirst : {false, true}) {
        ScanMachine m;
        m.engine.InfectionNames = {L"explorer"};
        std::uint32_t pid = m.machine.AddProcess(L"C:\\Temp\\explorer.exe");
        m.machine.PlantFile(L"C:\\Temp\\explorer.exe", "worm");
        if (refusedFirst) m.machine.InjectFault(Fault{Op::TerminateProcess, std::to_wstring(pid), 0, 5, 0, 1});
        EXPECT_TRUE(ScanProcesses(m.engine));
        ASSERT_EQ(m.engine.ProcessCandidates.size(), 3u);
        const Lines expected = refusedFirst ? Lines{kLooking, NotTerminated(L"EXPLORER.EXE"), Terminated(L"EXPLORER.EXE"), kFiles}
                                            : Lines{kLooking, Terminated(L"EXPLORER.EXE"), kFiles};
        EXPECT_EQ(m.Lines(), expected);
        EXPECT_FALSE(m.machine.ProcessRunning(pid));
    }
}

TEST(ProcessScan, EveryTerminationAttemptCountsEvenAFailedOne) {
    ScanMachine m;
    m.engine.InfectionNames = {L"worm", L"bug"};
    std::uint32_t guarded = m.machine.AddProcess(L"C:\\x\\worm.exe", false);
    std::uint32_t unopenable = m.machine.AddProcess(L"C:\\x\\bug.exe");
    m.machine.InjectFault(Fault{Op::OpenProcess, std::to_wstring(unopenable), 0, 5, 1});  // the termination's open
    EXPECT_TRUE(ScanProcesses(m.engine));
    EXPECT_EQ(m.Lines(), (Lines{kLooking, NotTerminated(L"WORM.EXE"), NotTerminated(L"BUG.EXE"), kFiles}));
    EXPECT_TRUE(m.machine.ProcessRunning(guarded));
    EXPECT_TRUE(m.machine.ProcessRunning(unopenable));
    EXPECT_EQ(m.machine.OpenHandleCount(), 0u);
}

TEST(ProcessScan, TerminatedWormLosesItsFileAfterwards) {
    ScanMachine m;
    m.engine.InfectionNames = {L"worm"};
    const std::wstring image = L"C:\\WINDOWS\\system32\\worm.exe";
    m.machine.PlantFile(image, "MZ");
    m.machine.AddProcess(image);
    EXPECT_TRUE(ScanProcesses(m.engine));
    EXPECT_EQ(m.Lines(), (Lines{kLooking, Terminated(L"WORM.EXE"), kFiles, BackedUp(L"worm.exe"), Found(image)}));
    EXPECT_FALSE(m.machine.FileExists(image));
}

TEST(ProcessScan, OtherPlatformsRemoveFilesButNoProcesses) {
    ScanMachine m;
    m.machine.SetPlatformId(1);
    m.engine.InfectionNames = {L"worm"};
    m.machine.AddProcess(L"C:\\x\\worm.exe");
    m.machine.PlantFile(L"C:\\WINDOWS\\worm.exe", "w");
    m.engine.lstIdentifiedByMD5.Append(L"C:\\x\\other.bin");
    m.machine.PlantFile(L"C:\\x\\other.bin", "o");
    EXPECT_FALSE(ScanProcesses(m.engine));
    EXPECT_EQ(m.Lines(), (Lines{kLooking, kFiles, BackedUp(L"worm.exe"), Found(L"C:\\WINDOWS\\worm.exe"),
                                BackedUp(L"other.bin"), Found(L"C:\\x\\other.bin")}));
    EXPECT_EQ(m.machine.Calls(Op::OpenProcessToken), 0u);
    EXPECT_EQ(m.machine.Calls(Op::EnumProcesses), 0u);
    EXPECT_EQ(m.engine.ProcessCandidates.size(), 1u);
}

struct PrivilegeCase {
    Op failing;  // Op::Count_: nothing fails
    std::size_t lookups, adjusts;
};

TEST(ProcessScan, DebugPrivilegeIsEnabledForTheScanAndDroppedAfterAFailedStep) {
    const PrivilegeCase cases[] = {
        {Op::Count_, 1, 2},
        {Op::OpenProcessToken, 0, 0},
        {Op::LookupPrivilegeValue, 1, 0},
        {Op::AdjustTokenPrivileges, 1, 1},
    };
    for (const PrivilegeCase& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.failing));
        ScanMachine m;
        m.engine.InfectionNames = {L"worm"};
        std::uint32_t pid = m.machine.AddProcess(L"C:\\x\\worm.exe");
        if (c.failing != Op::Count_) m.machine.InjectFault(Fault{c.failing, L"", 0, 5});
        EXPECT_TRUE(ScanProcesses(m.engine));
        EXPECT_FALSE(m.machine.ProcessRunning(pid));
        EXPECT_EQ(m.machine.Calls(Op::OpenProcessToken), 1u);
        EXPECT_EQ(m.machine.Calls(Op::LookupPrivilegeValue), c.lookups);
        EXPECT_EQ(m.machine.Calls(Op::AdjustTokenPrivileges), c.adjusts);
        EXPECT_EQ(m.machine.OpenHandleCount(), 0u);
    }
}

TEST(ProcessScan, IdentifiedFilesFollowTheNamePassInListOrder) {
    ScanMachine m;
    m.engine.InfectionNames = {L"worm"};
    m.machine.PlantFile(L"C:\\WINDOWS\\worm.exe", "1");
    m.machine.PlantFile(L"D:\\games\\b.exe", "2");
    m.machine.PlantFile(L"C:\\Program Files\\a.exe", "3");
    m.engine.lstIdentifiedByMD5.Append(L"D:\\games\\b.exe");
    m.engine.lstIdentifiedByMD5.Append(L"C:\\missing\\gone.exe");
    m.engine.lstIdentifiedByMD5.Append(L"C:\\Program Files\\a.exe");
    ScanProcesses(m.engine);
    EXPECT_EQ(m.Lines(), (Lines{kLooking, kFiles, BackedUp(L"worm.exe"), Found(L"C:\\WINDOWS\\worm.exe"),
                                BackedUp(L"b.exe"), Found(L"D:\\games\\b.exe"), BackedUp(L"a.exe"),
                                Found(L"C:\\Program Files\\a.exe")}));
    EXPECT_EQ(m.engine.lstIdentifiedByMD5.Count(), 3u);
}

// ------------------------------------------------------------------ progress values

TEST(ProcessScan, ProgressValuesDivideByTheLastNameIndexUnclamped) {
    ScanMachine m;
    m.engine.InfectionNames = {L"a", L"b", L"c"};
    for (int i = 0; i < 4; ++i) m.machine.AddProcess(L"C:\\x\\a.exe");
    ScanProcesses(m.engine);
    // Selection 0, 50, 100; examination of 5 candidates over the 2 of the names: up to 200.
    const std::vector<double> expected = {0, 0, 50, 100, 0, 0, 50, 100, 150, 200, 0, 0, 50, 100, 0};
    EXPECT_EQ(m.host.prog1, expected);
    EXPECT_EQ(m.host.prog2, (std::vector<double>{40, 60, 80}));
}

TEST(ProcessScan, ASingleNameFillsTheBar) {
    ScanMachine m;
    m.engine.InfectionNames = {L"a"};
    m.machine.AddProcess(L"C:\\x\\a.exe");
    ScanProcesses(m.engine);
    EXPECT_EQ(m.host.prog1, (std::vector<double>{0, 100, 0, 100, 100, 0, 100, 0}));
}

TEST(ProcessScan, YieldsAfterEveryCandidateAndName) {
    ScanMachine few, more;
    few.engine.InfectionNames = {L"a", L"b"};
    more.engine.InfectionNames = {L"a", L"b", L"c"};
    more.machine.AddProcess(L"C:\\x\\a.exe");
    few.machine.AddProcess(L"C:\\x\\a.exe");
    more.machine.AddProcess(L"C:\\x\\zzz.exe");
    few.machine.AddProcess(L"C:\\x\\zzz.exe");
    ScanProcesses(few.engine);
    ScanProcesses(more.engine);
    // One more name: a bar value in selection, one in the file pass, and one yield there.
    EXPECT_EQ(more.host.events - few.host.events, 3u);
    ScanMachine again;
    again.engine.InfectionNames = {L"a", L"b"};
    again.machine.AddProcess(L"C:\\x\\a.exe");
    again.machine.AddProcess(L"C:\\x\\b.exe");
    ScanProcesses(again.engine);
    // One more candidate: its bar value, its yield (plus the termination's nothing).
    EXPECT_EQ(again.host.events - few.host.events, 2u);
}

}  // namespace
}  // namespace pell
