// Whole runs on hostile and unlucky machines: genuine programs and the cleaner itself stay, nothing is
// deleted without a complete backup, files that will not go are marked for the restart, and the outcome
// says what was found and what was left behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/run.h"
#include "engine/services.h"
#include "tests/unit/stage_bench.h"

namespace pell {
namespace {

using test::Fault;
using test::Op;

constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::string kWorm = "MZ worm body that copies itself";
const std::string kGenuine = "MZ genuine notepad";

std::wstring DigestOf(const std::string& bytes) { return Utf8ToWide(test::Md5Hex(bytes)); }

struct SafetyRun : test::StageBench {
    SafetyRun() {
        machine.PlantKey(RegRoot::LocalMachine, kServicesKey);
        machine.PlantKey(RegRoot::LocalMachine, kRunKey);
        machine.PlantKey(RegRoot::CurrentUser, kRunKey);
        machine.PlantFolder(L"C:\\WINDOWS\\system");
        e.InfectionNames = {L"wrm"};
    }
    RunOutcome Run() { return outcome = RunCleaning(e); }
    bool Has(const std::wstring& line) const {
        const std::vector<std::wstring> lines = host.Lines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
    bool HasLineContaining(const std::wstring& text) const { return host.details.find(text) != std::wstring::npos; }
    // The run closed with box `code` and then asked for the restart.
    bool ClosedWithRestart(int code) const {
        return !host.boxes.empty() && host.boxes.back().code == code && !machine.StartedCommands().empty() &&
               machine.StartedCommands().back().commandLine == kRestartCommandLine;
    }

    RunOutcome outcome = RunOutcome::ProgramEnded;
};

TEST(Safety, ANotepadNamedWormTakesItsCopiesButNeverWindowsOwnNotepad) {
    SafetyRun r;
    r.machine.AddDrive(L'E', drive::Removable);
    r.machine.PlantFile(L"E:\\notepad.exe", kWorm);
    r.machine.PlantFile(L"C:\\RECYCLER\\notepad.exe", kWorm);
    for (const wchar_t* genuine : {L"C:\\WINDOWS\\notepad.exe", L"C:\\WINDOWS\\system32\\notepad.exe"})
        r.machine.PlantFile(genuine, kGenuine);
    r.machine.PlantFile(L"C:\\WINDOWS\\system\\notepad.exe", "another program of that name");
    const std::uint32_t worm = r.machine.StartProgram(L"E:\\notepad.exe");
    const std::uint32_t genuine = r.machine.StartProgram(L"C:\\WINDOWS\\notepad.exe");
    r.e.MD5Hashes = {DigestOf(kWorm)};

    EXPECT_EQ(r.Run(), RunOutcome::Removed);

    EXPECT_TRUE(r.Has(L"E:\\NOTEPAD.EXE ...Identified"));
    EXPECT_FALSE(r.machine.ProcessRunning(worm));
    EXPECT_TRUE(r.machine.ProcessRunning(genuine));
    EXPECT_FALSE(r.machine.FileExists(L"E:\\notepad.exe"));
    EXPECT_FALSE(r.machine.FileExists(L"C:\\RECYCLER\\notepad.exe"));
    EXPECT_EQ(r.machine.FileBytes(L"C:\\WINDOWS\\notepad.exe"), kGenuine);
    EXPECT_EQ(r.machine.FileBytes(L"C:\\WINDOWS\\system32\\notepad.exe"), kGenuine);
    EXPECT_TRUE(r.machine.FileExists(L"C:\\WINDOWS\\system\\notepad.exe"));
    EXPECT_TRUE(r.Has(L"Found C:\\RECYCLER\\NOTEPAD.exe ...Removed"));
    EXPECT_EQ(r.machine.FileBytes(L"D:\\Logs\\notepad.exe.back"), kWorm);
    // The names of the database still act on their name alone.
    EXPECT_EQ(r.e.InfectionNames, (std::vector<std::wstring>{L"wrm", L"NOTEPAD"}));
}

// A digest that names a genuine program (listed by mistake, downloaded, or given on the command line)
// and one that names the cleaner: reported as left alone, and nothing changes.
TEST(Safety, DigestsOfAGenuineProgramAndOfTheCleanerChangeNothing) {
    SafetyRun r;
    r.machine.PlantFile(L"C:\\WINDOWS\\system32\\notepad.exe", kGenuine);
    const std::uint32_t genuine = r.machine.StartProgram(L"C:\\WINDOWS\\system32\\notepad.exe");
    const std::uint32_t self = r.machine.StartOwnProgram(L"C:\\pellclean.exe", "MZ the cleaner");
    r.machine.PlantString(RegRoot::LocalMachine, kRunKey, L"Editor", L"C:\\WINDOWS\\system32\\notepad.exe");
    // The cleaner's name is listed too, and its file sits where the file pass looks for that name.
    r.e.InfectionNames.push_back(L"pellclean");
    r.e.MD5Hashes = {DigestOf(kGenuine), DigestOf("MZ the cleaner")};
    const std::wstring registryBefore = r.machine.RegistryDump();

    EXPECT_EQ(r.Run(), RunOutcome::NothingFound);

    EXPECT_TRUE(r.machine.ProcessRunning(genuine));
    EXPECT_TRUE(r.machine.ProcessRunning(self));
    EXPECT_EQ(r.machine.FileBytes(L"C:\\WINDOWS\\system32\\notepad.exe"), kGenuine);
    EXPECT_TRUE(r.machine.FileExists(L"C:\\pellclean.exe"));
    EXPECT_EQ(r.machine.RegistryDump(), registryBefore);
    EXPECT_TRUE(r.Has(L"C:\\WINDOWS\\SYSTEM32\\NOTEPAD.EXE ...left alone: a genuine Windows program"));
    EXPECT_TRUE(r.Has(L"C:\\PELLCLEAN.EXE ...left alone: Pellworth Remover itself"));
    EXPECT_FALSE(r.HasLineContaining(L"...Identified"));
    EXPECT_FALSE(r.HasLineContaining(L"Terminate"));
    EXPECT_EQ(r.e.InfectionNames, (std::vector<std::wstring>{L"wrm", L"pellclean"}));
    EXPECT_EQ(r.e.lstIdentifiedByMD5.Count(), 0u);
}

// ------------------------------------------------------------------ no deletion without a whole copy

struct BackupFaultRow {
    const char* what;
    void (*fault)(test::FakeMachine&);
};

const std::vector<BackupFaultRow>& BackupFaultRows() {
    static const std::vector<BackupFaultRow> rows = {
        // The record itself fits (a log folder that takes nothing stops the run before any change).
        {"a full disk stops each copy half way",
         [](test::FakeMachine& m) {
             for (const wchar_t* copy : {L"D:\\Logs\\wrm.exe.back.partial", L"D:\\Logs\\hosts.back.partial"})
                 m.InjectFault(Fault{Op::WriteFile, copy, 0, 112, 0, -1});
         }},
        {"no copy can be created",
         [](test::FakeMachine& m) {
             for (const wchar_t* copy : {L"D:\\Logs\\wrm.exe.back.partial", L"D:\\Logs\\hosts.back.partial"})
                 m.InjectFault(Fault{Op::OpenFile, copy, 0, 5, 0, -1});
         }},
        {"a copy write that claims success but wrote nothing",
         [](test::FakeMachine& m) {
             for (const wchar_t* copy : {L"D:\\Logs\\wrm.exe.back.partial", L"D:\\Logs\\hosts.back.partial"})
                 m.InjectFault(Fault{Op::WriteFile, copy, 1, 0, 0, -1});
         }},
    };
    return rows;
}

class EachBackupFault : public ::testing::TestWithParam<std::size_t> {};

TEST_P(EachBackupFault, TheWormStaysAndTheRunSaysSo) {
    const BackupFaultRow& row = BackupFaultRows()[GetParam()];
    SCOPED_TRACE(row.what);
    SafetyRun r;
    r.machine.PlantFile(L"C:\\WINDOWS\\wrm.exe", kWorm);
    r.machine.PlantFile(L"C:\\WINDOWS\\system32\\drivers\\etc\\hosts", "127.0.0.1 localhost\r\n0.0.0.0 ca.com\r\n");
    r.e.lstHostInfections.Append(L"ca.com");
    row.fault(r.machine);

    EXPECT_EQ(r.Run(), RunOutcome::LeftBehind);

    EXPECT_EQ(r.machine.FileBytes(L"C:\\WINDOWS\\wrm.exe"), kWorm);
    EXPECT_EQ(r.machine.FileBytes(L"C:\\WINDOWS\\system32\\drivers\\etc\\hosts"),
              "127.0.0.1 localhost\r\n0.0.0.0 ca.com\r\n");
    EXPECT_FALSE(r.machine.FileExists(L"D:\\Logs\\wrm.exe.back"));
    EXPECT_FALSE(r.machine.FileExists(L"D:\\Logs\\hosts.back"));
    EXPECT_TRUE(r.Has(L"Unable to backup \"wrm.exe\""));
    EXPECT_TRUE(r.Has(L"Unable to backup \"hosts\""));
    EXPECT_FALSE(r.HasLineContaining(L"...Removed"));
    const std::vector<std::wstring> lines = r.host.Lines();
    auto saving = std::find(lines.begin(), lines.end(), L"Saving Log...");
    ASSERT_NE(saving, lines.begin());
    EXPECT_EQ(*(saving - 1), LeftBehindLine(r.english, 2));
    EXPECT_TRUE(r.ClosedWithRestart(box::LeftBehind));
}

INSTANTIATE_TEST_SUITE_P(Safety, EachBackupFault, ::testing::Range<std::size_t>(0, BackupFaultRows().size()));

TEST(Safety, APathCountsAsBackedUpOnlyOnceItsCopyIsComplete) {
    SafetyRun r;
    // Listed by digest and by name: the scan meets the file twice, and its first copy fails.
    r.machine.AddDrive(L'E', drive::Removable);
    r.machine.PlantFile(L"E:\\autorun.inf", "[autorun]\r\nopen=wrm.exe\r\n");
    r.machine.PlantFile(L"E:\\wrm.exe", kWorm);
    r.machine.PlantFile(L"C:\\WINDOWS\\wrm.exe", kWorm);
    r.e.MD5Hashes = {DigestOf(kWorm)};
    r.machine.InjectFault(Fault{Op::WriteFile, L"D:\\Logs\\wrm.exe.back.partial", 0, 112, 0, 1});
    r.e.lstIdentifiedByMD5.Append(L"C:\\WINDOWS\\wrm.exe");

    EXPECT_EQ(r.Run(), RunOutcome::Removed);

    EXPECT_FALSE(r.machine.FileExists(L"C:\\WINDOWS\\wrm.exe"));
    EXPECT_EQ(r.machine.FileBytes(L"D:\\Logs\\wrm.exe.back"), kWorm);
    EXPECT_EQ(r.machine.FileBytes(L"D:\\Logs\\wrm.exe (2).back"), kWorm);
    EXPECT_TRUE(r.Has(L"Unable to backup \"wrm.exe\""));
    EXPECT_TRUE(r.Has(L"Found C:\\WINDOWS\\wrm.exe ...Removed"));
    EXPECT_TRUE(r.Has(L"Found E:\\wrm.exe ...Removed"));
    EXPECT_FALSE(r.HasLineContaining(L"Left behind"));
}

// ------------------------------------------------------------------ files that will not go

struct StuckRow {
    const char* what;
    void (*stick)(test::FakeMachine&, const std::wstring& path);
};

TEST(Safety, AFileThatWillNotGoIsSaidToStayAndGoesAtTheRestart) {
    const std::vector<StuckRow> rows = {
        {"locked", [](test::FakeMachine& m, const std::wstring& p) { m.LockFile(p); }},
        {"sharing violation",
         [](test::FakeMachine& m, const std::wstring& p) { m.InjectFault(Fault{Op::DeleteFile, p, 0, 32, 0, -1}); }},
        {"in use by another program",
         [](test::FakeMachine& m, const std::wstring& p) { m.InjectFault(Fault{Op::DeleteFile, p, 0, 1224, 0, -1}); }},
    };
    for (const StuckRow& row : rows) {
        SCOPED_TRACE(row.what);
        SafetyRun r;
        const std::wstring path = L"C:\\WINDOWS\\wrm.exe";
        r.machine.PlantFile(path, kWorm);
        row.stick(r.machine, path);

        EXPECT_EQ(r.Run(), RunOutcome::LeftBehind);

        EXPECT_TRUE(r.Has(L"Found " + path + L" ...Unable To Remove!!"));
        EXPECT_TRUE(r.Has(path + L" will be removed when the computer restarts"));
        EXPECT_TRUE(r.Has(LeftBehindLine(r.english, 1)));
        EXPECT_EQ(r.machine.FileBytes(L"D:\\Logs\\wrm.exe.back"), kWorm);
        EXPECT_TRUE(r.ClosedWithRestart(box::LeftBehind));
        r.machine.Restart();
        EXPECT_FALSE(r.machine.FileExists(path));
    }
}

// ------------------------------------------------------------------ honest outcomes

TEST(Safety, ARunThatOnlyDeletedAFileOrDroppedAHostsLineFoundSomething) {
    for (bool hostsLine : {false, true}) {
        SCOPED_TRACE(hostsLine ? "hosts line" : "file");
        SafetyRun r;
        if (hostsLine) {
            r.machine.PlantFile(L"C:\\WINDOWS\\system32\\drivers\\etc\\hosts", "0.0.0.0 www.ca.com\r\n");
            r.e.lstHostInfections.Append(L"ca.com");
        } else {
            r.machine.PlantFile(L"C:\\WINDOWS\\wrm.exe", kWorm);
        }

        EXPECT_EQ(r.Run(), RunOutcome::Removed);

        EXPECT_TRUE(r.ClosedWithRestart(box::VirusRemoved));
        EXPECT_EQ(std::count_if(r.host.boxes.begin(), r.host.boxes.end(), [](const test::ShownBox& b) { return b.code == box::NoVirus; }), 0);
        EXPECT_EQ(r.machine.FileExists(L"C:\\WINDOWS\\wrm.exe"), false);
    }
}

// ------------------------------------------------------------------ registry text as it really is

TEST(Safety, RunValuesAreMatchedByTheirRealNamesAndTheDataWindowsRuns) {
    SafetyRun r;
    const auto plant = [&](const std::wstring& name, const std::wstring& data) {
        r.machine.PlantString(RegRoot::LocalMachine, kRunKey, name, data);
    };
    plant(L"Genuine", L"C:\\Program Files\\Genuine\\genuine.exe");
    plant(L"Genuine=C:\\WINDOWS\\wrm.exe", L"C:\\Program Files\\Genuine\\helper.exe");
    plant(L"Evil=x", L"C:\\WINDOWS\\wrm.exe");
    plant(L"Hidden", std::wstring(L"wrm.exe\0notepad.exe", 19));
    plant(L"Fine", std::wstring(L"C:\\WINDOWS\\notepad.exe\0C:\\x\\wrm.exe", 35));

    EXPECT_EQ(r.Run(), RunOutcome::Removed);

    for (const wchar_t* kept : {L"Genuine", L"Genuine=C:\\WINDOWS\\wrm.exe", L"Fine"})
        EXPECT_TRUE(r.machine.ValueExists(RegRoot::LocalMachine, kRunKey, kept)) << WideToUtf8(kept);
    for (const wchar_t* gone : {L"Evil=x", L"Hidden"})
        EXPECT_FALSE(r.machine.ValueExists(RegRoot::LocalMachine, kRunKey, gone)) << WideToUtf8(gone);
    EXPECT_TRUE(r.Has(L"Found HKLM\\..\\Run\\Evil=x = C:\\WINDOWS\\wrm.exe ...Removed"));
    EXPECT_TRUE(r.Has(L"Found HKLM\\..\\Run\\Hidden = wrm.exe ...Removed"));
    EXPECT_EQ(r.host.details.find(L'\0'), std::wstring::npos);
}

TEST(Safety, AServiceIsExportedWhateverItsNameAndKeptWhenItsExportIsMissing) {
    for (bool readOnlyLogs : {false, true}) {
        SCOPED_TRACE(readOnlyLogs ? "the export cannot be made" : "quotation mark in the name");
        SafetyRun r;
        const std::wstring name = readOnlyLogs ? L"wrmsvc" : L"wrm\"svc";
        r.machine.PlantService(name, L"C:\\WINDOWS\\wrm.exe -service");
        // (A log folder that takes nothing at all stops the run before the services are looked at.)
        if (readOnlyLogs) r.machine.InjectFault(Fault{Op::StartCommandLine, L"", 0, 2, 0, -1});

        EXPECT_EQ(r.Run(), readOnlyLogs ? RunOutcome::LeftBehind : RunOutcome::Removed);

        const std::wstring key = std::wstring(kServicesKey) + L"\\" + name;
        EXPECT_EQ(r.machine.KeyExists(RegRoot::LocalMachine, key), readOnlyLogs);
        EXPECT_EQ(r.machine.FileExists(L"D:\\Logs\\wrm_svc.reg"), !readOnlyLogs);
        EXPECT_TRUE(r.Has((readOnlyLogs ? L"Unable to backup \"" : L"Successfully backed up \"") + name + L"\""));
    }
}

}  // namespace
}  // namespace pell
