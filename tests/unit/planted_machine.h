// A fake machine planted with one infection of every kind, and its state to compare against: shared by
// the tests of the run's record, restore and the scan.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "base/text.h"
#include "engine/engine.h"
#include "record/json.h"
#include "record/restore.h"
#include "tests/fake/fake_machine.h"
#include "tests/fake/test_host.h"
#include "tests/unit/english_translation.h"

namespace pell {

using Lines = std::vector<std::wstring>;

inline const std::wstring kRun = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline const std::wstring kRunServices = L"Software\\Microsoft\\Windows\\CurrentVersion\\RunServices";
inline const std::wstring kLogs = L"D:\\Logs\\";
inline const std::wstring kHosts = L"C:\\WINDOWS\\system32\\drivers\\etc\\hosts";
inline const std::wstring kWormOne = L"C:\\WINDOWS\\wrm.exe";
inline const std::wstring kWormTwo = L"C:\\WINDOWS\\system32\\wrm.exe";
inline const std::wstring kDigestOnly = L"C:\\WINDOWS\\odd.exe";
const std::string kDigestBytes = "MZ known only by its digest";
inline const std::wstring kRecord = kLogs + L"Pellworth Removal Log 12_7_2026 1_45_10 AM.jsonl";

inline std::string Utf16(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text + L'\0') {
        out += static_cast<char>(c & 0xFF);
        out += static_cast<char>((c >> 8) & 0xFF);
    }
    return out;
}

// A machine with one infection of every kind, a genuine program beside them, and the state to compare
// against: the registry as sorted "key | value" lines (value order within a key carries no meaning) and
// every file outside the log folder with its bytes and attributes.
struct Planted {
    test::FakeMachine machine;
    test::TestHost host;
    Translation english = test::EnglishTranslation();
    Engine e{machine, host, english};

    Planted() {
        machine.AddDrive(L'D', drive::Fixed);
        machine.PlantFolder(L"D:\\Logs");
        machine.PlantFile(L"C:\\WINDOWS\\explorer.exe", "MZ genuine");
        machine.PlantFile(kWormOne, "MZ worm one", kAttributeHidden | kAttributeSystem);
        machine.PlantFile(kWormTwo, "MZ worm two", kAttributeReadOnly);
        machine.PlantFile(L"C:\\WINDOWS\\system32\\runwrm.exe", "MZ run worm");
        machine.PlantFile(kDigestOnly, kDigestBytes);
        machine.AddProcess(kWormOne);
        machine.AddProcess(kDigestOnly);
        machine.PlantString(RegRoot::LocalMachine, kRun, L"WrmRun", L"C:\\WINDOWS\\system32\\runwrm.exe /start");
        machine.PlantValue(RegRoot::LocalMachine, kRun, L"WrmExpand", regtype::ExpandString,
                           Utf16(L"%SystemRoot%\\system32\\wrm.exe"));
        machine.PlantString(RegRoot::LocalMachine, kRun, L"Keep", L"C:\\Program Files\\keep.exe");
        machine.PlantString(RegRoot::CurrentUser, kRun, L"WrmUser", L"\"" + kWormTwo + L"\" -quiet");
        machine.PlantString(RegRoot::LocalMachine, kRunServices, L"WrmSvcRun", kWormTwo);
        machine.PlantString(RegRoot::LocalMachine, L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon", L"Shell",
                            L"explorer.exe C:\\WINDOWS\\system32\\runwrm.exe");
        machine.PlantDword(RegRoot::CurrentUser, L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System",
                           L"Disabletaskmgr", 1);
        machine.PlantDword(RegRoot::CurrentUser, L"Software\\Microsoft\\Windows\\System", L"DisableCMD", 2);
        machine.PlantService(L"wrmsvc", kWormTwo + L" -service");
        machine.PlantString(RegRoot::LocalMachine, L"System\\CurrentControlSet\\Services\\wrmsvc\\Parameters",
                            L"Mode", L"quiet \"and\" \\ slashes");
        machine.PlantFile(kHosts, "127.0.0.1       localhost\r\n127.0.0.1       www.badsite.example\r\n# end\r\n");

        e.InfectionNames = {L"wrm", L"runwrm"};
        e.MD5Hashes = {UpperCase(Utf8ToWide(test::Md5Hex(kDigestBytes)))};
        e.lstHostInfections.Append(L"badsite.example");
        e.folders.LogFolder = kLogs;
        before = Snapshot();
    }

    std::vector<std::string> Snapshot() const {
        std::vector<std::string> out;
        std::wstring key;
        for (const std::wstring& line : SplitAtCrLf(ReplaceAll(machine.RegistryDump(), L"\n", L"\r\n"))) {
            if (!line.empty() && line[0] == L'[') key = line;
            out.push_back(WideToUtf8(key + L" | " + line));
        }
        for (const std::wstring& file : machine.AllFiles()) {
            if (Contains(file, L"D:\\Logs\\")) continue;
            auto& m = const_cast<test::FakeMachine&>(machine);
            out.push_back(WideToUtf8(file) + " = " + *m.FileBytes(file) + " @" +
                          std::to_string(m.GetFileAttributes(file)));
        }
        std::sort(out.begin(), out.end());
        return out;
    }

    std::vector<JsonValue> RecordLines(const std::wstring& path = kRecord) {
        std::vector<JsonValue> out;
        auto bytes = machine.FileBytes(path);
        EXPECT_TRUE(bytes) << WideToUtf8(path);
        if (!bytes) return out;
        for (std::size_t start = 0, end; (end = bytes->find('\n', start)) != std::string::npos; start = end + 1) {
            JsonValue v;
            std::wstring error;
            EXPECT_TRUE(ParseJson(bytes->substr(start, end - start), v, error)) << WideToUtf8(error);
            out.push_back(v);
        }
        return out;
    }

    RestoreResult Restore(const std::wstring& target, bool dryRun, Lines& said) {
        return RestoreRun(machine, host, target, {dryRun, false}, [&](const std::wstring& line) { said.push_back(line); });
    }

    std::vector<std::string> before;
};

}  // namespace pell
