// One cleaning run with scripted stages on the fake machine: stage order, status lines, folder values,
// the removal log and every outcome.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/handles.h"
#include "record/record_writer.h"
#include "base/product.h"
#include "engine/removal_log.h"
#include "engine/run.h"
#include "engine/stages.h"
#include "base/text.h"
#include "i18n/details.h"
#include "tests/fake/fake_machine.h"
#include "tests/fake/test_host.h"
#include "tests/unit/english_translation.h"

namespace pell {
namespace {

using Events = std::vector<std::wstring>;
using Lines = std::vector<std::wstring>;

constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kEnabling[] =
    L"Enabling: Task Manager, Regedit, System Restore Config, Command Prompt, Folder Options, Run";
constexpr wchar_t kDefaultLogName[] = L"Pellworth Removal Log 12_7_2026 1_45_10 AM.txt";

// The machine and the host write what a run does to the outside into one sequence, so tests can check
// the order of the log, the boxes, the restart and the window calls.
class RecordingMachine : public test::FakeMachine {
public:
    explicit RecordingMachine(Events& events) : events_(events) {}
    long OpenFile(const std::wstring& path, FileAccess access, FileDisposition disposition,
                  FileHandle& file) override {
        if (access != FileAccess::Read) events_.push_back(L"write " + path);
        return FakeMachine::OpenFile(path, access, disposition, file);
    }
    long StartCommandLine(const std::wstring& commandLine, ShowStyle style) override {
        events_.push_back(L"start " + commandLine);
        return FakeMachine::StartCommandLine(commandLine, style);
    }
    long ShellOpen(const std::wstring& target) override {
        events_.push_back(L"open " + target);
        return FakeMachine::ShellOpen(target);
    }

private:
    Events& events_;
};

class RecordingHost : public test::TestHost {
public:
    explicit RecordingHost(Events& events) : events_(events) {}
    int MsgBox(int code, bool yesNo) override {
        events_.push_back(L"box " + std::to_wstring(code) + (yesNo ? L" yes/no" : L""));
        return TestHost::MsgBox(code, yesNo);
    }
    void SetTerm(bool t) override {
        events_.push_back(t ? L"term true" : L"term false");
        TestHost::SetTerm(t);
    }
    void EnableGUI() override {
        events_.push_back(L"enable gui");
        TestHost::EnableGUI();
    }
    void EndProgram() override {
        events_.push_back(L"end program");
        TestHost::EndProgram();
    }

private:
    Events& events_;
};

// A minimal Run stage over the real registry operations: the key must open; a value named "wrm" is
// deleted, and a failed deletion is reported.
void CleanRunKey(Engine& e, RunFlags& flags, RegRoot root) {
    OpenKey key(e.sys);
    if (key.Open(root, kRunKey) != code::Success) {
        flags.RegistryError = true;
        return;
    }
    RegValue v;
    for (std::uint32_t i = 0; e.sys.RegEnumValue(key.get(), i, v) == code::Success; ++i) {
        if (v.name != L"wrm") continue;
        flags.EntryRemoved = true;
        bool deleted = e.sys.RegDeleteValue(key.get(), v.name) == code::Success;
        e.Details(deleted ? status::Removed : status::UnableToRemove, v.name);
        if (!deleted) flags.RegistryError = true;
        return;
    }
}

// One machine, one window and one run. Every scripted stage first marks the details with its name
// (unless `mark` is off), then does what the test gave it.
struct World {
    World() {
        machine.PlantFolder(L"C:\\Logs");
        machine.PlantKey(RegRoot::LocalMachine, kRunKey);
        machine.PlantKey(RegRoot::CurrentUser, kRunKey);
    }

    RunStages Stages() {
        auto step = [this](Engine& en, const wchar_t* name) {
            if (mark) AppendDetailsLine(en.host, std::wstring(L"[") + name + L"]");
        };
        RunStages s;
        s.smartScan = [=, this](Engine& en) {
            step(en, L"SmartScan");
            if (smartScan) smartScan(en);
        };
        s.scanServices = [=, this](Engine& en) {
            step(en, L"ScanServices");
            return scanServices ? scanServices(en) : false;
        };
        s.scanProcesses = [=, this](Engine& en) {
            step(en, L"ScanProcesses");
            return scanProcesses ? scanProcesses(en) : false;
        };
        s.cleanMachineRun = [=, this](Engine& en, RunFlags& f) {
            step(en, L"CleanMachineRun");
            if (machineRun) machineRun(en, f);
        };
        s.cleanUserRun = [=, this](Engine& en, RunFlags& f) {
            step(en, L"CleanUserRun");
            if (userRun) userRun(en, f);
        };
        s.cleanRunServices = [=, this](Engine& en, RunFlags& f) {
            step(en, L"CleanRunServices");
            if (runServices) runServices(en, f);
        };
        s.restorePolicies = [=, this](Engine& en) {
            step(en, L"RestorePolicies");
            if (restorePolicies) restorePolicies(en);
        };
        s.cleanHostsFile = [=, this](Engine& en) {
            step(en, L"CleanHostsFile");
            return cleanHostsFile ? cleanHostsFile(en) : false;
        };
        return s;
    }

    RunOutcome Start(const std::wstring& picked = L"C:\\Logs") {
        return StartCleaning(
            e,
            [this, picked] {
                events.push_back(L"pick");
                return picked;
            },
            Stages());
    }

    std::string LogBytes(const std::wstring& folder = L"C:\\Logs\\") {
        return machine.FileBytes(folder + kDefaultLogName).value_or("<no log>");
    }

    Events events;
    RecordingMachine machine{events};
    RecordingHost host{events};
    Translation english = test::EnglishTranslation();
    Engine e{machine, host, english};

    bool mark = true;
    std::function<void(Engine&)> smartScan, restorePolicies;
    std::function<bool(Engine&)> scanServices, scanProcesses, cleanHostsFile;
    std::function<void(Engine&, RunFlags&)> machineRun, userRun, runServices;
};

std::vector<int> BoxCodes(const test::TestHost& host) {
    std::vector<int> codes;
    for (const auto& b : host.boxes) codes.push_back(b.code);
    return codes;
}

bool HasLine(const Lines& lines, const std::wstring& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

const std::wstring kLogPath = std::wstring(L"C:\\Logs\\") + kDefaultLogName;
// The run's record is created as the run starts, under the name the log will have.
const std::wstring kRecordPath = RecordPathFor(kLogPath);
const std::wstring kStartRestart = std::wstring(L"start ") + kRestartCommandLine;

// ------------------------------------------------------------------ order and folder values

TEST(Run, StagesRunOnceInOrderWithTheStatusLinesBetweenThem) {
    World w;
    EXPECT_EQ(w.Start(), RunOutcome::NothingFound);
    const Lines expected = {L"Starting Scan...",     L"SmartScanning Processes...", L"[SmartScan]",
                            L"[ScanServices]",       L"[ScanProcesses]",            L"Scanning Registry...",
                            L"[CleanMachineRun]",    L"[CleanUserRun]",             L"[CleanRunServices]",
                            kEnabling,               L"[RestorePolicies]",          L"Scanning Hosts File...",
                            L"[CleanHostsFile]",     L"Saving Log...",              L"Done!"};
    EXPECT_EQ(w.host.Lines(), expected);
}

TEST(Run, FolderValuesFromTheSystemsAnswers) {
    auto withTerminator = [](const wchar_t* text) { return std::wstring(text) + std::wstring(3, L'\0') + L"junk"; };
    struct Case {
        std::wstring systemAnswer, tempAnswer, logFolder;
        Folders expected;
    } cases[] = {
        {L"C:\\WINDOWS\\system32", L"C:\\DOCUME~1\\X\\LOCALS~1\\Temp\\", L"",
         {L"C:\\WINDOWS\\system32", L"C:\\WINDOWS", L"C:\\DOCUME~1\\X\\LOCALS~1\\Temp\\", L"C:\\", L"C:\\"}},
        {L"C:\\WINDOWS\\system32   ", L"D:\\Temp\\  ", L"E:\\Logs\\",
         {L"C:\\WINDOWS\\system32", L"C:\\WINDOWS", L"D:\\Temp\\", L"D:\\", L"E:\\Logs\\"}},
        {withTerminator(L"D:\\WinNT\\System32"), withTerminator(L"D:\\T\\"), L"",
         {L"D:\\WinNT\\System32", L"D:\\WinNT", L"D:\\T\\", L"D:\\", L"D:\\"}},
        {L"C:\\WINDOWS", L"C:\\", L"", {L"C:\\WINDOWS", L"C:\\WINDOWS", L"C:\\", L"C:\\", L"C:\\"}},
        {L"C:", L"C:", L"", {L"C:", L"C:\\", L"C:", L"C:", L"C:"}},
    };
    for (const auto& c : cases) {
        World w;
        w.machine.SetSystemDirectory(c.systemAnswer);
        w.machine.SetTempPath(c.tempAnswer);
        w.e.folders.LogFolder = c.logFolder;
        // Read after the run: a log folder that cannot hold the record ends it before any stage.
        RunCleaning(w.e, w.Stages());
        const std::optional<Folders> seen = w.e.folders;
        const std::string label = WideToUtf8(c.systemAnswer.c_str());
        EXPECT_EQ(seen->SystemDir, c.expected.SystemDir) << label;
        EXPECT_EQ(seen->WindowsDir, c.expected.WindowsDir) << label;
        EXPECT_EQ(seen->TempPath, c.expected.TempPath) << label;
        EXPECT_EQ(seen->TempRoot, c.expected.TempRoot) << label;
        EXPECT_EQ(seen->LogFolder, c.expected.LogFolder) << label;
        EXPECT_EQ(w.e.folders.LogFolder, c.expected.LogFolder) << label << ": the fallback stays";
    }
}

TEST(Run, DatabaseVersionReadFromTheCaption) {
    struct Case {
        std::wstring caption;
        std::string header;
    } cases[] = {
        {MainCaption(), "Version: 4.6 Virus DataBase: 6.70\r\n\r\n"},
        {L"Pellworth Remover Virus Database   7.01", "Version: 4.6 Virus DataBase: 7.01\r\n\r\n"},
        {L"Virus Database   6.70 Virus Database   9", "Version: 4.6 Virus DataBase: 6.70 \r\n\r\n"},
        {L"Pellworth Remover Virus Database  6.70", "Version: 4.6 Virus DataBase: \r\n\r\n"},
        {L"Pellworth Remover", "Version: 4.6 Virus DataBase: \r\n\r\n"},
    };
    for (const auto& c : cases) {
        World w;
        w.host.caption = c.caption;
        w.Start();
        EXPECT_EQ(w.LogBytes().rfind(c.header + "Starting Scan...\r\n", 0), 0u) << WideToUtf8(c.caption);
    }
}

// ------------------------------------------------------------------ normal outcome

TEST(Run, AnyOneRemovalSchedulesTheRestart) {
    struct Case {
        const char* what;
        bool services, processes;
        bool machineEntry, userEntry, runServicesEntry;
    } cases[] = {
        {"a process terminated", false, true, false, false, false},
        {"a machine-wide Run value", false, false, true, false, false},
        {"a per-user Run value", false, false, false, true, false},
        {"a RunServices value", false, false, false, false, true},
        {"a service stopped", true, false, false, false, false},
        {"everything", true, true, true, true, true},
    };
    for (const auto& c : cases) {
        World w;
        w.scanServices = [&](Engine&) { return c.services; };
        w.scanProcesses = [&](Engine&) { return c.processes; };
        w.machineRun = [&](Engine&, RunFlags& f) { f.EntryRemoved = f.EntryRemoved || c.machineEntry; };
        w.userRun = [&](Engine&, RunFlags& f) { f.EntryRemoved = f.EntryRemoved || c.userEntry; };
        w.runServices = [&](Engine&, RunFlags& f) { f.EntryRemoved = f.EntryRemoved || c.runServicesEntry; };
        EXPECT_EQ(w.Start(), RunOutcome::Removed) << c.what;
        EXPECT_EQ(w.events, (Events{L"box 2", L"pick", L"term false", L"write " + kRecordPath, L"write " + kLogPath, L"term true", L"box 5",
                                    kStartRestart, L"enable gui"}))
            << c.what;
        ASSERT_EQ(w.machine.StartedCommands().size(), 1u) << c.what;
        EXPECT_EQ(w.machine.StartedCommands()[0].commandLine,
                  L"shutdown.exe -r -t 120 -c \"Virus removal process\"");
        EXPECT_EQ(w.machine.StartedCommands()[0].style, ShowStyle::MinimizedFocus) << c.what;
        EXPECT_EQ(w.host.Lines().back(), L"Done!") << c.what;
        EXPECT_TRUE(w.machine.ShellOpened().empty()) << c.what;
    }
}

// A worm left behind (alone, or beside removals): the closing box says some items stayed instead of
// claiming the virus is gone, the count stands before "Saving Log...", and the restart follows as after
// box 5, since it takes what was marked for deletion at it.
TEST(Run, AWormLeftBehindClosesWithBox9AndStillRestarts) {
    for (bool alsoRemoved : {false, true}) {
        SCOPED_TRACE(alsoRemoved ? "beside a removal" : "alone");
        World w;
        w.scanProcesses = [&](Engine& en) {
            en.wormsLeftBehind.insert(L"C:\\WINDOWS\\WRM.EXE");
            en.wormsLeftBehind.insert(L"HKLM\\SYSTEM\\CurrentControlSet\\Services\\wrm");
            return alsoRemoved;
        };
        EXPECT_EQ(w.Start(), RunOutcome::LeftBehind);
        EXPECT_EQ(w.events, (Events{L"box 2", L"pick", L"term false", L"write " + kRecordPath, L"write " + kLogPath,
                                    L"term true", L"box 9", kStartRestart, L"enable gui"}));
        const Lines lines = w.host.Lines();
        auto saving = std::find(lines.begin(), lines.end(), L"Saving Log...");
        ASSERT_NE(saving, lines.begin());
        EXPECT_EQ(*(saving - 1), L"Left behind: 2 known worm item(s) could not be removed safely (see \"Unable to "
                                 L"backup\" and \"Unable To Remove!!\" above)");
        EXPECT_EQ(lines.back(), L"Done!");
        EXPECT_NE(w.machine.FileBytes(kRecordPath).value_or("").find("\"left-behind\""), std::string::npos);
    }
}

TEST(Run, NothingFoundAsksAboutThePasswordAndOpensTheAdviceOnYesOnly) {
    const std::wstring link = std::wstring(L"http://") + kRedirectHost + L"/?id=14";
    EXPECT_EQ(PasswordAdviceLink(), link);
    struct Case {
        int answer;
        bool opens;
    } cases[] = {{answer::Yes, true}, {answer::No, false}, {answer::None, false}};
    for (const auto& c : cases) {
        World w;
        w.host.answers = {answer::Ok, answer::Ok, c.answer};
        EXPECT_EQ(w.Start(), RunOutcome::NothingFound);
        Events expected = {L"box 2", L"pick", L"term false", L"write " + kRecordPath, L"write " + kLogPath, L"term true", L"box 6",
                           L"box 7 yes/no"};
        if (c.opens) expected.push_back(L"open " + link);
        expected.push_back(L"enable gui");
        EXPECT_EQ(w.events, expected) << "answer " << c.answer;
        EXPECT_TRUE(w.machine.StartedCommands().empty());
        EXPECT_EQ(w.host.Lines().back(), L"Done!");
    }
}

// A worm service that could not be stopped does not ask for a restart; dropped hosts lines do, as a
// found worm.
TEST(Run, AnUnstoppedServiceCountsAsNothingFoundDroppedHostsLinesAsFound) {
    World w;
    w.scanServices = [](Engine& en) {
        en.Details(status::Found, L"wrmsvc");
        en.Details(status::BackedUp, L"wrmsvc");
        return false;
    };
    EXPECT_EQ(w.Start(), RunOutcome::NothingFound);
    EXPECT_EQ(BoxCodes(w.host), (std::vector<int>{box::ChooseFolder, box::NoVirus, box::ChangePassword}));
    EXPECT_TRUE(w.machine.StartedCommands().empty());

    World hosts;
    hosts.cleanHostsFile = [](Engine& en) {
        en.Details(status::FoundHostsEntry, L"127.0.0.1 www.security-site.example");
        return true;
    };
    EXPECT_EQ(hosts.Start(), RunOutcome::Removed);
    EXPECT_EQ(BoxCodes(hosts.host), (std::vector<int>{box::ChooseFolder, box::VirusRemoved}));
    EXPECT_EQ(hosts.machine.StartedCommands().size(), 1u);
}

TEST(Run, RestartThatCannotBeStartedIsReported) {
    World w;
    w.scanProcesses = [](Engine&) { return true; };
    w.machine.InjectFault({test::Op::StartCommandLine, L"", 0, 2});
    EXPECT_EQ(w.Start(), RunOutcome::Removed);
    Lines lines = w.host.Lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], L"Done!");
    EXPECT_EQ(lines.back(), kRestartNotStartedLine);
    EXPECT_EQ(w.host.enableGuiCalls, 1);
}

// ------------------------------------------------------------------ aborted outcome

TEST(Run, RegistryErrorAbortsAfterEveryStageHasRun) {
    struct Case {
        const char* what;
        std::function<void(World&)> plant;
    } cases[] = {
        {"machine-wide Run key refused",
         [](World& w) {
             w.machine.InjectFault({test::Op::RegOpenKey,
                                    L"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run", code::AccessDenied});
         }},
        {"per-user Run key missing",
         [](World& w) {
             RegKey k = 0;
             ASSERT_EQ(w.machine.RegOpenKey(RegRoot::CurrentUser, L"Software\\Microsoft\\Windows\\CurrentVersion",
                                            k),
                       code::Success);
             ASSERT_EQ(w.machine.RegDeleteKey(k, L"Run"), code::Success);
             w.machine.RegCloseKey(k);
         }},
        {"deletion of a worm value refused",
         [](World& w) {
             w.machine.PlantString(RegRoot::LocalMachine, kRunKey, L"wrm", L"C:\\WINDOWS\\wrm.exe");
             w.machine.InjectFault({test::Op::RegDeleteValue, L"wrm", code::AccessDenied});
         }},
    };
    for (const auto& c : cases) {
        World w;
        c.plant(w);
        // Other stages removed things: the outcome is still the aborted one.
        w.scanServices = [](Engine&) { return true; };
        w.scanProcesses = [](Engine&) { return true; };
        w.machineRun = [](Engine& en, RunFlags& f) { CleanRunKey(en, f, RegRoot::LocalMachine); };
        w.userRun = [](Engine& en, RunFlags& f) { CleanRunKey(en, f, RegRoot::CurrentUser); };
        EXPECT_EQ(w.Start(), RunOutcome::Aborted) << c.what;
        EXPECT_EQ(w.events, (Events{L"box 2", L"pick", L"term false", L"write " + kRecordPath, L"write " + kLogPath, L"box 8", L"term true",
                                    L"enable gui"}))
            << c.what;
        Lines lines = w.host.Lines();
        EXPECT_TRUE(HasLine(lines, L"[RestorePolicies]") && HasLine(lines, L"[CleanHostsFile]")) << c.what;
        EXPECT_EQ(lines.back(), L"Saving Log...") << c.what;
        EXPECT_FALSE(HasLine(lines, L"Done!")) << c.what;
        const std::string log = w.LogBytes();
        const std::string tail = "Saving Log...\r\nAborted - Registry connection error!\r\n";
        EXPECT_TRUE(log.size() > tail.size() && log.compare(log.size() - tail.size(), tail.size(), tail) == 0)
            << c.what << ": " << log;
        EXPECT_TRUE(w.machine.StartedCommands().empty()) << c.what;
        EXPECT_TRUE(w.machine.ShellOpened().empty()) << c.what;
    }
}

TEST(Run, UnreadableServicesKeyEndsTheProgramWithoutALog) {
    World w;
    w.scanServices = [](Engine& en) {
        en.host.MsgBox(box::NoRegistryAccess, false);
        en.programEnded = true;
        en.host.EndProgram();
        return false;
    };
    EXPECT_EQ(w.Start(), RunOutcome::ProgramEnded);
    EXPECT_EQ(w.events, (Events{L"box 2", L"pick", L"term false", L"write " + kRecordPath, L"box 8", L"end program"}));
    EXPECT_EQ(w.host.Lines(),
              (Lines{L"Starting Scan...", L"SmartScanning Processes...", L"[SmartScan]", L"[ScanServices]"}));
    // No log; the record tells the run and how it ended.
    for (const auto& f : w.machine.AllFiles()) EXPECT_FALSE(Contains(f, L"Pellworth Removal Log") && Contains(f, L".txt")) << WideToUtf8(f);
    EXPECT_NE(w.machine.FileBytes(kRecordPath)->find("\"outcome\":\"ended\""), std::string::npos);
}

// ------------------------------------------------------------------ the log

TEST(Run, LogThatCannotBeSavedIsReportedAndTheOutcomeStillShown) {
    struct Case {
        const char* what;
        std::wstring picked;
        std::optional<test::Fault> fault;
    } causes[] = {
        {"folder removed", L"C:\\Gone", std::nullopt},
        {"drive gone", L"Q:\\", std::nullopt},
        {"creation refused", L"C:\\Logs", test::Fault{test::Op::OpenFile, kLogPath, 0, code::AccessDenied}},
        {"write fails", L"C:\\Logs", test::Fault{test::Op::WriteFile, kLogPath, 0, 112}},
    };
    for (bool aborted : {false, true}) {
        for (const auto& c : causes) {
            World w;
            if (c.fault) w.machine.InjectFault(*c.fault);
            if (aborted) w.userRun = [](Engine&, RunFlags& f) { f.RegistryError = true; };
            RunOutcome outcome = w.Start(c.picked);
            const std::wstring folder = c.picked.back() == L'\\' ? c.picked : c.picked + L"\\";
            Lines lines = w.host.Lines();
            if (!c.fault) {
                // A folder that is gone cannot hold the record either: the run changes nothing at all.
                EXPECT_EQ(outcome, RunOutcome::RecordUnwritable) << c.what;
                EXPECT_EQ(lines, (Lines{L"Starting Scan...", L"SmartScanning Processes...", RecordUnwritableLine(folder)}))
                    << c.what;
                EXPECT_EQ(BoxCodes(w.host), (std::vector<int>{box::ChooseFolder})) << c.what;
                EXPECT_EQ(w.host.termCalls, (std::vector<bool>{false, true})) << c.what;
                EXPECT_EQ(w.host.enableGuiCalls, 1) << c.what;
                continue;
            }
            auto saving = std::find(lines.begin(), lines.end(), L"Saving Log...");
            ASSERT_TRUE(saving != lines.end() && saving + 1 != lines.end()) << c.what;
            EXPECT_EQ(saving[1], L"Unable to save Log \"" + folder + kDefaultLogName + L"\"") << c.what;
            if (aborted) {
                EXPECT_EQ(outcome, RunOutcome::Aborted) << c.what;
                EXPECT_EQ(BoxCodes(w.host), (std::vector<int>{box::ChooseFolder, box::NoRegistryAccess})) << c.what;
                EXPECT_EQ(saving + 2, lines.end()) << c.what;
            } else {
                EXPECT_EQ(outcome, RunOutcome::NothingFound) << c.what;
                EXPECT_EQ(BoxCodes(w.host), (std::vector<int>{box::ChooseFolder, box::NoVirus, box::ChangePassword})) << c.what;
                EXPECT_EQ(lines.back(), L"Done!") << c.what;
            }
            EXPECT_EQ(w.host.termCalls, (std::vector<bool>{false, true})) << c.what;
            EXPECT_EQ(w.host.enableGuiCalls, 1) << c.what;
            EXPECT_EQ(w.machine.OpenHandleCount(), 0u) << c.what;
        }
    }
}

TEST(Run, LogNamedByTheDateAndTimeTakenAfterTheLastStage) {
    struct Case {
        const wchar_t* date;
        const wchar_t* time;
        const wchar_t* name;
    } cases[] = {
        {L"12/8/2026", L"2:00:00 AM", L"Pellworth Removal Log 12_8_2026 2_00_00 AM.txt"},
        {L"08.12.2026", L"02:00:00", L"Pellworth Removal Log 08.12.2026 02_00_00.txt"},
        {L"2026-12-08", L"02:00:00", L"Pellworth Removal Log 2026-12-08 02_00_00.txt"},
    };
    for (const auto& c : cases) {
        World w;
        w.cleanHostsFile = [&](Engine&) {
            w.machine.SetDateTime(c.date, c.time);
            return true;
        };
        w.Start();
        EXPECT_TRUE(w.machine.FileExists(std::wstring(L"C:\\Logs\\") + c.name)) << WideToUtf8(c.name);
        EXPECT_FALSE(w.machine.FileExists(kLogPath));
    }
}

TEST(Run, LogHoldsTheDetailsUpToSavingLogInTheSystemCodePage) {
    for (bool aborted : {false, true}) {
        World w;
        w.mark = false;
        w.smartScan = [](Engine& en) {
            en.Details(status::Identified, L"C:\\Users\\J\u00fcrgen\\wrm.exe");
            en.Details(status::SmartScanningRegistry);
            en.Details(status::SmartScanningAutoRuns);
            en.Details(status::LookingForServices);
        };
        w.scanServices = [](Engine& en) {
            en.Details(status::Found, L"wrmsvc");
            en.Details(status::BackedUp, L"wrmsvc");
            return true;
        };
        w.scanProcesses = [](Engine& en) {
            en.Details(status::LookingForProcesses);
            en.Details(status::Terminated, L"WRM.EXE");
            en.Details(status::LookingForFiles);
            return true;
        };
        w.machineRun = [aborted](Engine& en, RunFlags& f) {
            en.Details(aborted ? status::UnableToRemove : status::Removed, L"HKLM\\..\\Run\\wrm = C:\\WINDOWS\\wrm.exe");
            f.EntryRemoved = true;
            f.RegistryError = aborted;
        };
        w.cleanHostsFile = [](Engine& en) {
            en.Details(status::FoundHostsEntry, L"\u20ac.example");
            return true;
        };
        w.Start();
        std::string expected =
            "Version: 4.6 Virus DataBase: 6.70\r\n"
            "\r\n"
            "Starting Scan...\r\n"
            "SmartScanning Processes...\r\n"
            "C:\\Users\\J\xFCrgen\\wrm.exe ...Identified\r\n"
            "SmartScanning Registry Items...\r\n"
            "SmartScanning AutoRuns...\r\n"
            "Looking For Virus Services...\r\n"
            "Found \"wrmsvc\"\r\n"
            "Successfully backed up \"wrmsvc\"\r\n"
            "Looking For Virus Processes...\r\n"
            "WRM.EXE ...Terminated\r\n"
            "Looking for Virus Files...\r\n"
            "Scanning Registry...\r\n";
        expected += aborted ? "Found HKLM\\..\\Run\\wrm = C:\\WINDOWS\\wrm.exe ...Unable To Remove!!\r\n"
                            : "Found HKLM\\..\\Run\\wrm = C:\\WINDOWS\\wrm.exe ...Removed\r\n";
        expected +=
            "Enabling: Task Manager, Regedit, System Restore Config, Command Prompt, Folder Options, Run\r\n"
            "Scanning Hosts File...\r\n"
            "Found Entry \x80.example\r\n"
            "Saving Log...\r\n";
        if (aborted) expected += "Aborted - Registry connection error!\r\n";
        EXPECT_EQ(w.LogBytes(), expected) << (aborted ? "aborted" : "normal");
    }
}

// ------------------------------------------------------------------ START

TEST(Run, StartSetsTheLogFolderFromThePickedPath) {
    struct Case {
        std::wstring picked, logFolder;
        std::vector<int> boxes;
    } cases[] = {
        {L"", L"C:\\", {box::ChooseFolder, box::NoFolderSelected, box::NoVirus, box::ChangePassword}},
        {L"C:\\Logs", L"C:\\Logs\\", {box::ChooseFolder, box::NoVirus, box::ChangePassword}},
        {L"C:\\Logs\\", L"C:\\Logs\\", {box::ChooseFolder, box::NoVirus, box::ChangePassword}},
        {L"C:\\", L"C:\\", {box::ChooseFolder, box::NoVirus, box::ChangePassword}},
    };
    for (const auto& c : cases) {
        World w;
        w.e.folders.LogFolder = L"D:\\Earlier Run\\";
        w.Start(c.picked);
        EXPECT_EQ(w.e.folders.LogFolder, c.logFolder) << WideToUtf8(c.picked);
        EXPECT_EQ(BoxCodes(w.host), c.boxes) << WideToUtf8(c.picked);
        EXPECT_TRUE(w.machine.FileExists(c.logFolder + kDefaultLogName)) << WideToUtf8(c.picked);
        // Box 3 follows the picker; the window is put into its running state after both.
        if (c.picked.empty()) {
            EXPECT_EQ(Events(w.events.begin(), w.events.begin() + 4),
                      (Events{L"box 2", L"pick", L"box 3", L"term false"}));
        }
    }
}

TEST(Run, StartResetsTheRunStateAndRestartsTheDetails) {
    World w;
    w.host.details = L"\r\nlines of an earlier run\r\nDone!";
    w.e.lstKeys.Append(L"old=C:\\old.exe");
    w.e.lstIdentifiedByMD5.Append(L"C:\\WINDOWS\\wrm.exe");
    std::size_t keysAtFirstStage = 99;
    w.smartScan = [&](Engine& en) { keysAtFirstStage = en.lstKeys.Count(); };
    w.Start();
    EXPECT_EQ(keysAtFirstStage, 0u);
    EXPECT_EQ(w.e.lstIdentifiedByMD5.Count(), 1u);
    EXPECT_EQ(w.host.prog1, std::vector<double>{0});
    EXPECT_EQ(w.host.prog2, std::vector<double>{0});
    EXPECT_EQ(w.host.termCalls, (std::vector<bool>{false, true}));
    EXPECT_EQ(w.host.details.rfind(L"Starting Scan...\r\nSmartScanning Processes...\r\n[SmartScan]", 0), 0u);
}

// The real stages on a clean machine: nothing is found, nothing is changed, and the run ends normally.
TEST(Run, CleanMachineWithTheRealStagesFindsNothing) {
    World w;
    w.machine.PlantKey(RegRoot::LocalMachine, L"System\\CurrentControlSet\\Services");
    w.machine.PlantKey(RegRoot::LocalMachine, L"Software\\Microsoft\\Windows\\CurrentVersion\\RunServices");
    w.machine.PlantFile(L"C:\\WINDOWS\\system32\\drivers\\etc\\hosts", "127.0.0.1 localhost\r\n");
    const std::wstring registryBefore = w.machine.RegistryDump();
    EXPECT_EQ(StartCleaning(w.e, [] { return std::wstring(L"C:\\Logs"); }), RunOutcome::NothingFound);
    EXPECT_EQ(w.machine.RegistryDump(), registryBefore);
    EXPECT_EQ(BoxCodes(w.host), (std::vector<int>{box::ChooseFolder, box::NoVirus, box::ChangePassword}));
    EXPECT_TRUE(w.machine.StartedCommands().empty());
    const std::string log = w.LogBytes();
    EXPECT_EQ(log.rfind("Version: 4.6 Virus DataBase: 6.70\r\n\r\nStarting Scan...\r\n", 0), 0u) << log;
    EXPECT_EQ(log.substr(log.size() - 15), "Saving Log...\r\n");
    EXPECT_EQ(w.host.Lines().back(), L"Done!");
}

}  // namespace
}  // namespace pell

namespace pell {
namespace {

// Without a crypto provider SmartScan raises its error; the run says why it stopped identifying by
// digest, writes the line SmartScan would have ended with, and still cleans by name. The provider may
// also fail only later, in the registry pass, when the Run values of all three keys are already listed:
// none of them may reach the machine-wide stage, whose deletions would hit values of the same name there.
TEST(Run, SmartScanErrorIsReportedAndTheRunGoesOn) {
    for (int acquiresBefore : {0, 1}) {
        World w;
        w.mark = false;
        w.machine.InjectFault(test::Fault{test::Op::CryptAcquireContext, L"", 0, 0x80090006, acquiresBefore, -1});
        w.smartScan = SmartScan;
        w.scanProcesses = [](Engine&) { return true; };
        w.machine.PlantString(RegRoot::CurrentUser, kRunKey, L"wrm", L"C:\\WINDOWS\\wrm.exe");
        w.machine.PlantString(RegRoot::LocalMachine, kRunKey, L"wrm", L"C:\\tools\\keep.exe");
        w.e.InfectionNames = {L"wrm"};
        w.machineRun = CleanMachineRun;
        EXPECT_EQ(w.Start(), RunOutcome::Removed) << acquiresBefore;
        const Lines lines = w.host.Lines();
        auto stopped = std::find_if(lines.begin(), lines.end(),
                                    [](const std::wstring& l) { return l.rfind(L"SmartScan stopped: ", 0) == 0; });
        ASSERT_TRUE(stopped != lines.end() && lines.end() - stopped >= 3) << acquiresBefore;
        EXPECT_EQ(stopped - lines.begin(), 2 + acquiresBefore);
        EXPECT_EQ(stopped->rfind(L"SmartScan stopped: Failed to obtain access to CryptoAPI, system error ", 0), 0u)
            << WideToUtf8(*stopped);
        EXPECT_EQ(stopped[1], L"Looking For Virus Services...");
        EXPECT_EQ(stopped[2], L"Scanning Registry...");
        EXPECT_EQ(stopped[3], kEnabling) << acquiresBefore;
        EXPECT_TRUE(w.machine.ValueExists(RegRoot::LocalMachine, kRunKey, L"wrm")) << acquiresBefore;
        EXPECT_NE(w.LogBytes().find("SmartScan stopped"), std::string::npos);
    }
}

}  // namespace
}  // namespace pell
