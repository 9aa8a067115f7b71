// Whole runs on machines arranged against the run's promises: every deleted file has its own copy and
// digest, nothing changes without its record, nothing genuine is reached through a link, no file is
// read for its digest more than once, and names keep the case the machine holds them in.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "base/backup_name.h"
#include "record/json.h"
#include "engine/left_alone.h"
#include "record/restore.h"
#include "engine/run.h"
#include "tests/unit/process_fixture.h"

namespace pell {
namespace {

const std::wstring kLogs = L"D:\\Logs\\";
const std::wstring kRecord = kLogs + L"Pellworth Removal Log 12_7_2026 1_45_10 AM.jsonl";
const std::wstring kRunKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::wstring kSystemPolicies = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
const std::wstring kWorm = L"C:\\WINDOWS\\wrm.exe";

struct Machine : test::ScanMachine {
    Machine() : ScanMachine(kLogs) {
        machine.PlantKey(RegRoot::LocalMachine, L"System\\CurrentControlSet\\Services");
        machine.PlantKey(RegRoot::LocalMachine, kRunKey);
        machine.PlantKey(RegRoot::CurrentUser, kRunKey);
        engine.InfectionNames = {L"wrm"};
        engine.MD5Hashes = {L"00000000000000000000000000000000"};
    }

    std::wstring Digest(const std::string& bytes) const { return UpperCase(Utf8ToWide(test::Md5Hex(bytes))); }
    void ListDigestOf(const std::string& bytes) { engine.MD5Hashes.push_back(Digest(bytes)); }

    // The machine as a person would compare it before and after: every file outside the log folder with
    // its bytes, the registry, and which planted processes still run.
    std::wstring State() {
        std::wstring out = machine.RegistryDump();
        for (const std::wstring& file : machine.AllFiles())
            if (!Contains(file, kLogs)) out += file + L"=" + Utf8ToWide(*machine.FileBytes(file)) + L"\n";
        for (std::uint32_t pid : pids) out += std::to_wstring(pid) + (machine.ProcessRunning(pid) ? L" runs\n" : L" ended\n");
        return out;
    }

    std::vector<JsonValue> Record() {
        std::vector<JsonValue> out;
        const auto bytes = machine.FileBytes(kRecord);
        if (!bytes) return out;
        for (std::size_t start = 0, end; (end = bytes->find('\n', start)) != std::string::npos; start = end + 1) {
            JsonValue v;
            std::wstring error;
            if (ParseJson(bytes->substr(start, end - start), v, error)) out.push_back(v);
        }
        return out;
    }
    std::vector<JsonValue> Changes(const std::wstring& kind) {
        std::vector<JsonValue> out;
        for (const JsonValue& v : Record())
            if (Text(v, L"kind") == kind) out.push_back(v);
        return out;
    }
    static std::wstring Text(const JsonValue& v, const wchar_t* key) {
        std::wstring out;
        v.Text(key, out);
        return out;
    }
    bool Said(const std::wstring& line) const { return Contains(host.details, line); }
    bool Restarted() const {
        for (const auto& c : machine.StartedCommands())
            if (Contains(c.commandLine, L"shutdown.exe")) return true;
        return false;
    }
    // A worm of every kind a run changes: a process, its file, a Run value and a policy.
    void PlantInfection() {
        machine.PlantFile(kWorm, "MZ worm");
        pids.push_back(machine.AddProcess(L"C:\\WINDOWS\\system32\\wrm.exe"));
        machine.PlantFile(L"C:\\WINDOWS\\system32\\wrm.exe", "MZ worm running");
        machine.PlantString(RegRoot::LocalMachine, kRunKey, L"Wrm", kWorm);
        machine.PlantDword(RegRoot::CurrentUser, kSystemPolicies, L"DisableTaskMgr", 1);
    }

    std::vector<std::uint32_t> pids;
    std::wstring before;
};

struct Case {
    const char* name;
    std::function<void(Machine&)> plant;
    RunOutcome outcome;
    std::function<void(Machine&)> check;
};

const std::string kLower = "MZ the worm of the lower-case name";
const std::string kUpper = "MZ the worm of the upper-case name, other bytes";
const std::string kBig(2 * 1024 * 1024 + 7, 'P');  // padded beyond any digest's file, read in 129 blocks

const Case kCases[] = {
    {"a case-sensitive folder holding two names that differ only by case: two files, two copies, two digests",
     [](Machine& m) {
         m.machine.SetFolderCaseSensitive(L"C:\\RECYCLER");
         m.machine.PlantFile(L"C:\\RECYCLER\\Winiogon.exe", kLower);
         m.machine.PlantFile(L"C:\\RECYCLER\\WinIogon.exe", kUpper);
         m.engine.InfectionNames = {L"Winiogon", L"WinIogon"};
     },
     RunOutcome::Removed,
     [](Machine& m) {
         EXPECT_FALSE(m.machine.FileExists(L"C:\\RECYCLER\\Winiogon.exe"));
         EXPECT_FALSE(m.machine.FileExists(L"C:\\RECYCLER\\WinIogon.exe"));
         const auto files = m.Changes(L"file");
         ASSERT_EQ(files.size(), 2u);
         for (const JsonValue& f : files) {
             const std::string& bytes = Machine::Text(f, L"path") == L"C:\\RECYCLER\\Winiogon.exe" ? kLower : kUpper;
             EXPECT_EQ(Machine::Text(f, L"md5"), m.Digest(bytes));
             EXPECT_EQ(m.machine.FileBytes(kLogs + Machine::Text(f, L"backup")), bytes);
         }
         EXPECT_NE(Machine::Text(files[0], L"backup"), Machine::Text(files[1], L"backup"));
     }},
    {"a read-only log folder: the record cannot be begun, nothing changes",
     [](Machine& m) {
         m.PlantInfection();
         m.machine.SetFolderReadOnly(kLogs);
     },
     RunOutcome::RecordUnwritable,
     [](Machine& m) {
         EXPECT_EQ(m.State(), m.before);
         EXPECT_TRUE(m.Said(RecordUnwritableLine(kLogs)));
         EXPECT_TRUE(m.host.boxes.empty());
         EXPECT_FALSE(m.Restarted());
     }},
    {"a full log folder: the header does not fit, no empty record stays, nothing changes",
     [](Machine& m) {
         m.PlantInfection();
         m.machine.SetFolderFreeSpace(kLogs, 40);
     },
     RunOutcome::RecordUnwritable,
     [](Machine& m) {
         EXPECT_EQ(m.State(), m.before);
         EXPECT_FALSE(m.machine.FileExists(kRecord));
         EXPECT_TRUE(m.Said(RecordUnwritableLine(kLogs)));
         EXPECT_FALSE(m.Restarted());
     }},
    {"a record write that fails after the first change: nothing more changes, the outcome says so",
     [](Machine& m) {
         m.PlantInfection();
         m.pids.push_back(m.machine.AddProcess(L"C:\\Temp\\wrm.exe"));
         m.machine.InjectFault({test::Op::WriteFile, kRecord, 0, 112, 1, -1});
     },
     RunOutcome::RecordFailed,
     [](Machine& m) {
         // The first process was ended and its line could not be written; the second runs on.
         EXPECT_FALSE(m.machine.ProcessRunning(m.pids[0]));
         EXPECT_TRUE(m.machine.ProcessRunning(m.pids[1]));
         EXPECT_TRUE(m.machine.FileExists(kWorm));
         EXPECT_TRUE(m.machine.ValueExists(RegRoot::LocalMachine, kRunKey, L"Wrm"));
         EXPECT_TRUE(m.machine.ValueExists(RegRoot::CurrentUser, kSystemPolicies, L"DisableTaskMgr"));
         EXPECT_TRUE(m.Said(RecordFailedLine(kRecord)));
         EXPECT_TRUE(m.host.boxes.empty());
         EXPECT_FALSE(m.Restarted());
     }},
    {"a worm folder linked to the system folder: the genuine program is neither ended nor deleted",
     [](Machine& m) {
         m.machine.PlantFile(L"C:\\WINDOWS\\system32\\svchost.exe", "MZ genuine svchost");
         m.machine.PlantFolderLink(L"C:\\WINDOWS\\system", L"C:\\WINDOWS\\system32");
         m.pids.push_back(m.machine.AddProcess(L"C:\\WINDOWS\\system\\svchost.exe"));
         // A worm-named link at a worm's place leads to a document: the link is not followed.
         m.machine.PlantFile(L"C:\\Users\\X\\thesis.doc", "the user's own work");
         m.machine.PlantFileLink(L"C:\\RECYCLER\\wrm.exe", L"C:\\Users\\X\\thesis.doc");
         m.engine.InfectionNames = {L"svchost", L"wrm"};
     },
     RunOutcome::NothingFound,
     [](Machine& m) {
         EXPECT_EQ(m.State(), m.before);
         EXPECT_TRUE(m.Said(L"C:\\WINDOWS\\SYSTEM\\SVCHOST.EXE" + std::wstring(kGenuineProgramLeftAlone)));
         EXPECT_TRUE(m.Said(L"C:\\RECYCLER\\wrm.exe" + std::wstring(kLinkLeftAlone)));
         EXPECT_TRUE(m.machine.FileExists(L"C:\\RECYCLER\\wrm.exe"));
         EXPECT_TRUE(m.Changes(L"file").empty());
         EXPECT_TRUE(m.Changes(L"process").empty());
     }},
    {"a Run value \"explorer.exe\" with the worm's System folder linked to the Windows folder: the worm's copy in "
     "system32 is kept and deleted, the genuine explorer.exe it reaches is left alone",
     [](Machine& m) {
         m.machine.PlantFile(L"C:\\WINDOWS\\explorer.exe", "MZ genuine explorer");
         m.machine.PlantFolderLink(L"C:\\WINDOWS\\system", L"C:\\WINDOWS");
         m.machine.PlantFile(L"C:\\WINDOWS\\system32\\explorer.exe", "MZ worm copy");
         m.machine.PlantString(RegRoot::LocalMachine, kRunKey, L"Shell", L"explorer.exe");
     },
     RunOutcome::Removed,
     [](Machine& m) {
         EXPECT_EQ(m.machine.FileBytes(L"C:\\WINDOWS\\explorer.exe"), "MZ genuine explorer");
         EXPECT_TRUE(m.Said(L"C:\\WINDOWS\\system\\explorer.exe" + std::wstring(kGenuineProgramLeftAlone)));
         EXPECT_FALSE(m.machine.FileExists(L"C:\\WINDOWS\\system32\\explorer.exe"));
         const auto files = m.Changes(L"file");
         ASSERT_EQ(files.size(), 1u);
         EXPECT_EQ(Machine::Text(files[0], L"path"), L"C:\\WINDOWS\\system32\\explorer.exe");
         EXPECT_EQ(m.machine.FileBytes(kLogs + Machine::Text(files[0], L"backup")), "MZ worm copy");
     }},
    {"400 Run values naming one padded worm: one read for its digest (and one for its copy)",
     [](Machine& m) {
         m.machine.PlantFile(L"C:\\Tools\\big.exe", kBig);
         m.ListDigestOf(kBig);
         for (int i = 0; i < 400; ++i)
             m.machine.PlantString(RegRoot::LocalMachine, kRunKey, L"v" + std::to_wstring(i), L"C:\\Tools\\big.exe");
     },
     RunOutcome::Removed,
     [](Machine& m) {
         EXPECT_EQ(m.machine.ReadPasses(L"C:\\Tools\\big.exe"), 2u);
         EXPECT_FALSE(m.machine.FileExists(L"C:\\Tools\\big.exe"));
         EXPECT_EQ(m.Changes(L"autorun").size(), 400u);
         // While the padded file was hashed and copied the window's messages were served.
         EXPECT_GE(m.host.events, 2u * (kBig.size() / (kMd5BlockSize * kMd5BlocksBetweenYields)));
     }},
    {"a copy interrupted half way: the file stays, no finished-looking copy holds part of it",
     [](Machine& m) {
         m.machine.PlantFile(kWorm, std::string(200000, 'W'));
         const std::wstring unfinished = UnfinishedBackupName(kLogs, L"wrm.exe", 1);
         m.machine.InjectFault({test::Op::WriteFile, unfinished, 0, 112, 1, 1});
         m.machine.InjectFault({test::Op::DeleteFile, unfinished, 0, 5, 0, 1});  // as a crash would leave it
     },
     RunOutcome::LeftBehind,
     [](Machine& m) {
         EXPECT_TRUE(m.machine.FileExists(kWorm));
         EXPECT_TRUE(m.Said(L"Unable to backup \"wrm.exe\""));
         for (const std::wstring& file : m.machine.AllFiles())
             EXPECT_FALSE(Contains(file, kLogs) && file.size() > 5 && file.substr(file.size() - 5) == L".back")
                 << WideToUtf8(file);
         // The next run finds the worm and copies it whole beside what the cut copy left.
         ASSERT_EQ(RunCleaning(m.engine), RunOutcome::Removed);
         EXPECT_FALSE(m.machine.FileExists(kWorm));
         EXPECT_EQ(m.machine.FileBytes(BackupName(kLogs, L"wrm.exe", 1)), std::string(200000, 'W'));
     }},
    {"a worm file that will not go: marked for the restart, kept and recorded, and put back by restore after it",
     [](Machine& m) {
         m.machine.PlantFile(kWorm, "MZ locked worm");
         m.machine.LockFile(kWorm);
     },
     RunOutcome::LeftBehind,
     [](Machine& m) {
         const auto files = m.Changes(L"file");
         ASSERT_EQ(files.size(), 1u);
         EXPECT_EQ(Machine::Text(files[0], L"path"), kWorm);
         const JsonValue* atRestart = files[0].Find(L"at_restart");
         ASSERT_NE(atRestart, nullptr);
         EXPECT_TRUE(atRestart->boolean);
         EXPECT_EQ(m.machine.FileBytes(kLogs + Machine::Text(files[0], L"backup")), "MZ locked worm");
         std::wstring said;
         auto say = [&](const std::wstring& line) { said += line + L"\n"; };
         RestoreRun(m.machine, m.host, kRecord, RestoreOptions{}, say);
         EXPECT_TRUE(Contains(said, L"Windows deletes it when it starts again")) << WideToUtf8(said);
         m.machine.Restart();
         ASSERT_FALSE(m.machine.FileExists(kWorm));
         RestoreRun(m.machine, m.host, kRecord, RestoreOptions{}, say);
         EXPECT_EQ(m.machine.FileBytes(kWorm), "MZ locked worm");
     }},
    {"a policy value named in its own case: recorded and restored under that name",
     [](Machine& m) { m.machine.PlantDword(RegRoot::CurrentUser, kSystemPolicies, L"DisableTaskMgr", 1); },
     RunOutcome::NothingFound,
     [](Machine& m) {
         const auto policies = m.Changes(L"policy");
         ASSERT_EQ(policies.size(), 1u);
         EXPECT_EQ(Machine::Text(policies[0], L"name"), L"DisableTaskMgr");
         EXPECT_FALSE(m.machine.ValueExists(RegRoot::CurrentUser, kSystemPolicies, L"DisableTaskMgr"));
         RestoreRun(m.machine, m.host, kRecord, RestoreOptions{}, [](const std::wstring&) {});
         EXPECT_EQ(m.State(), m.before);
         EXPECT_NE(m.machine.RegistryDump().find(L"DisableTaskMgr"), std::wstring::npos);
     }},
};

TEST(HostileMachine, EveryPromiseHoldsOnAMachineArrangedAgainstIt) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        Machine m;
        m.machine.AddDrive(L'D', drive::Fixed);
        c.plant(m);
        m.before = m.State();
        EXPECT_EQ(RunCleaning(m.engine), c.outcome);
        c.check(m);
        EXPECT_EQ(m.machine.OpenHandleCount(), 0u);
    }
}

}  // namespace
}  // namespace pell
