// The hosts stage on a planted machine: which lines leave, what is reported, the localhost line, the
// bars, line ends, the backup, and a rewrite that never leaves a truncated file whatever fails.
#include <gtest/gtest.h>

#include "base/backup_name.h"
#include "tests/unit/stage_bench.h"

namespace pell {
namespace {

using test::Fault;
using test::Op;

const std::wstring kHosts = L"C:\\WINDOWS\\system32\\drivers\\etc\\hosts";
const std::wstring kTemp = L"C:\\WINDOWS\\system32\\drivers\\etc\\hosts.pellworth-new";
const std::string kLocal = "127.0.0.1       localhost";

struct HostsBench : test::StageBench {
    HostsBench() {
        e.lstHostInfections.Append(L"kaspersky.com");
        e.lstHostInfections.Append(L"symantec.com");
        machine.PlantFolder(L"C:\\WINDOWS\\system32\\drivers\\etc");
    }
    void Plant(const std::string& bytes, std::uint32_t attributes = kAttributeNormal) {
        machine.PlantFile(kHosts, bytes, attributes);
    }
    std::string Bytes() { return machine.FileBytes(kHosts).value_or("<missing>"); }
    // True when worm lines left the file.
    bool Run() { return CleanHostsFile(e); }
};

std::wstring Found(const std::wstring& line) { return L"Found Entry " + line; }

// ------------------------------------------------------------------ the cases of the stage

struct HostsRow {
    const char* what;
    std::string before, after;
    std::vector<std::wstring> lines;
};

const std::vector<HostsRow>& HostsRows() {
    static const std::vector<HostsRow> rows = {
        {"vendor line dropped, the rest in order; the final CR LF adds an empty line",
         "127.0.0.1 localhost\r\n127.0.0.1 www.Kaspersky.com\r\n# keep me\r\n",
         "127.0.0.1 localhost\r\n# keep me\r\n\r\n", {Found(L"127.0.0.1 www.Kaspersky.com")}},
        {"no final CR LF: the last line gets one", "::1 localhost\r\n127.0.0.1 symantec.com\r\n10.0.0.1 nas",
         "::1 localhost\r\n10.0.0.1 nas\r\n", {Found(L"127.0.0.1 symantec.com")}},
        {"no localhost line: one is appended last", "127.0.0.1 kaspersky.com\r\n10.0.0.1 nas",
         "10.0.0.1 nas\r\n" + kLocal + "\r\n", {Found(L"127.0.0.1 kaspersky.com")}},
        {"the only localhost line was dropped: none is added", "127.0.0.1 localhost kaspersky.com\r\n10.0.0.1 nas",
         "10.0.0.1 nas\r\n", {Found(L"127.0.0.1 localhost kaspersky.com")}},
        {"everything dropped", "0.0.0.0 kaspersky.com\r\n0.0.0.0 symantec.com", kLocal + "\r\n",
         {Found(L"0.0.0.0 kaspersky.com"), Found(L"0.0.0.0 symantec.com")}},
        {"a line with two entries is reported once", "127.0.0.1 kaspersky.com symantec.com",
         kLocal + "\r\n", {Found(L"127.0.0.1 kaspersky.com symantec.com")}},
        {"a literal marker line is not a dropped line", "<KZRO Remove Me>\r\n1.2.3.4 kaspersky.com",
         "<KZRO Remove Me>\r\n" + kLocal + "\r\n", {Found(L"1.2.3.4 kaspersky.com")}},
        {"bare LF: only the entry's line leaves, the others keep their ends",
         "127.0.0.1 localhost\n127.0.0.1 kaspersky.com\n::1 localhost\n", "127.0.0.1 localhost\n::1 localhost\n",
         {Found(L"127.0.0.1 kaspersky.com")}},
        {"mixed line ends are kept line by line", "a localhost\r\nb kaspersky.com\nc\nd\r\ne",
         "a localhost\r\nc\nd\r\ne", {Found(L"b kaspersky.com")}},
        {"bare LF without localhost: the line is appended on a line of its own", "x kaspersky.com\ny\nz",
         "y\nz\r\n" + kLocal + "\r\n", {Found(L"x kaspersky.com")}},
        {"bare CR line ends: only the entry's line leaves, the others keep their ends",
         "127.0.0.1 localhost\r0.0.0.0 www.kaspersky.com\r10.0.0.1 nas\r", "127.0.0.1 localhost\r10.0.0.1 nas\r",
         {Found(L"0.0.0.0 www.kaspersky.com")}},
        {"a listed host takes its own name and the names below it, nothing that merely contains it",
         "1.1.1.1 www.kaspersky.community\r\n2.2.2.2 kaspersky.com.lan notkaspersky.com\r\n# 0.0.0.0 kaspersky.com\r\n"
         "3.3.3.3\tdl.KASPERSKY.com # vendor\r\n::1 localhost",
         "1.1.1.1 www.kaspersky.community\r\n2.2.2.2 kaspersky.com.lan notkaspersky.com\r\n# 0.0.0.0 kaspersky.com\r\n"
         "::1 localhost\r\n",
         {Found(L"3.3.3.3\tdl.KASPERSKY.com # vendor")}},
        {"code page text kept byte for byte", "# caf\xe9\r\n\x80 kaspersky.com\r\n\xff localhost",
         "# caf\xe9\r\n\xff localhost\r\n", {Found(L"\u20ac kaspersky.com")}},
    };
    return rows;
}

class EachHostsCase : public ::testing::TestWithParam<std::size_t> {};

TEST_P(EachHostsCase, DropsReportsAndWritesAsTheRulesSay) {
    const HostsRow& row = HostsRows()[GetParam()];
    SCOPED_TRACE(row.what);
    HostsBench b;
    b.Plant(row.before);
    EXPECT_TRUE(b.Run());
    EXPECT_EQ(b.Bytes(), row.after);
    EXPECT_EQ(b.Reported(), row.lines);
    EXPECT_EQ(b.machine.FileBytes(L"D:\\Logs\\hosts.back"), row.before);
    EXPECT_FALSE(b.machine.FileExists(kTemp));
    EXPECT_EQ(b.machine.OpenHandleCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Hosts, EachHostsCase, ::testing::Range<std::size_t>(0, HostsRows().size()));

TEST(HostsFile, NothingMatchedLeavesTheFileAsItWasOnlyItsAttributesNormal) {
    HostsBench b;
    const std::string before = "127.0.0.1 localhost\r\n127.0.0.1 example.org\n\r\n";
    b.Plant(before, kAttributeReadOnly | kAttributeHidden);
    EXPECT_FALSE(b.Run());
    EXPECT_EQ(b.Bytes(), before);
    EXPECT_EQ(b.machine.GetFileAttributes(kHosts), kAttributeNormal);
    EXPECT_TRUE(b.Reported().empty());
    EXPECT_EQ(b.machine.Calls(Op::OpenFile), 1u);
    EXPECT_EQ(b.machine.Calls(Op::WriteFile), 0u);
    EXPECT_FALSE(b.machine.FileExists(L"D:\\Logs\\hosts.back"));
}

TEST(HostsFile, AMissingFileIsCreatedEmptyAndNothingElseHappens) {
    HostsBench b;
    b.Run();
    EXPECT_EQ(b.Bytes(), "");
    // There was no file whose attributes could be reset.
    EXPECT_EQ(b.Reported(), std::vector<std::wstring>{L"Unable to remove read-only from Hosts File"});
    EXPECT_EQ(b.machine.Calls(Op::WriteFile), 0u);
}

TEST(HostsFile, ABarPerLineThenZeroAndHundred) {
    HostsBench b;
    b.Plant("a\r\nb kaspersky.com\r\nc");
    b.Run();
    EXPECT_EQ(b.host.prog1, (std::vector<double>{0, 50, 100, 0}));
    EXPECT_EQ(b.host.prog2, std::vector<double>{100});
}

TEST(HostsFile, OneLineDoesNotMoveTheBar) {
    HostsBench b;
    b.Plant("1.1.1.1 kaspersky.com");
    b.Run();
    EXPECT_EQ(b.host.prog1, std::vector<double>{0});
    EXPECT_EQ(b.host.prog2, std::vector<double>{100});
    EXPECT_EQ(b.Bytes(), kLocal + "\r\n");
}

TEST(HostsFile, AMarkedLineIsTestedAsTheMarkerFromThenOn) {
    HostsBench b;
    b.e.lstHostInfections.Append(L"me>");
    b.Plant("1.1.1.1 kaspersky.com\r\nlocalhost");
    b.Run();
    EXPECT_EQ(b.Reported(), (std::vector<std::wstring>{Found(L"1.1.1.1 kaspersky.com"), Found(L"<KZRO Remove Me>")}));
}

TEST(HostsFile, AttributesThatCannotBeResetAreReportedAndTheStageGoesOn) {
    HostsBench b;
    b.Plant("1.1.1.1 kaspersky.com\r\nlocalhost");
    b.machine.InjectFault(Fault{Op::SetFileAttributes, kHosts, 0, 5, 0, 1});
    b.Run();
    EXPECT_EQ(b.Reported(), (std::vector<std::wstring>{L"Unable to remove read-only from Hosts File",
                                                       Found(L"1.1.1.1 kaspersky.com")}));
    EXPECT_EQ(b.Bytes(), "localhost\r\n");
}

TEST(HostsFile, AReadOnlyFileThatStaysReadOnlyIsNeitherScannedNorRewritten) {
    HostsBench b;
    const std::string before = "1.1.1.1 kaspersky.com";
    b.Plant(before, kAttributeReadOnly);
    b.machine.InjectFault(Fault{Op::SetFileAttributes, kHosts, 0, 5, 0, 1});
    b.Run();
    EXPECT_EQ(b.Reported(), (std::vector<std::wstring>{L"Unable to remove read-only from Hosts File",
                                                       L"Unable to open Hosts File for Scanning"}));
    EXPECT_EQ(b.Bytes(), before);
    EXPECT_EQ(b.host.prog2, std::vector<double>{100});
}

TEST(HostsFile, AFailedReadIsAFailedScanNotAShorterFile) {
    HostsBench b;
    const std::string before = "1.1.1.1 kaspersky.com\r\n" + std::string(40000, '#');
    b.Plant(before);
    b.machine.InjectFault(Fault{Op::ReadFile, kHosts, 0, 23, 1, 1});
    b.Run();
    EXPECT_EQ(b.Reported(), std::vector<std::wstring>{L"Unable to open Hosts File for Scanning"});
    EXPECT_EQ(b.Bytes(), before);
}

// ------------------------------------------------------------------ the backup and the rewrite

TEST(HostsFile, EachRewriteKeepsTheOriginalUnderAFreshName) {
    HostsBench b;
    b.machine.PlantFile(L"D:\\Logs\\hosts.back", "older copy");
    b.Plant("1.1.1.1 kaspersky.com\r\nlocalhost");
    b.Run();
    b.Plant("1.1.1.1 symantec.com\r\nlocalhost");
    b.Run();
    EXPECT_EQ(b.machine.FileBytes(L"D:\\Logs\\hosts.back"), "older copy");
    EXPECT_EQ(b.machine.FileBytes(L"D:\\Logs\\hosts (2).back"), "1.1.1.1 kaspersky.com\r\nlocalhost");
    EXPECT_EQ(b.machine.FileBytes(L"D:\\Logs\\hosts (3).back"), "1.1.1.1 symantec.com\r\nlocalhost");
}

TEST(HostsFile, WithoutAWholeBackupTheFileIsNotRewritten) {
    for (bool halfCopy : {false, true}) {
        SCOPED_TRACE(halfCopy ? "the copy stopped half way" : "the copy failed");
        HostsBench b;
        const std::string before = "1.1.1.1 kaspersky.com\r\nlocalhost";
        b.Plant(before);
        if (halfCopy) {
            b.machine.SetFolderFreeSpace(L"D:\\Logs", 5);
        } else {
            b.machine.InjectFault(Fault{Op::MoveFileNoReplace, L"", 0, 5, 0, 1});
        }
        EXPECT_FALSE(b.Run());
        EXPECT_EQ(b.Bytes(), before);
        EXPECT_FALSE(b.machine.FileExists(L"D:\\Logs\\hosts.back"));
        EXPECT_EQ(b.Reported(), (std::vector<std::wstring>{Found(L"1.1.1.1 kaspersky.com"), L"Unable to backup \"hosts\""}));
        EXPECT_EQ(b.e.wormsLeftBehind.size(), 1u);
    }
}

TEST(HostsFile, ANewFileThatCannotBeWrittenLeavesTheOldOneAndReports) {
    HostsBench b;
    const std::string before = "1.1.1.1 kaspersky.com\r\nlocalhost";
    b.Plant(before);
    b.machine.InjectFault(Fault{Op::WriteFile, kTemp, 0, 112, 0, 1});  // disk full
    b.Run();
    EXPECT_EQ(b.Bytes(), before);
    EXPECT_FALSE(b.machine.FileExists(kTemp));
    EXPECT_EQ(b.Reported(), (std::vector<std::wstring>{Found(L"1.1.1.1 kaspersky.com"),
                                                       L"Unable to open Hosts File for Cleaning"}));
}

TEST(HostsFile, AReadOnlyLeftoverOfAnInterruptedRunDoesNotBlockTheRewrite) {
    HostsBench b;
    b.machine.PlantFile(kTemp, "half", kAttributeReadOnly);
    b.Plant("1.1.1.1 kaspersky.com\r\nlocalhost");
    b.Run();
    EXPECT_EQ(b.Bytes(), "localhost\r\n");
    EXPECT_FALSE(b.machine.FileExists(kTemp));
}

// Every call that writes or replaces, failing in turn (and a short write): the hosts file is always
// either the old one, whole, or the new one, complete; a failure is always reported.
TEST(HostsFile, AFaultAtAnyWriteNeverTruncatesTheFile) {
    const std::string before = "127.0.0.1 localhost\r\n1.1.1.1 kaspersky.com\r\n" + std::string(70000, '#') + "\r\nend";
    const std::string after = "127.0.0.1 localhost\r\n" + std::string(70000, '#') + "\r\nend\r\n";
    struct Kind {
        Op op;
        long result;
    };
    int faultsThatFired = 0;
    for (Kind kind : {Kind{Op::OpenFile, 0}, Kind{Op::WriteFile, 0}, Kind{Op::WriteFile, 1}, Kind{Op::MoveFileReplace, 0},
                      Kind{Op::ReadFile, 0}}) {
        for (int skip = 0; skip < 8; ++skip) {
            HostsBench b;
            b.Plant(before);
            b.machine.InjectFault(Fault{kind.op, L"", kind.result, 5, skip, 1});
            b.Run();
            const std::string now = b.Bytes();
            SCOPED_TRACE(testing::Message() << "op " << static_cast<int>(kind.op) << " skip " << skip);
            EXPECT_TRUE(now == before || now == after);
            EXPECT_FALSE(b.machine.FileExists(kTemp));
            EXPECT_EQ(b.machine.OpenHandleCount(), 0u);
            const bool fired = b.machine.Calls(kind.op) > static_cast<std::size_t>(skip);
            if (!fired) {
                EXPECT_EQ(now, after);
                continue;
            }
            ++faultsThatFired;
            std::vector<std::wstring> lines = b.Reported();
            bool reported = std::find_if(lines.begin(), lines.end(), [](const std::wstring& l) {
                                return l.rfind(L"Unable to open Hosts File", 0) == 0 ||
                                       l == L"Unable to backup \"hosts\"";
                            }) != lines.end();
            EXPECT_EQ(reported, now == before);
        }
    }
    EXPECT_GE(faultsThatFired, 6);
}

// ------------------------------------------------------------------ backup names

TEST(BackupNames, FirstFreeNameNeverAnExistingOne) {
    test::StageBench b;
    b.machine.PlantFile(L"C:\\src\\wrm.exe", "new");
    auto copyNow = [&] { return CopyToBackup(b.machine, L"D:\\Logs\\", L"C:\\src\\wrm.exe", L"wrm.exe"); };
    // No such folder: one attempt, no numbered retries.
    EXPECT_FALSE(CopyToBackup(b.machine, L"D:\\Gone\\", L"C:\\src\\wrm.exe", L"wrm.exe"));
    EXPECT_EQ(b.machine.Calls(test::Op::OpenFile), 2u);  // the source, and the copy's one unfinished name
    b.machine.PlantFile(L"D:\\Logs\\WRM.EXE.BACK", "1");
    b.machine.PlantFolder(L"D:\\Logs\\wrm.exe (2).back");
    b.machine.PlantFile(L"D:\\Logs\\wrm.exe (4).back", "4");
    EXPECT_TRUE(copyNow());
    EXPECT_EQ(b.machine.FileBytes(L"D:\\Logs\\wrm.exe (3).back"), std::optional<std::string>("new"));
    EXPECT_EQ(b.machine.FileBytes(L"D:\\Logs\\WRM.EXE.BACK"), std::optional<std::string>("1"));
    EXPECT_TRUE(copyNow());
    EXPECT_EQ(b.machine.FileBytes(L"D:\\Logs\\wrm.exe (5).back"), std::optional<std::string>("new"));
}

}  // namespace
}  // namespace pell
