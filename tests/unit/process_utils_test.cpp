// The process table, candidate selection and backup-and-delete on a planted machine; the field and line helpers.
#include <gtest/gtest.h>

#include "base/text.h"
#include "engine/process_utils.h"
#include "tests/unit/process_fixture.h"

namespace pell {
namespace {

using test::BackedUp;
using test::Fault;
using test::Found;
using test::Op;
using test::Refused;
using test::ScanMachine;
using Lines = std::vector<std::wstring>;

// ------------------------------------------------------------------ CountFields, GetField

struct FieldCase {
    const wchar_t* text;
    const wchar_t* delimiter;
    int count;
    int row, columns, index;
    const wchar_t* field;
};

TEST(Fields, CountAndPick) {
    const FieldCase cases[] = {
        {L"C:\\WINDOWS\\svchost.exe", L"\\", 3, 0, 0, 2, L"svchost.exe"},
        {L"C:\\WINDOWS\\svchost.exe", L"\\", 3, 0, 0, 0, L"C:"},
        {L"C:\\WINDOWS\\svchost.exe", L"\\", 3, 0, 0, 3, L""},
        {L"svchost.exe", L"\\", 1, 0, 0, 0, L"svchost.exe"},
        {L"", L"\\", 0, 0, 0, 0, L""},
        {L"a,b,,d", L",", 4, 0, 0, 2, L""},
        {L"a,b,,d", L",", 4, 0, 0, 3, L"d"},
        {L"a,b,c,d,e,f", L",", 6, 1, 3, 1, L"e"},   // row 1 of 3 columns, column 1: position 4
        {L"a,b,c,d,e,f", L",", 6, 2, 3, 0, L""},    // past the end
        {L"x::y::z", L"::", 3, 0, 0, 1, L"y"},       // several-character delimiters
        {L"C:\\dir\\", L"\\", 3, 0, 0, 2, L""},      // a trailing delimiter makes an empty last field
        {L"abc", L"\\", 1, 0, 0, -1, L"abc"},        // a negative position removes nothing
    };
    for (const FieldCase& c : cases) {
        SCOPED_TRACE(WideToUtf8(c.text));
        EXPECT_EQ(CountFields(c.text, c.delimiter), c.count);
        EXPECT_EQ(GetField(c.text, c.delimiter, c.row, c.columns, c.index), c.field);
    }
}

TEST(Fields, EmptyDelimiterTreatsTheTextAsOneField) {
    EXPECT_EQ(CountFields(L"abc", L""), 1);
    EXPECT_EQ(GetField(L"abc", L"", 0, 0, 0), L"abc");
    EXPECT_EQ(GetField(L"abc", L"", 0, 0, 1), L"");
}

// ------------------------------------------------------------------ FileNameOf, FolderOf

TEST(Paths, NameAndFolderAtTheLastBackslash) {
    struct Case {
        const wchar_t* path;
        const wchar_t* name;
        std::optional<std::wstring> folder;
    };
    const Case cases[] = {
        {L"C:\\WINDOWS\\wrm.exe", L"wrm.exe", L"C:\\WINDOWS"},
        {L"wrm.exe", L"wrm.exe", std::nullopt},
        {L"\\wrm.exe", L"wrm.exe", L""},
        {L"C:\\dir\\", L"", L"C:\\dir"},
        {L"", L"", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(WideToUtf8(c.path));
        EXPECT_EQ(FileNameOf(c.path), c.name);
        EXPECT_EQ(FolderOf(c.path), c.folder);
    }
}

// ------------------------------------------------------------------ SplitLines

TEST(Lines, SplitWithTheirEndsAndJoinBackExactly) {
    struct Case {
        std::string text;
        LineBreaks breaks;
        std::vector<std::pair<std::string, std::string>> lines;  // text, end
    };
    const Case cases[] = {
        {"", LineBreaks::Lf, {{"", ""}}},
        {"a\r\nb\nc", LineBreaks::Lf, {{"a", "\r\n"}, {"b", "\n"}, {"c", ""}}},
        {"a\rb\n", LineBreaks::Lf, {{"a\rb", "\n"}, {"", ""}}},     // a CR inside a line stays in it
        {"a\r\r\nb\r", LineBreaks::Lf, {{"a\r", "\r\n"}, {"b", "\r"}}},  // one CR goes with each end
        {"a\n\r", LineBreaks::Lf, {{"a", "\n"}, {"", "\r"}}},
        {"a\rb\n\r\nc", LineBreaks::LfOrCr, {{"a", "\r"}, {"b", "\n"}, {"", "\r\n"}, {"c", ""}}},
        {"a\r", LineBreaks::LfOrCr, {{"a", "\r"}, {"", ""}}},
        {"\n\r\r\n", LineBreaks::LfOrCr, {{"", "\n"}, {"", "\r"}, {"", "\r\n"}, {"", ""}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.text));
        std::vector<std::pair<std::string, std::string>> lines;
        std::string joined;
        for (const TextLine<char>& line : SplitLines(c.text, c.breaks)) {
            lines.emplace_back(line.text, line.end);
            joined.append(line.text).append(line.end);
        }
        EXPECT_EQ(lines, c.lines);
        EXPECT_EQ(joined, c.text);
    }
    const auto wide = SplitLines(std::wstring_view(L"\u00e9\r\nx\r"), LineBreaks::Lf);
    ASSERT_EQ(wide.size(), 2u);
    EXPECT_EQ(wide[0].text, L"\u00e9");
    EXPECT_EQ(wide[1].text, L"x");
    EXPECT_EQ(wide[1].end, L"\r");
}

// ------------------------------------------------------------------ BuildProcessTable

TEST(ProcessTable, EntriesHaveUpperCaseNamesAndFoldersFromTheDriveLetter) {
    ScanMachine m;
    std::uint32_t svchost = m.machine.AddProcess(L"C:\\WINDOWS\\system32\\svchost.exe");
    std::uint32_t nt = m.machine.AddProcess(L"\\??\\C:\\WINDOWS\\system32\\winlogon.exe");
    std::uint32_t smss = m.machine.AddProcess(L"\\SystemRoot\\System32\\smss.exe");
    std::uint32_t blanks = m.machine.AddProcess(L"  C:\\Program Files\\App\\app.exe  ");
    BuildProcessTable(m.engine);

    const auto& t = m.engine.ProcessTable;
    ASSERT_EQ(t.size(), 5u);
    EXPECT_EQ(t[0].fileName, L"");
    EXPECT_EQ(t[0].id, 0);
    EXPECT_EQ(t[0].folder, L"");
    struct Expected { std::uint32_t id; const wchar_t* name; const wchar_t* folder; };
    const Expected expected[] = {
        {svchost, L"SVCHOST.EXE", L"C:\\WINDOWS\\SYSTEM32\\"},
        {nt, L"WINLOGON.EXE", L"C:\\WINDOWS\\SYSTEM32\\"},
        {smss, L"SMSS.EXE", L"\\SYSTEMROOT\\SYSTEM32\\"},
        {blanks, L"APP.EXE", L"C:\\PROGRAM FILES\\APP\\"},
    };
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(t[i + 1].id, static_cast<std::int32_t>(expected[i].id));
        EXPECT_EQ(t[i + 1].fileName, expected[i].name);
        EXPECT_EQ(t[i + 1].folder, expected[i].folder);
    }
    ASSERT_EQ(m.engine.ProcessCandidates.size(), 1u);
    EXPECT_EQ(m.machine.OpenHandleCount(), 0u);
}

TEST(ProcessTable, UnopenableProcessesGetNoEntryAndAnUnnamedOneAnEmptyEntry) {
    ScanMachine m;
    std::uint32_t closed = m.machine.AddProcess(L"C:\\WINDOWS\\system32\\csrss.exe");
    std::uint32_t noModules = m.machine.AddProcess(L"C:\\WINDOWS\\system32\\lsass.exe");
    std::uint32_t unnamed = m.machine.AddProcess(L"C:\\WINDOWS\\x.exe");
    std::uint32_t kept = m.machine.AddProcess(L"C:\\WINDOWS\\explorer.exe");
    m.machine.InjectFault(Fault{Op::OpenProcess, std::to_wstring(closed), 0, 5});
    m.machine.InjectFault(Fault{Op::EnumProcessModules, std::to_wstring(noModules), 0, 5});
    m.machine.InjectFault(Fault{Op::GetModuleFileNameEx, std::to_wstring(unnamed), 0, 5});
    BuildProcessTable(m.engine);

    const auto& t = m.engine.ProcessTable;
    ASSERT_EQ(t.size(), 3u);
    EXPECT_EQ(t[1].id, static_cast<std::int32_t>(unnamed));
    EXPECT_EQ(t[1].fileName, L"");
    EXPECT_EQ(t[1].folder, L"");
    EXPECT_EQ(t[2].id, static_cast<std::int32_t>(kept));
    EXPECT_EQ(m.machine.OpenHandleCount(), 0u);
}

TEST(ProcessTable, IdBufferDoublesFromSixteenBytesUntilTheAnswerFits) {
    struct Case { int processes; std::size_t calls; };
    // 16 bytes hold 4 ids; a full buffer means "maybe more", so 4 ids need a second, larger call.
    const Case cases[] = {{0, 1}, {3, 1}, {4, 2}, {7, 2}, {8, 3}, {16, 4}, {40, 5}, {64, 6}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.processes);
        ScanMachine m;
        for (int i = 0; i < c.processes; ++i) m.machine.AddProcess(L"C:\\p\\p" + std::to_wstring(i) + L".exe");
        BuildProcessTable(m.engine);
        EXPECT_EQ(m.machine.Calls(Op::EnumProcesses), c.calls);
        EXPECT_EQ(m.engine.ProcessTable.size(), static_cast<std::size_t>(c.processes) + 1);
        // One yield per doubling step and two per process id.
        EXPECT_EQ(m.host.events, c.calls + 2 * static_cast<std::size_t>(c.processes));
    }
}

TEST(ProcessTable, FailedListingAndOtherPlatformsLeaveOnlyTheEmptyEntry) {
    ScanMachine failing;
    failing.machine.AddProcess(L"C:\\p\\a.exe");
    failing.machine.InjectFault(Fault{Op::EnumProcesses, L"", 0, 5, 0, -1});
    BuildProcessTable(failing.engine);
    EXPECT_EQ(failing.engine.ProcessTable.size(), 1u);
    EXPECT_EQ(failing.machine.Calls(Op::OpenProcess), 0u);

    ScanMachine old;
    old.machine.SetPlatformId(1);
    old.machine.AddProcess(L"C:\\p\\a.exe");
    old.engine.ProcessCandidates.push_back(ProcessEntry{L"X", 1, L"Y"});
    BuildProcessTable(old.engine);
    EXPECT_EQ(old.engine.ProcessTable.size(), 1u);
    EXPECT_EQ(old.engine.ProcessCandidates.size(), 1u);
    EXPECT_EQ(old.machine.Calls(Op::EnumProcesses), 0u);
}

// ------------------------------------------------------------------ SelectProcesses

TEST(Selection, TrimmedUpperCaseKeySelectsEveryMatchEachTime) {
    ScanMachine m;
    std::uint32_t a = m.machine.AddProcess(L"C:\\WINDOWS\\explorer.exe");
    m.machine.AddProcess(L"C:\\WINDOWS\\notepad.exe");
    std::uint32_t b = m.machine.AddProcess(L"D:\\x\\EXPLORER.EXE");
    BuildProcessTable(m.engine);
    SelectProcesses(m.engine, L"  explorer.exe ");
    SelectProcesses(m.engine, L"explorer.exe");
    SelectProcesses(m.engine, L"explorer");
    const auto& c = m.engine.ProcessCandidates;
    ASSERT_EQ(c.size(), 5u);
    EXPECT_EQ(c[1].id, static_cast<std::int32_t>(a));
    EXPECT_EQ(c[2].id, static_cast<std::int32_t>(b));
    EXPECT_EQ(c[3].id, static_cast<std::int32_t>(a));
    EXPECT_EQ(c[4].id, static_cast<std::int32_t>(b));
    EXPECT_EQ(c[2].folder, L"D:\\X\\");
}

TEST(Selection, StarCopiesEveryEntryWithTheEmptyOneAndOtherPlatformsSelectNothing) {
    ScanMachine m;
    m.machine.AddProcess(L"C:\\a.exe");
    BuildProcessTable(m.engine);
    SelectProcesses(m.engine, L"*");
    ASSERT_EQ(m.engine.ProcessCandidates.size(), 3u);
    EXPECT_EQ(m.engine.ProcessCandidates[1].fileName, L"");
    EXPECT_EQ(m.engine.ProcessCandidates[2].fileName, L"A.EXE");

    m.machine.SetPlatformId(1);
    SelectProcesses(m.engine, L"*");
    EXPECT_EQ(m.engine.ProcessCandidates.size(), 3u);
}

// ------------------------------------------------------------------ BackUpAndDelete

TEST(BackUp, MissingFileWritesNothing) {
    ScanMachine m;
    BackUpAndDelete(m.engine, L"C:\\WINDOWS\\system32\\nothere.exe");
    BackUpAndDelete(m.engine, L"C:\\NoFolder\\nothere.exe");
    EXPECT_EQ(m.host.details, L"");
    EXPECT_EQ(m.machine.AllFiles(), (Lines{}));
}

TEST(BackUp, ExistingFileIsCopiedThenRemoved) {
    ScanMachine m;
    m.machine.PlantFile(L"C:\\WINDOWS\\worm.exe", "MZ worm", kAttributeReadOnly | kAttributeHidden);
    BackUpAndDelete(m.engine, L"C:\\WINDOWS\\worm.exe");
    EXPECT_EQ(m.Lines(), (Lines{BackedUp(L"worm.exe"), Found(L"C:\\WINDOWS\\worm.exe")}));
    EXPECT_FALSE(m.machine.FileExists(L"C:\\WINDOWS\\worm.exe"));
    EXPECT_EQ(m.machine.FileBytes(L"C:\\Logs\\worm.exe.back"), std::optional<std::string>("MZ worm"));
}

TEST(BackUp, AnyFailedDeletionIsReportedAndMarkedForTheRestart) {
    ScanMachine m;
    m.machine.PlantFile(L"C:\\WINDOWS\\locked.exe", "L");
    m.machine.LockFile(L"C:\\WINDOWS\\locked.exe");
    m.machine.PlantFile(L"C:\\WINDOWS\\shared.exe", "S");
    m.machine.InjectFault(Fault{Op::DeleteFile, L"C:\\WINDOWS\\shared.exe", 0, 32});
    BackUpAndDelete(m.engine, L"C:\\WINDOWS\\locked.exe");
    BackUpAndDelete(m.engine, L"C:\\WINDOWS\\shared.exe");
    EXPECT_EQ(m.Lines(), (Lines{BackedUp(L"locked.exe"), Refused(L"C:\\WINDOWS\\locked.exe"),
                                L"C:\\WINDOWS\\locked.exe" + std::wstring(kRemovedAtRestart), BackedUp(L"shared.exe"),
                                Refused(L"C:\\WINDOWS\\shared.exe"),
                                L"C:\\WINDOWS\\shared.exe" + std::wstring(kRemovedAtRestart)}));
    EXPECT_TRUE(m.machine.FileExists(L"C:\\WINDOWS\\locked.exe"));
    EXPECT_TRUE(m.machine.FileExists(L"C:\\WINDOWS\\shared.exe"));
    EXPECT_EQ(m.machine.DeletionsAtRestart().size(), 2u);
}

TEST(BackUp, SameNamedFilesEachGetTheirOwnCopy) {
    ScanMachine m;
    m.machine.PlantFile(L"C:\\Logs\\svchost.exe (2).back", "older copy");
    m.machine.PlantFolder(L"C:\\Logs\\svchost.exe (3).back");  // a folder takes a name as well
    const std::wstring paths[] = {L"C:\\WINDOWS\\svchost.exe", L"C:\\WINDOWS\\system\\svchost.exe",
                                  L"C:\\WINDOWS\\system32\\drivers\\SVCHOST.EXE"};
    m.machine.PlantFile(paths[0], "one");
    m.machine.PlantFile(paths[1], "two");
    m.machine.PlantFile(paths[2], "three");
    for (const auto& p : paths) BackUpAndDelete(m.engine, p);
    EXPECT_EQ(m.Lines(), (Lines{BackedUp(L"svchost.exe"), Found(paths[0]), BackedUp(L"svchost.exe"), Found(paths[1]),
                                BackedUp(L"SVCHOST.EXE"), Found(paths[2])}));
    EXPECT_EQ(m.machine.FileBytes(L"C:\\Logs\\svchost.exe.back"), std::optional<std::string>("one"));
    EXPECT_EQ(m.machine.FileBytes(L"C:\\Logs\\svchost.exe (2).back"), std::optional<std::string>("older copy"));
    EXPECT_EQ(m.machine.FileBytes(L"C:\\Logs\\svchost.exe (4).back"), std::optional<std::string>("two"));
    EXPECT_EQ(m.machine.FileBytes(L"C:\\Logs\\svchost.exe (5).back"), std::optional<std::string>("three"));
}

TEST(BackUp, WithoutAnyPossibleCopyTheFileStaysAndTheBackupFailureIsReported) {
    // Every copy name taken.
    ScanMachine full;
    full.machine.PlantFile(L"C:\\Logs\\w.exe.back", "0");
    for (int k = 2; k <= kMaxBackupCopies; ++k)
        full.machine.PlantFile(L"C:\\Logs\\w.exe (" + std::to_wstring(k) + L").back", "0");
    full.machine.PlantFile(L"C:\\WINDOWS\\w.exe", "w");
    BackUpAndDelete(full.engine, L"C:\\WINDOWS\\w.exe");
    EXPECT_EQ(full.Lines(), (Lines{L"Unable to backup \"w.exe\""}));
    EXPECT_TRUE(full.machine.FileExists(L"C:\\WINDOWS\\w.exe"));
    // The whole copy was written once and offered to every name; unfinished, it did not stay.
    EXPECT_EQ(full.machine.Calls(Op::MoveFileNoReplace), static_cast<std::size_t>(kMaxBackupCopies));
    EXPECT_FALSE(full.machine.FileExists(UnfinishedBackupName(L"C:\\Logs\\", L"w.exe", 1)));

    // A log folder that cannot be written: one copy attempt, no numbered retries.
    ScanMachine unwritable(L"C:\\Gone\\");
    unwritable.engine.folders.LogFolder = L"C:\\NoSuchFolder\\";
    unwritable.machine.PlantFile(L"C:\\WINDOWS\\w.exe", "w");
    BackUpAndDelete(unwritable.engine, L"C:\\WINDOWS\\w.exe");
    EXPECT_EQ(unwritable.Lines(), (Lines{L"Unable to backup \"w.exe\""}));
    EXPECT_EQ(unwritable.machine.Calls(Op::MoveFileNoReplace), 0u);
    EXPECT_LT(unwritable.machine.Calls(Op::OpenFile), 5u);  // the file, its genuine twin, one copy
    EXPECT_TRUE(unwritable.machine.FileExists(L"C:\\WINDOWS\\w.exe"));
}

}  // namespace
}  // namespace pell
