// The what-if machine and the scan on the fake machine: reads after the what-if machine's own changes,
// changes it refuses, and a scan of the planted machine against the cleaning that follows it.
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "app/pellclean/console.h"
#include "app/pellclean/scan_command.h"
#include "base/files.h"
#include "base/handles.h"
#include "engine/scan.h"
#include "engine/what_if_system.h"
#include "tests/unit/planted_machine.h"

namespace pell {
namespace {

const std::wstring kSoftKey = L"Software\\Pell\\Test";
const std::wstring kFolder = L"C:\\Data";

// A small machine for the what-if reads: values in both registry views, a key with a subkey, files, a
// running program and a running service with its own process.
struct Small {
    test::FakeMachine machine;
    std::uint32_t program = 0, serviceProcess = 0;
    Small() {
        machine.PlantString(RegRoot::LocalMachine, kSoftKey, L"One", L"1");
        machine.PlantString(RegRoot::LocalMachine, kSoftKey, L"Two", L"2");
        machine.PlantString(RegRoot::LocalMachine, L"Software\\Wow6432Node\\Pell\\Test", L"One", L"32");
        machine.PlantString(RegRoot::LocalMachine, kSoftKey + L"\\Sub\\Deeper", L"Three", L"3");
        machine.PlantFile(kFolder + L"\\a.exe", "bytes of a", kAttributeHidden);
        machine.PlantFile(kFolder + L"\\hosts", "old hosts\r\n");
        machine.PlantFolder(L"C:\\Logs");
        program = machine.AddProcess(kFolder + L"\\a.exe");
        machine.PlantFile(kFolder + L"\\svc.exe", "service");
        machine.PlantService(L"wsvc", L"\"" + kFolder + L"\\svc.exe\" -service");
        machine.AddScmService(L"wsvc");
        serviceProcess = machine.AddProcess(kFolder + L"\\svc.exe");
    }
};

std::vector<std::wstring> ValueNames(System& sys, RegRoot root, const std::wstring& path, std::uint32_t view = regview::Own) {
    std::vector<std::wstring> names;
    OpenKey key(sys);
    if (key.Open(root, path, view) != code::Success) return {L"(no key)"};
    RegValue value;
    for (std::uint32_t i = 0; sys.RegEnumValue(key.get(), i, value) == code::Success; ++i)
        names.push_back(value.name + L"=" + value.data);
    return names;
}

std::vector<std::wstring> Listing(System& sys, const std::wstring& folder, const std::wstring& pattern = L"*") {
    std::vector<FoundFile> entries;
    sys.ListFolder(folder, pattern, entries);
    std::vector<std::wstring> names;
    for (const FoundFile& entry : entries) names.push_back(UpperCase(entry.name) + L"@" + std::to_wstring(entry.attributes));
    std::sort(names.begin(), names.end());
    return names;
}

std::string Read(System& sys, const std::wstring& path) {
    std::string bytes;
    return ReadWholeFile(sys, path, bytes) ? bytes : std::string("(unreadable)");
}

std::set<std::uint32_t> Running(System& sys) {
    std::vector<std::uint32_t> ids(1024);
    std::uint32_t needed = 0;
    sys.EnumProcesses(ids, 4096, needed);
    return std::set<std::uint32_t>(ids.begin(), ids.begin() + needed / 4);
}

struct WhatIfCase {
    const char* name;
    std::function<void(WhatIfSystem&, Small&)> change;
    std::function<void(WhatIfSystem&, Small&)> check;
};

const WhatIfCase kWhatIfCases[] = {
    {"a deleted value is no longer listed nor read",
     [](WhatIfSystem& w, Small&) {
         OpenKey key(w);
         ASSERT_EQ(key.Open(RegRoot::LocalMachine, kSoftKey), code::Success);
         EXPECT_EQ(w.RegDeleteValue(key.get(), L"one"), code::Success);
         EXPECT_EQ(w.RegDeleteValue(key.get(), L"One"), code::FileNotFound);
     },
     [](WhatIfSystem& w, Small&) {
         EXPECT_EQ(ValueNames(w, RegRoot::LocalMachine, kSoftKey), std::vector<std::wstring>{L"Two=2"});
         OpenKey key(w);
         key.Open(RegRoot::LocalMachine, kSoftKey);
         std::uint32_t type = 0;
         std::vector<std::uint8_t> data;
         EXPECT_EQ(w.RegQueryValue(key.get(), L"ONE", type, data), code::FileNotFound);
         // The other view's value of the same name is another value.
         EXPECT_EQ(ValueNames(w, RegRoot::LocalMachine, kSoftKey, regview::Key32), std::vector<std::wstring>{L"One=32"});
     }},
    {"a value deleted through the 32-bit view is gone from its Wow6432Node key",
     [](WhatIfSystem& w, Small&) {
         OpenKey key(w);
         ASSERT_EQ(key.Open(RegRoot::LocalMachine, kSoftKey, regview::Key32), code::Success);
         EXPECT_EQ(w.RegDeleteValue(key.get(), L"One"), code::Success);
     },
     [](WhatIfSystem& w, Small&) {
         EXPECT_TRUE(ValueNames(w, RegRoot::LocalMachine, L"Software\\Wow6432Node\\Pell\\Test").empty());
         EXPECT_EQ(ValueNames(w, RegRoot::LocalMachine, kSoftKey).size(), 2u);
     }},
    {"a rewritten value reads as written, in its listing and its query",
     [](WhatIfSystem& w, Small&) {
         OpenKey key(w);
         key.Open(RegRoot::LocalMachine, kSoftKey);
         EXPECT_EQ(w.RegSetStringValue(key.get(), L"Two", L"explorer.exe"), code::Success);
         EXPECT_EQ(w.RegSetStringValue(key.get(), L"New", L"n"), code::Success);
     },
     [](WhatIfSystem& w, Small&) {
         EXPECT_EQ(ValueNames(w, RegRoot::LocalMachine, kSoftKey),
                   (std::vector<std::wstring>{L"One=1", L"Two=explorer.exe", L"New=n"}));
         OpenKey key(w);
         key.Open(RegRoot::LocalMachine, kSoftKey);
         std::uint32_t type = 0;
         std::vector<std::uint8_t> data;
         ASSERT_EQ(w.RegQueryValue(key.get(), L"two", type, data), code::Success);
         EXPECT_EQ(type, regtype::String);
         EXPECT_EQ(data, StringValueBytes(L"explorer.exe"));
     }},
    {"a key goes only once its subkeys have gone, and then nothing below it opens",
     [](WhatIfSystem& w, Small&) {
         OpenKey key(w);
         key.Open(RegRoot::LocalMachine, kSoftKey);
         EXPECT_EQ(w.RegDeleteKey(key.get(), L"Sub"), code::AccessDenied);
         OpenKey sub(w);
         ASSERT_EQ(sub.Open(RegRoot::LocalMachine, kSoftKey + L"\\Sub"), code::Success);
         EXPECT_EQ(w.RegDeleteKey(sub.get(), L"deeper"), code::Success);
         EXPECT_EQ(w.RegDeleteKey(sub.get(), L""), code::Success);
     },
     [](WhatIfSystem& w, Small&) {
         RegKey opened = 0;
         EXPECT_EQ(w.RegOpenKey(RegRoot::LocalMachine, kSoftKey + L"\\SUB", opened), code::FileNotFound);
         EXPECT_EQ(w.RegOpenKey(RegRoot::LocalMachine, kSoftKey + L"\\Sub\\Deeper", opened), code::FileNotFound);
         OpenKey key(w);
         key.Open(RegRoot::LocalMachine, kSoftKey);
         std::wstring name;
         EXPECT_EQ(w.RegEnumKey(key.get(), 0, name), code::NoMoreItems);
     }},
    {"an ended process no longer runs nor opens",
     [](WhatIfSystem& w, Small& s) {
         OpenProcessHandle process(w, w.OpenProcess(0x1F0FFF, s.program));
         ASSERT_TRUE(process.valid());
         EXPECT_EQ(w.TerminateProcess(process.get(), 0), 1);
     },
     [](WhatIfSystem& w, Small& s) {
         EXPECT_EQ(Running(w).count(s.program), 0u);
         EXPECT_EQ(w.OpenProcess(0x410, s.program), 0u);
         EXPECT_EQ(Running(w).count(s.serviceProcess), 1u);
     }},
    {"a stopped service stops once, and its own process ends with it",
     [](WhatIfSystem& w, Small&) {
         OpenServiceHandle manager(w, w.OpenSCManager(0xF003F));
         OpenServiceHandle service(w, w.OpenService(manager.get(), L"wsvc", 0xF01FF));
         EXPECT_EQ(w.ControlService(service.get(), 1), 1);
         EXPECT_EQ(w.ControlService(service.get(), 1), 0);
         EXPECT_EQ(w.LastError(), static_cast<std::uint32_t>(code::ServiceNotActive));
     },
     [](WhatIfSystem& w, Small& s) {
         EXPECT_EQ(Running(w).count(s.serviceProcess), 0u);
         EXPECT_EQ(Running(w).count(s.program), 1u);
     }},
    {"a deleted file is neither there, nor listed, nor readable; its copy made first still is",
     [](WhatIfSystem& w, Small&) {
         EXPECT_EQ(w.SetFileAttributes(kFolder + L"\\a.exe", kAttributeNormal), 1);
         EXPECT_EQ(w.CopyFile(kFolder + L"\\a.exe", L"C:\\Logs\\a.exe.back", true), 1);
         EXPECT_EQ(w.CopyFile(kFolder + L"\\a.exe", L"C:\\Logs\\a.exe.back", true), 0);
         EXPECT_EQ(w.LastError(), 80u);
         EXPECT_EQ(w.DeleteFile(kFolder + L"\\A.EXE"), 1);
         EXPECT_EQ(w.DeleteFile(kFolder + L"\\a.exe"), 0);
     },
     [](WhatIfSystem& w, Small&) {
         EXPECT_EQ(w.GetFileAttributes(kFolder + L"\\a.exe"), kInvalidAttributes);
         EXPECT_EQ(w.LastError(), static_cast<std::uint32_t>(code::FileNotFound));
         EXPECT_EQ(Read(w, kFolder + L"\\a.exe"), "(unreadable)");
         EXPECT_EQ(Listing(w, kFolder, L"*.exe"), std::vector<std::wstring>{L"SVC.EXE@128"});
         EXPECT_EQ(Read(w, L"C:\\Logs\\a.exe.back"), "bytes of a");
         EXPECT_EQ(Listing(w, L"C:\\Logs", L"*.back"), std::vector<std::wstring>{L"A.EXE.BACK@128"});
     }},
    {"a file rewritten beside itself and moved over it reads as rewritten",
     [](WhatIfSystem& w, Small&) {
         EXPECT_TRUE(WriteWholeFile(w, kFolder + L"\\hosts.new", "new hosts\r\n"));
         EXPECT_EQ(w.MoveFileReplace(kFolder + L"\\hosts.new", kFolder + L"\\hosts"), 1);
     },
     [](WhatIfSystem& w, Small&) {
         EXPECT_EQ(Read(w, kFolder + L"\\hosts"), "new hosts\r\n");
         EXPECT_EQ(w.HeldFile(kFolder + L"\\hosts"), std::optional<std::string>("new hosts\r\n"));
         EXPECT_EQ(w.GetFileAttributes(kFolder + L"\\hosts.new"), kInvalidAttributes);
         EXPECT_EQ(Listing(w, kFolder, L"hosts*"), std::vector<std::wstring>{L"HOSTS@32"});
     }},
    {"a registry export is held where the editor would write it, and nothing is started",
     [](WhatIfSystem& w, Small&) {
         EXPECT_EQ(w.StartCommandLineAndWait(L"C:\\WINDOWS\\regedit.exe /e \"C:\\Logs\\wsvc.reg\" \"HKEY_LOCAL_MACHINE\\x\"",
                                             ShowStyle::Hidden, 1000), 1);
     },
     [](WhatIfSystem& w, Small& s) {
         EXPECT_NE(w.GetFileAttributes(L"C:\\Logs\\wsvc.reg"), kInvalidAttributes);
         EXPECT_EQ(w.CommandsNotStarted().size(), 1u);
         EXPECT_TRUE(s.machine.StartedCommands().empty());
     }},
};

class WhatIf : public ::testing::TestWithParam<WhatIfCase> {};

TEST_P(WhatIf, LaterReadsSeeTheChangeAndTheMachineNever) {
    Small s;
    const std::wstring registry = s.machine.RegistryDump();
    const std::vector<std::wstring> files = s.machine.AllFiles();
    const std::string hosts = *s.machine.FileBytes(kFolder + L"\\hosts");
    WhatIfSystem whatIf(s.machine);
    GetParam().change(whatIf, s);
    GetParam().check(whatIf, s);
    EXPECT_EQ(s.machine.RegistryDump(), registry);
    EXPECT_EQ(s.machine.AllFiles(), files);
    EXPECT_EQ(*s.machine.FileBytes(kFolder + L"\\hosts"), hosts);
    EXPECT_EQ(s.machine.GetFileAttributes(kFolder + L"\\a.exe"), kAttributeHidden);
    EXPECT_TRUE(s.machine.ProcessRunning(s.program));
    EXPECT_TRUE(s.machine.ProcessRunning(s.serviceProcess));
    EXPECT_TRUE(s.machine.ServiceRunning(L"wsvc"));
}

INSTANTIATE_TEST_SUITE_P(Cases, WhatIf, ::testing::ValuesIn(kWhatIfCases),
                         [](const auto& info) { return "case" + std::to_string(info.index); });

TEST(WhatIf, ChangesItDoesNotModelEndTheRunBeforeTheyReachTheMachine) {
    Small s;
    WhatIfSystem w(s.machine);
    RegKey key = 0;
    EXPECT_THROW(w.RegCreateKey(RegRoot::LocalMachine, L"Software\\New", key), UnmodelledChange);
    EXPECT_THROW(w.ShellOpen(L"https://example.invalid/"), UnmodelledChange);
    EXPECT_THROW(w.StartCommandLine(kRestartCommandLine, ShowStyle::MinimizedFocus), UnmodelledChange);
    EXPECT_THROW(w.StartCommandLineAndWait(L"C:\\WINDOWS\\regedit.exe /s \"C:\\x.reg\"", ShowStyle::Hidden, 10),
                 UnmodelledChange);
    OpenFileHandle file(w);
    ASSERT_TRUE(file.Open(kFolder + L"\\hosts", FileAccess::ReadWrite, FileDisposition::OpenAlways));
    std::uint32_t written = 0;
    EXPECT_THROW(w.WriteFile(file.get(), "x", 1, written), UnmodelledChange);
    file.reset();
    EXPECT_EQ(*s.machine.FileBytes(kFolder + L"\\hosts"), "old hosts\r\n");
    EXPECT_FALSE(s.machine.KeyExists(RegRoot::LocalMachine, L"Software\\New"));
    EXPECT_TRUE(s.machine.StartedCommands().empty());
    EXPECT_TRUE(s.machine.ShellOpened().empty());
}

// The kinds and the names of a record's changes, one text each, in order.
std::vector<std::wstring> Changes(const std::vector<JsonValue>& lines) {
    std::vector<std::wstring> out;
    for (const JsonValue& line : lines) {
        std::wstring record, kind, path, name, key;
        line.Text(L"record", record);
        if (record != L"change") continue;
        line.Text(L"kind", kind);
        line.Text(L"path", path);
        line.Text(L"name", name);
        line.Text(L"key", key);
        out.push_back(kind + L" " + path + L" " + key + L" " + name);
    }
    return out;
}

std::vector<JsonValue> RecordLines(const std::string& bytes) {
    std::vector<JsonValue> out;
    for (const auto& line : SplitLines(bytes, LineBreaks::Lf)) {
        if (line.text.empty()) continue;
        JsonValue v;
        std::wstring error;
        EXPECT_TRUE(ParseJson(line.text, v, error)) << WideToUtf8(error);
        out.push_back(v);
    }
    return out;
}

TEST(Scan, ChangesNothingAndRecordsWhatTheCleaningThatFollowsDoes) {
    Planted p;
    const Lines hostsBefore = SplitAtCrLf(Utf8ToWide(*p.machine.FileBytes(kHosts)));
    WhatIfSystem whatIf(p.machine);
    Engine scanning(whatIf, p.host, p.english);
    static_cast<DetectionTables&>(scanning) = p.e;
    std::string out;
    Lines errors;
    const int exit = console::ScanCommand(
        scanning, whatIf, p.machine, kLogs, [&](std::string_view text) { out += text; },
        [&](const std::wstring& line) { errors.push_back(line); });

    EXPECT_EQ(exit, console::exitcode::WouldChange);
    EXPECT_EQ(p.Snapshot(), p.before);
    EXPECT_TRUE(p.machine.StartedCommands().empty());
    EXPECT_TRUE(p.host.boxes.empty());
    EXPECT_TRUE(p.machine.ServiceRunning(L"wrmsvc"));
    // Only the record itself was written: into the log folder, under the scan's name.
    const std::wstring saved = kLogs + L"Pellworth Scan 12_7_2026 1_45_10 AM.jsonl";
    ASSERT_EQ(errors, Lines{L"the scan's record: " + saved});
    std::vector<std::wstring> logFiles;
    for (const std::wstring& file : p.machine.AllFiles())
        if (Contains(file, kLogs)) logFiles.push_back(file);
    EXPECT_EQ(logFiles, std::vector<std::wstring>{saved});

    const Lines details = p.host.Lines();
    const std::vector<JsonValue> scanRecord = p.RecordLines(saved);
    const std::vector<std::wstring> wouldChange = Changes(scanRecord);
    EXPECT_EQ(details.back(), ScanSummaryLine(wouldChange.size()));
    EXPECT_EQ(std::count(details.begin(), details.end(), L"Saving Log..."), 0);
    const auto has = [&](const std::wstring& line) { return std::find(details.begin(), details.end(), line) != details.end(); };
    EXPECT_TRUE(has(L"Found " + kWormOne + L" ...would be removed")) << WideToUtf8(p.host.details);
    EXPECT_TRUE(has(L"Found \"wrmsvc\" wrm.exe ...would be stopped\""));
    EXPECT_TRUE(has(L"\"wrmsvc\" ...would be backed up"));
    EXPECT_TRUE(has(L"Found Entry 127.0.0.1       www.badsite.example"));
    ASSERT_GE(scanRecord.size(), 2u);
    EXPECT_NE(scanRecord.front().Find(L"scan"), nullptr);
    std::wstring outcome;
    scanRecord.back().Text(L"outcome", outcome);
    EXPECT_EQ(outcome, L"would-remove");
    for (const JsonValue& line : scanRecord) {
        EXPECT_EQ(line.Find(L"backup"), nullptr);
        EXPECT_EQ(line.Find(L"export"), nullptr);
    }
    // The file lines carry the files' own size and digest.
    bool digestOfWormOne = false;
    for (const JsonValue& line : scanRecord) {
        std::wstring path, md5;
        if (line.Text(L"path", path) && path == kWormOne && line.Text(L"md5", md5))
            digestOfWormOne = md5 == UpperCase(Utf8ToWide(test::Md5Hex("MZ worm one")));
    }
    EXPECT_TRUE(digestOfWormOne);

    // The cleaning that follows changes exactly what the scan said it would.
    p.host.details.clear();
    ASSERT_EQ(RunCleaning(p.e), RunOutcome::Removed);
    EXPECT_EQ(Changes(p.RecordLines()), wouldChange);
    EXPECT_FALSE(wouldChange.empty());
    EXPECT_NE(hostsBefore, SplitAtCrLf(Utf8ToWide(*p.machine.FileBytes(kHosts))));

    // A scan's record is never restored, and restoring the folder takes the cleaning's record.
    Lines said;
    EXPECT_EQ(p.Restore(saved, true, said), RestoreResult::Unreadable);
    ASSERT_FALSE(said.empty());
    EXPECT_TRUE(Contains(said.back(), L"record of a scan")) << WideToUtf8(said.back());
    said.clear();
    EXPECT_EQ(p.Restore(kLogs, true, said), RestoreResult::AllRestored);
    EXPECT_TRUE(Contains(said.front(), kRecord)) << WideToUtf8(said.front());
}

TEST(Scan, WithoutALogFolderTheRecordFollowsTheDetailsAndAfterACleaningNothingIsFound) {
    Planted p;
    WhatIfSystem whatIf(p.machine);
    Engine scanning(whatIf, p.host, p.english);
    static_cast<DetectionTables&>(scanning) = p.e;
    const auto scan = [&](std::string& out, Lines& errors) {
        p.host.details.clear();
        return console::ScanCommand(
            scanning, whatIf, p.machine, L"", [&](std::string_view text) { out += text; },
            [&](const std::wstring& line) { errors.push_back(line); });
    };
    std::string out;
    Lines errors;
    EXPECT_EQ(scan(out, errors), console::exitcode::WouldChange);
    EXPECT_EQ(p.Snapshot(), p.before);
    EXPECT_EQ(errors, Lines{L"the scan's record: standard output (no --log-folder given)"});
    EXPECT_EQ(p.host.Lines().back(), ScanSummaryLine(Changes(RecordLines(out)).size()));
    for (const std::wstring& file : p.machine.AllFiles()) EXPECT_FALSE(Contains(file, L"jsonl")) << WideToUtf8(file);

    ASSERT_EQ(RunCleaning(p.e), RunOutcome::Removed);
    out.clear();
    EXPECT_EQ(scan(out, errors), console::exitcode::NothingFound);
    EXPECT_EQ(p.host.Lines().back(), ScanSummaryLine(0));
    const std::vector<JsonValue> record = RecordLines(out);
    ASSERT_EQ(record.size(), 2u) << out;
    std::wstring outcome;
    record.back().Text(L"outcome", outcome);
    EXPECT_EQ(outcome, L"nothing-found");
}

TEST(Scan, SwitchesThatWouldChangeSomethingAreUsageErrors) {
    const struct {
        std::vector<std::wstring> args;
        bool accepted;
    } kCases[] = {
        {{L"--scan"}, true},
        {{L"--scan", L"--log-folder", L"x", L"--extra-detections", L"y"}, true},
        {{L"--scan", L"--yes"}, false},
        {{L"--scan", L"--no-restart"}, false},
        {{L"--scan", L"--scan"}, false},
        {{L"--scan", L"--dry-run"}, false},
        {{L"--restore", L"x", L"--yes", L"--scan"}, false},
    };
    for (const auto& c : kCases) {
        console::Options options;
        std::wstring error;
        EXPECT_EQ(console::ParseOptions(c.args, options, error), c.accepted) << WideToUtf8(c.args.back());
        if (c.accepted) {
            EXPECT_TRUE(options.scan);
        }
    }
}

}  // namespace
}  // namespace pell
