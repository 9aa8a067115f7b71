// The run's record and restore on the fake machine: a machine planted with every kind of infection is
// cleaned, then put back from the record, and compared with the planted state.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "record/json.h"
#include "record/record_writer.h"
#include "record/restore.h"
#include "engine/removal_log.h"
#include "engine/run.h"
#include "base/text.h"
#include "tests/fake/fake_machine.h"
#include "tests/fake/test_host.h"
#include "tests/unit/english_translation.h"
#include "tests/unit/planted_machine.h"

namespace pell {
namespace {

std::wstring Text(const JsonValue& v, const wchar_t* key) {
    std::wstring out;
    v.Text(key, out);
    return out;
}

std::size_t Count(const Lines& lines, std::wstring_view prefix) {
    return static_cast<std::size_t>(std::count_if(lines.begin(), lines.end(), [&](const std::wstring& l) {
        return l.compare(0, prefix.size(), prefix) == 0;
    }));
}

TEST(Record, TheRunRecordsEveryChangeWithWhatPutsItBack) {
    Planted p;
    ASSERT_EQ(RunCleaning(p.e), RunOutcome::Removed);
    EXPECT_EQ(p.e.lastRecord, kRecord);
    EXPECT_EQ(p.e.changes, nullptr);
    EXPECT_EQ(p.machine.OpenHandleCount(), 0u);
    const std::vector<JsonValue> lines = p.RecordLines();
    ASSERT_GE(lines.size(), 3u);
    // Every line was on disk before the run went on, and so was each copy (four files, the hosts file)
    // before it took its finished name.
    EXPECT_EQ(p.machine.Calls(test::Op::FlushFile), lines.size() + 5u);
    // The SmartScan passes take the provider four times; the record's five digests share one more.
    EXPECT_EQ(p.machine.Calls(test::Op::CryptAcquireContext), 5u);

    const JsonValue& header = lines.front();
    EXPECT_EQ(Text(header, L"record"), L"header");
    EXPECT_EQ(Text(header, L"version"), L"4.06");
    EXPECT_EQ(Text(header, L"database"), L"6.70");
    EXPECT_EQ(Text(header, L"machine"), L"PELLTEST");
    EXPECT_EQ(Text(header, L"log_folder"), kLogs);

    std::map<std::wstring, std::uint64_t> kinds;
    for (std::size_t i = 1; i + 1 < lines.size(); ++i) {
        const JsonValue& c = lines[i];
        ASSERT_EQ(Text(c, L"record"), L"change");
        ++kinds[Text(c, L"kind")];
        if (Text(c, L"kind") == L"file" && Text(c, L"path") == kDigestOnly) {
            EXPECT_EQ(Text(c, L"md5"), UpperCase(Utf8ToWide(test::Md5Hex(kDigestBytes))));
            std::uint64_t size = 0;
            EXPECT_TRUE(c.Unsigned(L"size", size) && size == kDigestBytes.size());
            EXPECT_TRUE(Equals(Text(c, L"backup"), L"odd.exe.back"));
        }
        if (Text(c, L"kind") == L"file" && Text(c, L"path") == kWormOne) {
            std::uint64_t attributes = 0;
            EXPECT_TRUE(c.Unsigned(L"attributes", attributes) && attributes == (kAttributeHidden | kAttributeSystem));
        }
        if (Text(c, L"name") == L"WrmExpand") {
            std::uint64_t type = 0;
            EXPECT_TRUE(c.Unsigned(L"type", type) && type == regtype::ExpandString);
            EXPECT_EQ(Text(c, L"text"), L"%SystemRoot%\\system32\\wrm.exe");
            EXPECT_EQ(Text(c, L"root"), L"HKLM");
        }
        if (Text(c, L"kind") == L"service") {
            EXPECT_EQ(Text(c, L"export"), L"wrmsvc.reg");
            EXPECT_EQ(Text(c, L"image_path"), kWormTwo + L" -service");
        }
        if (Text(c, L"kind") == L"hosts") {
            const JsonValue* dropped = c.Find(L"dropped");
            ASSERT_TRUE(dropped && dropped->items.size() == 1);
            EXPECT_EQ(dropped->items[0].text, L"127.0.0.1       www.badsite.example");
            EXPECT_EQ(Text(c, L"written_md5"), UpperCase(Utf8ToWide(test::Md5Hex(*p.machine.FileBytes(kHosts)))));
        }
    }
    EXPECT_EQ(kinds, (std::map<std::wstring, std::uint64_t>{
                         {L"autorun", 4}, {L"file", 4}, {L"hosts", 1}, {L"policy", 2}, {L"process", 2}, {L"service", 1},
                         {L"winlogon", 1}}));

    const JsonValue& summary = lines.back();
    EXPECT_EQ(Text(summary, L"outcome"), L"removed");
    const JsonValue* restart = summary.Find(L"restart");
    EXPECT_TRUE(restart && restart->boolean);
    const JsonValue* counts = summary.Find(L"counts");
    ASSERT_TRUE(counts);
    for (const auto& [kind, n] : kinds) {
        std::uint64_t counted = 0;
        EXPECT_TRUE(counts->Unsigned(kind, counted) && counted == n) << WideToUtf8(kind);
    }
}

TEST(Record, ARunCutShortLeavesWhatItDidAndANewRunNeverTakesItsName) {
    Planted p;
    {
        RecordWriter writer(p.machine, p.e.recordMd5);
        ASSERT_TRUE(writer.Begin(kLogs, StartLogPath(p.e.folders, p.machine), L"6.70"));
        writer.ProcessTerminated(kWormOne, 7);
        // The writer goes away without a summary, as in a crash.
    }
    RecordWriter second(p.machine, p.e.recordMd5);
    ASSERT_TRUE(second.Begin(kLogs, StartLogPath(p.e.folders, p.machine), L"6.70"));
    EXPECT_EQ(second.Path(), kLogs + L"Pellworth Removal Log 12_7_2026 1_45_10 AM (2).jsonl");
    // The final name is taken: the second keeps its own.
    second.Finish(L"nothing-found", 0, false, kLogs + L"Pellworth Removal Log 12_7_2026 1_45_10 AM.txt");
    EXPECT_EQ(second.Path(), kLogs + L"Pellworth Removal Log 12_7_2026 1_45_10 AM (2).jsonl");
    const auto cut = p.RecordLines();
    ASSERT_EQ(cut.size(), 2u);
    EXPECT_EQ(Text(cut[1], L"kind"), L"process");
}

// After the run, a change to the machine or to the record, and what restore must then do.
struct RestoreCase {
    const char* what;
    std::function<std::wstring(Planted&)> prepare;  // returns the restore target
    bool dryRun;
    RestoreResult result;
    std::function<void(Planted&, const Lines&)> check;
};

std::vector<RestoreCase> RestoreCases() {
    auto whole = [](Planted& p) {
        EXPECT_EQ(p.Snapshot(), p.before);
    };
    auto untouched = [](Planted& p) {
        EXPECT_FALSE(p.machine.FileExists(kWormOne));
        EXPECT_FALSE(p.machine.ValueExists(RegRoot::CurrentUser, kRun, L"WrmUser"));
        EXPECT_FALSE(p.machine.KeyExists(RegRoot::LocalMachine, L"System\\CurrentControlSet\\Services\\wrmsvc"));
    };
    return {
        {"the folder's newest record puts everything back",
         [](Planted&) { return std::wstring(L"D:\\Logs"); }, false, RestoreResult::AllRestored,
         [=](Planted& p, const Lines& said) {
             whole(p);
             EXPECT_EQ(Count(said, L"restored "), 13u);
             EXPECT_EQ(Count(said, L"not started again process "), 2u);
         }},
        {"a dry run changes nothing",
         [](Planted&) { return kRecord; }, true, RestoreResult::AllRestored,
         [=](Planted& p, const Lines& said) {
             untouched(p);
             EXPECT_EQ(Count(said, L"would restore "), 13u);
         }},
        {"what exists again is left alone",
         [](Planted& p) {
             p.machine.PlantFile(kWormOne, "someone else's file");
             p.machine.PlantString(RegRoot::CurrentUser, kRun, L"WrmUser", L"C:\\new.exe");
             return kRecord;
         },
         false, RestoreResult::SomeLeftAlone,
         [](Planted& p, const Lines& said) {
             EXPECT_EQ(p.machine.FileBytes(kWormOne), std::string("someone else's file"));
             EXPECT_EQ(p.machine.StringValue(RegRoot::CurrentUser, kRun, L"WrmUser"), std::wstring(L"C:\\new.exe"));
             EXPECT_EQ(Count(said, L"left alone "), 2u);
             EXPECT_EQ(Count(said, L"restored "), 11u);
             EXPECT_TRUE(p.machine.FileExists(kWormTwo));
         }},
        {"a hosts file edited since the run is left alone and its dropped lines listed",
         [](Planted& p) {
             p.machine.PlantFile(kHosts, "127.0.0.1       localhost\r\n10.0.0.1 intranet\r\n");
             return kRecord;
         },
         false, RestoreResult::SomeLeftAlone,
         [](Planted& p, const Lines& said) {
             EXPECT_EQ(p.machine.FileBytes(kHosts), std::string("127.0.0.1       localhost\r\n10.0.0.1 intranet\r\n"));
             EXPECT_EQ(Count(said, L"  dropped line: 127.0.0.1       www.badsite.example"), 1u);
         }},
        {"a record cut inside a line restores every complete line and names the broken one",
         [](Planted& p) {
             std::string bytes = *p.machine.FileBytes(kRecord);
             std::size_t hosts = bytes.find("\"kind\":\"hosts\"");
             std::size_t lineEnd = bytes.rfind('\n', hosts);
             p.machine.PlantFile(kLogs + L"cut.jsonl", bytes.substr(0, hosts + 5));
             p.machine.PlantFile(kLogs + L"cut.lines",
                                 std::to_string(std::count(bytes.begin(), bytes.begin() + lineEnd + 1, '\n') + 1));
             return kLogs + L"cut.jsonl";
         },
         false, RestoreResult::SomeLeftAlone,
         [](Planted& p, const Lines& said) {
             const std::wstring cutLine = Utf8ToWide(*p.machine.FileBytes(kLogs + L"cut.lines"));
             EXPECT_EQ(Count(said, L"line " + cutLine + L" is cut short: left out"), 1u);
             EXPECT_EQ(Count(said, L"restored "), 12u);
             EXPECT_TRUE(p.machine.FileExists(kWormOne));
             EXPECT_TRUE(p.machine.KeyExists(RegRoot::LocalMachine, L"System\\CurrentControlSet\\Services\\wrmsvc"));
             EXPECT_TRUE(p.machine.ValueExists(RegRoot::LocalMachine, kRunServices, L"WrmSvcRun"));
             EXPECT_EQ(p.machine.FileBytes(kHosts)->find("badsite"), std::string::npos);
         }},
        {"a record naming a file outside its folder is refused whole",
         [](Planted& p) {
             std::string bytes = *p.machine.FileBytes(kRecord);
             std::size_t at = bytes.find("\"backup\":\"", bytes.find("odd.exe\"")) + 10;
             bytes.replace(at, bytes.find('"', at) - at, "..\\\\..\\\\WINDOWS\\\\explorer.exe");
             p.machine.PlantFile(kLogs + L"forged.jsonl", bytes);
             return kLogs + L"forged.jsonl";
         },
         false, RestoreResult::Unreadable,
         [=](Planted& p, const Lines& said) {
             untouched(p);
             EXPECT_EQ(Count(said, L"refused: line "), 1u);
         }},
        {"a hosts line aimed at another file is refused whole",
         [](Planted& p) {
             std::string bytes = *p.machine.FileBytes(kRecord);
             std::string from = "drivers\\\\etc\\\\hosts\"";
             bytes.replace(bytes.find(from), from.size(), "config\\\\SAM\"");
             p.machine.PlantFile(kLogs + L"forged.jsonl", bytes);
             return kLogs + L"forged.jsonl";
         },
         false, RestoreResult::Unreadable, [=](Planted& p, const Lines&) { untouched(p); }},
        {"a file that is not a record is unreadable",
         [](Planted& p) {
             p.machine.PlantFile(kLogs + L"other.jsonl", "{\"record\":\"change\"}\n");
             return kLogs + L"other.jsonl";
         },
         false, RestoreResult::Unreadable, [=](Planted& p, const Lines&) { untouched(p); }},
    };
}

class EachRestore : public ::testing::TestWithParam<std::size_t> {};

TEST_P(EachRestore, DoesWhatTheRecordAndTheMachineAllow) {
    const RestoreCase c = RestoreCases()[GetParam()];
    Planted p;
    ASSERT_EQ(RunCleaning(p.e), RunOutcome::Removed);
    ASSERT_NE(p.Snapshot(), p.before);
    const std::wstring target = c.prepare(p);
    Lines said;
    EXPECT_EQ(p.Restore(target, c.dryRun, said), c.result) << c.what;
    c.check(p, said);
    EXPECT_EQ(p.machine.OpenHandleCount(), 0u);
    if (HasFailure()) for (const auto& line : said) ADD_FAILURE() << c.what << ": " << WideToUtf8(line);
}

INSTANTIATE_TEST_SUITE_P(Restore, EachRestore, ::testing::Range<std::size_t>(0, RestoreCases().size()));

// A record someone wrote by hand: the genuine header of the run (or the one given), then these lines.
std::wstring Forge(Planted& p, const std::vector<std::string>& changes, const std::string& header = {}) {
    const std::string genuine = *p.machine.FileBytes(kRecord);
    std::string bytes = header.empty() ? genuine.substr(0, genuine.find('\n') + 1) : header + "\n";
    for (const std::string& change : changes) bytes += "{\"record\":\"change\"," + change + "}\n";
    const std::wstring path = kLogs + L"forged.jsonl";
    p.machine.PlantFile(path, bytes);
    return path;
}

std::string Hex(const std::string& bytes) {
    std::string out;
    for (unsigned char b : bytes) out += "0123456789abcdef"[b >> 4], out += "0123456789abcdef"[b & 15];
    return out;
}

std::string ValueChange(const char* kind, const char* root, const std::string& key, const char* name,
                        const std::string& extra = {}) {
    return std::string("\"kind\":\"") + kind + "\",\"root\":\"" + root + "\",\"view\":\"64\",\"key\":\"" + key +
           "\",\"name\":\"" + name + "\",\"type\":1,\"data\":\"" + Hex(Utf16(L"C:\\evil.exe")) + "\"" + extra;
}

const std::string kMd5 = ",\"md5\":\"0123456789abcdef0123456789ABCDEF\"";
const std::string kWinlogonJson = "Software\\\\Microsoft\\\\Windows NT\\\\CurrentVersion\\\\Winlogon";

// Each of these records asks for something no cleaning run does; each is refused whole, naming the line
// and why, and the machine stays exactly as the run left it.
TEST(HostileRecord, IsRefusedWholeAndTheMachineStaysAsItWas) {
    const struct {
        const char* what;
        std::function<std::wstring(Planted&)> forge;
        const wchar_t* reason;  // the refusal line starts with it
    } cases[] = {
        {"a debugger for notepad", [](Planted& p) { return Forge(p, {ValueChange("autorun", "HKLM",
             "Software\\\\Microsoft\\\\Windows NT\\\\CurrentVersion\\\\Image File Execution Options\\\\notepad.exe", "Debugger")}); },
         L"refused: line 2 names a registry key no cleaning changes: HKLM\\Software\\Microsoft\\Windows NT\\"},
        {"a new auto-start service through policy lines", [](Planted& p) { return Forge(p, {
             ValueChange("policy", "HKLM", "System\\\\CurrentControlSet\\\\Services\\\\EvilSvc", "ImagePath"),
             ValueChange("policy", "HKLM", "System\\\\CurrentControlSet\\\\Services\\\\EvilSvc", "Start")}); },
         L"refused: line 2 names a registry value no cleaning changes: HKLM\\System\\CurrentControlSet\\Services\\EvilSvc\\ImagePath"},
        {"a policy value the policy step never deletes", [](Planted& p) { return Forge(p, {ValueChange("policy", "HKCU",
             "Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Policies\\\\Explorer", "NoDrives")}); },
         L"refused: line 2 names a registry value no cleaning changes"},
        {"a Winlogon change aimed at a genuine service", [](Planted& p) {
             p.machine.PlantString(RegRoot::LocalMachine, L"System\\CurrentControlSet\\Services\\Spooler", L"ImagePath", L"spoolsv.exe");
             return Forge(p, {ValueChange("winlogon", "HKLM", "System\\\\CurrentControlSet\\\\Services\\\\Spooler", "ImagePath",
                                          ",\"written\":\"" + Hex(Utf16(L"spoolsv.exe")) + "\"")}); },
         L"refused: line 2 names a registry value no cleaning changes: HKLM\\System\\CurrentControlSet\\Services\\Spooler\\ImagePath"},
        {"a Winlogon value the stage never rewrites", [](Planted& p) { return Forge(p, {
             ValueChange("winlogon", "HKLM", kWinlogonJson, "Taskman", ",\"written\":\"00\"")}); },
         L"refused: line 2 names a registry value no cleaning changes"},
        {"the default user's Run key", [](Planted& p) { return Forge(p, {ValueChange("autorun", "HKU",
             ".DEFAULT\\\\Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Run", "Evil")}); },
         L"refused: line 2 names a registry key no cleaning changes: HKU\\.DEFAULT\\"},
        {"a Run key with something after it", [](Planted& p) { return Forge(p, {ValueChange("autorun", "HKLM",
             "Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Run\\\\Sub", "Evil")}); },
         L"refused: line 2 names a registry key no cleaning changes"},
        {"a root no run names", [](Planted& p) { return Forge(p, {ValueChange("autorun", "HKCR",
             "Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Run", "Evil")}); },
         L"refused: line 2 names a registry root no cleaning changes: HKCR"},
        {"a file without its digest into system32", [](Planted& p) {
             p.machine.PlantFile(kLogs + L"evil.back", "MZ evil");
             return Forge(p, {"\"kind\":\"file\",\"path\":\"C:\\\\WINDOWS\\\\system32\\\\evil.dll\",\"backup\":\"evil.back\""}); },
         L"refused: line 2 names the copy evil.back without the MD5 digest"},
        {"a digest that is no digest", [](Planted& p) { return Forge(p, {
             "\"kind\":\"file\",\"path\":\"C:\\\\x.exe\",\"backup\":\"x.back\",\"md5\":\"12ab\""}); },
         L"refused: line 2 names the copy x.back without the MD5 digest"},
        {"an alternate data stream", [](Planted& p) { return Forge(p, {
             "\"kind\":\"file\",\"path\":\"C:\\\\WINDOWS\\\\notepad.exe:zone\",\"backup\":\"x.back\"" + kMd5}); },
         L"refused: line 2 names a file path that is not a plain full path: C:\\WINDOWS\\notepad.exe:zone"},
        {"a device name", [](Planted& p) { return Forge(p, {
             "\"kind\":\"file\",\"path\":\"C:\\\\WINDOWS\\\\com1.txt\",\"backup\":\"x.back\"" + kMd5}); },
         L"refused: line 2 names a file path that is not a plain full path"},
        {"a path that climbs", [](Planted& p) { return Forge(p, {
             "\"kind\":\"file\",\"path\":\"C:\\\\WINDOWS\\\\..\\\\boot.ini\",\"backup\":\"x.back\"" + kMd5}); },
         L"refused: line 2 names a file path that is not a plain full path"},
        {"a path with a trailing dot", [](Planted& p) { return Forge(p, {
             "\"kind\":\"file\",\"path\":\"C:\\\\WINDOWS\\\\explorer.exe.\",\"backup\":null"}); },
         L"refused: line 2 names a file path that is not a plain full path"},
        {"a share path", [](Planted& p) { return Forge(p, {
             "\"kind\":\"file\",\"path\":\"\\\\\\\\server\\\\share\\\\x.exe\",\"backup\":null"}); },
         L"refused: line 2 names a file path that is not a plain full path"},
        {"a copy that is a device", [](Planted& p) { return Forge(p, {
             "\"kind\":\"file\",\"path\":\"C:\\\\x.exe\",\"backup\":\"NUL\"" + kMd5}); },
         L"refused: line 2 names a copy that is not a file of the record's folder: NUL"},
        {"a service name that leads to another key", [](Planted& p) { return Forge(p, {
             "\"kind\":\"service\",\"name\":\"wrmsvc\\\\..\\\\Spooler\",\"image_path\":\"x\",\"export\":null"}); },
         L"refused: line 2 names a service that is not a plain name"},
        {"an export that adds a key after a bare CR", [](Planted& p) {
             p.machine.PlantFile(kLogs + L"evilsvc.reg", "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\"
                                 "EvilSvc]\r\n\"Start\"=dword:00000002\r[HKEY_LOCAL_MACHINE\\Software\\EvilKey]\r\n");
             return Forge(p, {"\"kind\":\"service\",\"name\":\"EvilSvc\",\"image_path\":\"x\",\"export\":\"evilsvc.reg\""}); },
         L"refused: line 2 names the export evilsvc.reg, which line 4 names a key outside the service's own"},
        {"a change of a kind no run makes", [](Planted& p) { return Forge(p, {"\"kind\":\"registry\",\"key\":\"x\""}); },
         L"refused: line 2 records a change of a kind no cleaning makes: \"registry\""},
        {"a valid change before a bad one", [](Planted& p) { return Forge(p, {
             ValueChange("autorun", "HKCU", "Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Run", "WrmUser"),
             ValueChange("autorun", "HKLM", "Software\\\\Classes\\\\exefile\\\\shell\\\\open\\\\command", "")}); },
         L"refused: line 3 names a registry key no cleaning changes"},
        {"a record of another computer", [](Planted& p) {
             std::string header = *p.machine.FileBytes(kRecord);
             header = header.substr(0, header.find('\n'));
             header.replace(header.find("PELLTEST"), 8, "OTHERPC");
             return Forge(p, {ValueChange("autorun", "HKCU", "Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Run", "WrmUser")},
                          header); },
         L"refused: the record was written on the computer \"OTHERPC\", and this is \"PELLTEST\""},
        {"a record that is a device", [](Planted& p) {
             p.machine.PlantDevice(kLogs + L"com1.jsonl");
             return kLogs + L"com1.jsonl"; },
         L"refused: the record is not a plain disk file"},
        {"a device named without an extension", [](Planted& p) {
             p.machine.PlantDevice(L"\\\\.\\COM1");
             return std::wstring(L"\\\\.\\COM1"); },
         L"refused: the record is not a plain disk file"},
        {"a device that cannot even be opened", [](Planted&) { return std::wstring(L"D:\\Logs\\LPT1"); },
         L"refused: the record cannot be opened"},
        {"a folder whose only record is a pipe", [](Planted& p) {
             p.machine.PlantFolder(L"D:\\Piped");
             p.machine.PlantDevice(L"D:\\Piped\\x.jsonl", filetype::Pipe);
             return std::wstring(L"D:\\Piped"); },
         L"no record found in D:\\Piped\\"},
    };
    for (const auto& c : cases) {
        Planted p;
        ASSERT_EQ(RunCleaning(p.e), RunOutcome::Removed);
        const std::wstring target = c.forge(p);
        const std::vector<std::string> cleaned = p.Snapshot();
        const std::size_t commands = p.machine.StartedCommands().size();
        Lines said;
        EXPECT_EQ(p.Restore(target, false, said), RestoreResult::Unreadable) << c.what;
        EXPECT_EQ(p.Snapshot(), cleaned) << c.what;
        EXPECT_EQ(p.machine.StartedCommands().size(), commands) << c.what;
        EXPECT_EQ(p.machine.OpenHandleCount(), 0u) << c.what;
        ASSERT_FALSE(said.empty()) << c.what;
        EXPECT_EQ(said.back().substr(0, std::wstring_view(c.reason).size()), c.reason)
            << c.what << ": " << WideToUtf8(said.back());
    }
}

TEST(HostileRecord, PlacesARunChangesAreAcceptedAndAnotherComputersRecordOnlyWhenAsked) {
    Planted p;
    ASSERT_EQ(RunCleaning(p.e), RunOutcome::Removed);
    const std::string run = "Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\";
    std::string header = *p.machine.FileBytes(kRecord);
    header = header.substr(0, header.find('\n'));
    header.replace(header.find("PELLTEST"), 8, "OTHERPC");
    const std::wstring forged = Forge(p, {
        ValueChange("autorun", "HKLM", "Software\\\\Wow6432Node\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\RunOnce", "A"),
        ValueChange("autorun", "HKLM", "SOFTWARE\\\\microsoft\\\\windows\\\\currentversion\\\\runservices", "B"),
        ValueChange("autorun", "HKU", "S-1-5-21-7-8-9-1001\\\\" + run + "Run", "C"),
        ValueChange("autorun", "HKCU", run + "RunOnce", "D"),
        ValueChange("policy", "HKCU", run + "Policies\\\\Explorer", "norun"),
        ValueChange("winlogon", "HKCU", kWinlogonJson, "userinit", ",\"written\":\"00\""),
    }, header);
    Lines said;
    EXPECT_EQ(RestoreRun(p.machine, p.host, forged, {true, true}, [&](const std::wstring& l) { said.push_back(l); }),
              RestoreResult::SomeLeftAlone);
    EXPECT_EQ(said.front(), L"dry run, nothing is changed: " + forged);
    EXPECT_EQ(Count(said, L"would restore "), 5u);  // the Winlogon value is not what the "run" wrote
    EXPECT_EQ(Count(said, L"refused"), 0u);
}

TEST(Restore, AFolderGivesItsNewestRecordByStartThenEndAndNamesItFirst) {
    Planted p;
    const std::string header = "{\"record\":\"header\",\"format\":1,\"machine\":\"PELLTEST\",\"start\":\"2026-12-08T10:00:00Z\"}\n";
    auto record = [&](const wchar_t* name, const char* start, const char* end) {
        std::string h = header;
        h.replace(h.find("2026-12-08T10:00:00Z"), 20, start);
        p.machine.PlantFile(kLogs + name, h + "{\"record\":\"summary\",\"outcome\":\"nothing-found\",\"end\":\"" + end + "\"}\n");
    };
    record(L"b.jsonl", "2026-12-08T10:00:00Z", "2026-12-08T10:00:09Z");
    record(L"a.jsonl", "2026-12-08T10:00:00Z", "2026-12-08T10:00:30Z");  // same start, ended later: the newest
    record(L"c.jsonl", "2026-12-08T09:59:59Z", "2026-12-08T11:00:00Z");
    Lines said;
    EXPECT_EQ(p.Restore(L"D:\\Logs", true, said), RestoreResult::AllRestored);
    ASSERT_FALSE(said.empty());
    EXPECT_EQ(said.front(), L"dry run, nothing is changed: " + kLogs + L"a.jsonl");
}

}  // namespace
}  // namespace pell
