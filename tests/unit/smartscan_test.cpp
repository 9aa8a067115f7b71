// SmartScan scenarios on the fake machine: the process, registry and autorun passes, their lines and lists.
#include <gtest/gtest.h>

#include "base/text.h"
#include "smartscan/match_index.h"
#include "smartscan/md5_hash.h"
#include "base/run_values.h"
#include "engine/smartscan.h"
#include "base/handles.h"
#include "engine/stages.h"
#include "tests/fake/fake_machine.h"
#include "tests/fake/test_host.h"
#include "tests/unit/english_translation.h"

namespace pell {
namespace {

using test::Fault;
using test::FakeMachine;
using test::Op;
using Lines = std::vector<std::wstring>;

constexpr wchar_t kRun[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kRunServices[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\RunServices";
constexpr wchar_t kOther[] = L"0123456789ABCDEF0123456789ABCDEF";

std::wstring Identified(const std::wstring& what) { return what + L" ...Identified"; }


class SmartScanTest : public ::testing::Test {
protected:
    // Plants a worm file and returns its digest.
    std::wstring PlantWorm(const std::wstring& path, const std::string& bytes = "worm body") {
        machine.PlantFile(path, bytes);
        return Utf8ToWide(test::Md5Hex(bytes));
    }
    void PlantAutorun(const std::wstring& root, const std::string& text,
                      std::uint32_t attributes = kAttributeNormal, const std::wstring& name = L"autorun.inf") {
        machine.PlantFile(root + name, text, attributes);
    }
    // The details lines after the pass lines, the passes' own lines left out.
    Lines Reports() const {
        Lines out;
        for (const auto& line : host.Lines())
            if (line.size() > 14 && line.ends_with(L" ...Identified")) out.push_back(line);
        return out;
    }
    const std::vector<std::wstring>& Listed() const { return e.lstIdentifiedByMD5.Items(); }

    FakeMachine machine;
    test::TestHost host;
    Translation english = test::EnglishTranslation();
    Engine e{machine, host, english};
};

// ---------------------------------------------------------------- the whole stage

TEST_F(SmartScanTest, ReportsEachPassAndEndsWithTheServicesLine) {
    std::wstring digest = PlantWorm(L"C:\\WINDOWS\\wrm.exe");
    machine.AddProcess(L"C:\\WINDOWS\\wrm.exe");
    e.MD5Hashes = {kOther, digest};
    e.InfectionNames = {L"first", L"second"};
    e.lstKeys.Append(L"stale=item");
    SmartScan(e);
    EXPECT_EQ(host.Lines(), (Lines{L"", Identified(L"C:\\WINDOWS\\WRM.EXE"), L"SmartScanning Registry Items...",
                                   L"SmartScanning AutoRuns...", L"Looking For Virus Services..."}));
    EXPECT_EQ(e.InfectionNames, (std::vector<std::wstring>{L"first", L"second", L"WRM"}));
    EXPECT_EQ(Listed(), (std::vector<std::wstring>{L"C:\\WINDOWS\\WRM.EXE"}));
    EXPECT_EQ(e.lstKeys.Count(), 0u);
    EXPECT_EQ(machine.OpenHandleCount(), 0u);
}

TEST_F(SmartScanTest, NothingMatchesOnACleanMachine) {
    machine.PlantFile(L"C:\\WINDOWS\\explorer.exe", "genuine");
    machine.AddProcess(L"C:\\WINDOWS\\explorer.exe");
    machine.PlantString(RegRoot::LocalMachine, kRun, L"ctfmon", L"C:\\WINDOWS\\explorer.exe");
    e.MD5Hashes = {kOther};
    e.InfectionNames = {L"wrm"};
    SmartScan(e);
    EXPECT_EQ(host.Lines(), (Lines{L"", L"SmartScanning Registry Items...", L"SmartScanning AutoRuns...",
                                   L"Looking For Virus Services..."}));
    EXPECT_EQ(e.InfectionNames.size(), 1u);
    EXPECT_EQ(Listed().size(), 0u);
}

TEST_F(SmartScanTest, AProviderThatCannotBeAcquiredEndsTheStageWithItsError) {
    machine.InjectFault(Fault{Op::CryptAcquireContext, L"", 0, 0x80090017, 0, -1});
    try {
        SmartScan(e);
        ADD_FAILURE() << "no error";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.Number(), md5_error::Initialize);
    }
    // The autorun pass alone passes it over.
    PlantAutorun(L"C:\\", "[autorun]\r\nopen=x.exe\r\n");
    EXPECT_NO_THROW(SmartScanner(e).SmartScanAutoRuns());

    // A provider lost after the process pass ends the registry pass, which leaves no listed items.
    FakeMachine later;
    test::TestHost laterHost;
    Engine laterEngine{later, laterHost, english};
    later.PlantString(RegRoot::CurrentUser, kRun, L"wrm", L"C:\\wrm.exe");
    later.InjectFault(Fault{Op::CryptAcquireContext, L"", 0, 0x80090017, 1, -1});
    EXPECT_THROW(SmartScan(laterEngine), RuntimeError);
    EXPECT_EQ(laterEngine.lstKeys.Count(), 0u);
}

// ---------------------------------------------------------------- process pass

TEST_F(SmartScanTest, ProcessPassReportsFullUpperCasePathsWhetherOrNotTheNameIsListed) {
    std::wstring listed = PlantWorm(L"C:\\WINDOWS\\System32\\wrm.exe", "listed worm");
    std::wstring fresh = PlantWorm(L"C:\\Documents and Settings\\x\\evil.exe", "new worm");
    machine.AddProcess(L"C:\\WINDOWS\\System32\\wrm.exe");
    machine.AddProcess(L"\\??\\C:\\Documents and Settings\\x\\evil.exe");
    e.MD5Hashes = {fresh, kOther, listed};
    e.InfectionNames = {L"wrm"};  // listed in lower case: compared in upper case
    SmartScanner(e).SmartScanProcesses();
    EXPECT_EQ(Reports(), (Lines{Identified(L"C:\\WINDOWS\\SYSTEM32\\WRM.EXE"),
                                Identified(L"C:\\DOCUMENTS AND SETTINGS\\X\\EVIL.EXE")}));
    EXPECT_EQ(e.InfectionNames, (std::vector<std::wstring>{L"wrm", L"EVIL"}));
    EXPECT_EQ(Listed(), (std::vector<std::wstring>{L"C:\\WINDOWS\\SYSTEM32\\WRM.EXE",
                                                   L"C:\\DOCUMENTS AND SETTINGS\\X\\EVIL.EXE"}));
}

// ---------------------------------------------------------------- registry pass

TEST_F(SmartScanTest, RegistryPassSkipsAnUpperCaseListedNameAndAppendsALowerCaseOneAgain) {
    std::wstring digest = PlantWorm(L"C:\\WINDOWS\\wrm.exe");
    machine.PlantString(RegRoot::LocalMachine, kRun, L"upper", L"C:\\WINDOWS\\WRM.EXE");
    machine.PlantString(RegRoot::CurrentUser, kRun, L"lower", L"c:\\windows\\wrm.exe");
    machine.PlantString(RegRoot::LocalMachine, kRunServices, L"again", L"C:\\WINDOWS\\wrm.exe");
    e.MD5Hashes = {digest};
    e.InfectionNames = {L"wrm"};
    SmartScanner(e).SmartScanRegistry();
    // Upper case and listed: finished silently. Lower case never counts as listed, so both lower-case
    // spellings are appended and reported with their short names.
    EXPECT_EQ(Reports(), (Lines{Identified(L"wrm.exe"), Identified(L"wrm.exe")}));
    EXPECT_EQ(e.InfectionNames, (std::vector<std::wstring>{L"wrm", L"wrm", L"wrm"}));
    EXPECT_EQ(Listed(), (std::vector<std::wstring>{L"c:\\windows\\wrm.exe", L"C:\\WINDOWS\\wrm.exe"}));
    EXPECT_EQ(e.lstKeys.Count(), 0u);
}

TEST_F(SmartScanTest, RegistryPassHashesAQuotedCommandWithoutItsSwitch) {
    std::wstring digest = PlantWorm(L"C:\\Program Files\\Evil App\\evil.exe");
    machine.PlantString(RegRoot::LocalMachine, kRun, L"Evil", L"\"C:\\Program Files\\Evil App\\evil.exe\" /background");
    e.MD5Hashes = {digest};
    SmartScanner(e).SmartScanRegistry();
    EXPECT_EQ(Reports(), (Lines{Identified(L"evil.exe")}));
    EXPECT_EQ(e.InfectionNames, (std::vector<std::wstring>{L"evil"}));
    EXPECT_EQ(Listed(), (std::vector<std::wstring>{L"C:\\Program Files\\Evil App\\evil.exe"}));
}

TEST_F(SmartScanTest, RegistryPassCommandStopsAtASecondEqualsSign) {
    std::wstring digest = PlantWorm(L"C:\\w\\evil.exe");
    machine.PlantString(RegRoot::LocalMachine, kRun, L"a", L"C:\\w\\evil.exe /mode=quiet");
    machine.PlantString(RegRoot::LocalMachine, kRun, L"b", L"C:\\w\\evil.exe");
    machine.PlantDword(RegRoot::LocalMachine, kRun, L"c", 7);
    e.MD5Hashes = {digest};
    SmartScanner(e).SmartScanRegistry();
    // "C:\w\evil.exe /mode" is cut after "exe". The second value names the same file; its base name
    // "evil" is not upper case, so it never counts as listed and is appended and reported again.
    EXPECT_EQ(Reports(), (Lines{Identified(L"evil.exe"), Identified(L"evil.exe")}));
    EXPECT_EQ(Listed(), (std::vector<std::wstring>{L"C:\\w\\evil.exe", L"C:\\w\\evil.exe"}));
}

TEST_F(SmartScanTest, ListRunValuesReadsLongDataWholeAndSkipsEmptyValues) {
    std::wstring folder = L"C:\\" + std::wstring(120, L'a') + L"\\" + std::wstring(140, L'b');
    std::wstring longPath = folder + L"\\EVIL.EXE";
    ASSERT_GT(longPath.size(), 255u);
    std::wstring digest = PlantWorm(longPath);
    machine.PlantString(RegRoot::LocalMachine, kRun, L"long", L"\"" + longPath + L"\" -quiet");
    machine.PlantString(RegRoot::LocalMachine, kRun, L"empty", L"");
    {
        OpenKey key(machine);
        ASSERT_EQ(key.Open(RegRoot::LocalMachine, kRun), 0);
        ListRunValues(e.sys, key.get(), e.lstKeys);
    }
    // A string's terminator is dropped, nothing else; the empty string has length 1 and lists as "empty=".
    EXPECT_EQ(e.lstKeys.Items(), (std::vector<std::wstring>{L"long=\"" + longPath + L"\" -quiet", L"empty="}));
    e.lstKeys.Clear();
    e.MD5Hashes = {digest};
    SmartScanner(e).SmartScanRegistry();
    EXPECT_EQ(Reports(), (Lines{Identified(L"EVIL.EXE")}));
    EXPECT_EQ(Listed(), (std::vector<std::wstring>{longPath}));
}

TEST_F(SmartScanTest, ListRunValuesPassesOverAFailingIndexAndGivesUpOnAKeyThatAlwaysFails) {
    machine.PlantString(RegRoot::LocalMachine, kRun, L"one", L"1");
    machine.PlantString(RegRoot::LocalMachine, kRun, L"two", L"2");
    OpenKey key(machine);
    ASSERT_EQ(key.Open(RegRoot::LocalMachine, kRun), 0);
    machine.InjectFault(Fault{Op::RegEnumValue, L"", 234, 0, 0, 1});
    ListRunValues(e.sys, key.get(), e.lstKeys);
    EXPECT_EQ(e.lstKeys.Items(), (std::vector<std::wstring>{L"two=2"}));

    e.lstKeys.Clear();
    machine.ResetCalls();
    machine.InjectFault(Fault{Op::RegEnumValue, L"", 1018, 0, 0, -1});
    ListRunValues(e.sys, key.get(), e.lstKeys);
    EXPECT_EQ(e.lstKeys.Count(), 0u);
    EXPECT_LE(machine.Calls(Op::RegEnumValue), 256u);
}

// ---------------------------------------------------------------- autorun pass

struct AutorunCase {
    const char* name;
    std::string inf;
    std::wstring wormPath;       // planted with the known digest
    Lines reports;               // the status-2 lines
    std::vector<std::wstring> names;  // InfectionNames appended
};

TEST_F(SmartScanTest, AutorunLinesNameTheFileThatIsHashed) {
    const AutorunCase cases[] = {
        {"bare name gets the drive root", "[autorun]\r\nopen=evil.exe\r\n", L"E:\\evil.exe",
         {Identified(L"E:\\evil.exe")}, {L"evil"}},
        {"the drive is not prefixed twice", "[AutoRun]\r\nOPEN=E:\\evil.EXE\r\n", L"E:\\evil.exe",
         {Identified(L"E:\\evil.EXE")}, {L"evil"}},
        {"quoted command with arguments", "open=\"evil.exe\" /go now\r\n", L"E:\\evil.exe",
         {Identified(L"E:\\evil.exe")}, {L"evil"}},
        {".exe wins over an earlier .com", "open=www.site.com\\setup.exe\r\n", L"E:\\www.site.com\\setup.exe",
         {Identified(L"E:\\www.site.com\\setup.exe")}, {L"www.site.com\\setup"}},
        {".com alone", "shell\\open\\command=tool.com\r\n", L"E:\\tool.com", {Identified(L"E:\\tool.com")},
         {L"tool"}},
        {".cmd alone, cut at its blank", "open=run.cmd /c\r\n", L"E:\\run.cmd", {Identified(L"E:\\run.cmd")},
         {L"run"}},
        {"an icon line keeps its tail and names no file", "[autorun]\r\nicon=evil.exe,0\r\n", L"E:\\evil.exe", {},
         {}},
        {"a sub-folder stays part of the base name", "open=RECYCLER\\S-1-5\\evil.exe\r\n",
         L"E:\\RECYCLER\\S-1-5\\evil.exe", {Identified(L"E:\\RECYCLER\\S-1-5\\evil.exe")}, {L"RECYCLER\\S-1-5\\evil"}},
        {"lines without a known extension are skipped", "open=evil.scr\r\nlabel=x\r\n", L"E:\\evil.scr", {}, {}},
        {"the window runs past the extension up to p + 4 characters", "shellexecute=evil.exe\r\n", L"E:\\evil.exe",
         {Identified(L"E:\\evil.exe")}, {L"evil"}},
        {"LF alone does not end a line", "[autorun]\nopen=evil.exe\n", L"E:\\evil.exe", {}, {}},
        // Joined to the file pass's folders, these would name genuine files outside them.
        {"a base name that climbs out of its folder is reported but not listed",
         "open=x\\..\\..\\WINDOWS\\system32\\evil.exe\r\n", L"E:\\x\\..\\..\\WINDOWS\\system32\\evil.exe",
         {Identified(L"E:\\x\\..\\..\\WINDOWS\\system32\\evil.exe")}, {}},
        {"so is one that climbs with forward slashes", "open=x/../../WINDOWS/evil.exe\r\n",
         L"E:\\x/../../WINDOWS/evil.exe", {Identified(L"E:\\x/../../WINDOWS/evil.exe")}, {}},
    };
    for (const auto& c : cases) {
        FakeMachine m;
        test::TestHost h;
        Engine engine{m, h, english};
        m.AddDrive(L'E', drive::Removable);
        std::string body = std::string("worm ") + c.name;
        m.PlantFile(c.wormPath, body);
        m.PlantFile(L"E:\\autorun.inf", c.inf);
        engine.MD5Hashes = {Utf8ToWide(test::Md5Hex(body))};
        SmartScanner(engine).SmartScanAutoRuns();
        Lines reports;
        for (const auto& line : h.Lines())
            if (!line.empty()) reports.push_back(line);
        EXPECT_EQ(reports, c.reports) << c.name;
        EXPECT_EQ(engine.InfectionNames, c.names) << c.name;
        EXPECT_EQ(engine.lstIdentifiedByMD5.Count(), c.reports.size()) << c.name;
        EXPECT_EQ(m.OpenHandleCount(), 0u) << c.name;
    }
}

TEST_F(SmartScanTest, AutorunPassExaminesOnlyDrivesWithARootThatAreNotCdRoms) {
    struct Drive {
        wchar_t letter;
        unsigned type;
        bool examined;
    };
    const Drive drives[] = {
        {L'A', drive::Removable, true}, {L'D', drive::CdRom, false}, {L'F', drive::Unknown, false},
        {L'G', drive::NoRootDir, false}, {L'M', drive::Remote, true}, {L'R', drive::RamDisk, true},
    };
    e.MD5Hashes = {};
    Lines expected;
    for (const auto& d : drives) {
        machine.AddDrive(d.letter, d.type);
        std::wstring root = std::wstring(1, d.letter) + L":\\";
        e.MD5Hashes.push_back(PlantWorm(root + L"w.exe", "worm on " + std::to_string(d.letter)));
        PlantAutorun(root, "[autorun]\r\nopen=w.exe\r\n");
        if (d.examined) expected.push_back(Identified(root + L"w.exe"));
    }
    SmartScanner(e).SmartScanAutoRuns();
    EXPECT_EQ(Reports(), expected);
    EXPECT_EQ(machine.Calls(Op::ListFolder), 4u);  // A, C, M, R
}

TEST_F(SmartScanTest, AutorunPassFindsHiddenUpperCaseFilesAndSkipsUnlistableDrivesAndFolders) {
    machine.AddDrive(L'E', drive::Removable);
    machine.AddDrive(L'F', drive::Removable);
    machine.AddDrive(L'G', drive::Fixed);
    std::wstring e1 = PlantWorm(L"E:\\e.exe", "e worm");
    std::wstring f1 = PlantWorm(L"F:\\f.exe", "f worm");
    std::wstring g1 = PlantWorm(L"G:\\g.exe", "g worm");
    PlantAutorun(L"E:\\", "open=e.exe", kAttributeHidden | kAttributeSystem | kAttributeReadOnly, L"AUTORUN.INF");
    PlantAutorun(L"F:\\", "open=f.exe");
    machine.PlantFolder(L"G:\\autorun.inf");  // a folder of that name, as vaccination tools make
    machine.PlantFile(L"G:\\setup.inf", "open=g.exe");
    machine.InjectFault(Fault{Op::ListFolder, L"F:\\", 21, 0, 0, -1});  // drive not ready
    e.MD5Hashes = {e1, f1, g1};
    SmartScanner(e).SmartScanAutoRuns();
    EXPECT_EQ(Reports(), (Lines{Identified(L"E:\\e.exe")}));
    EXPECT_EQ(host.events, 1u);  // the skipped drive lets events run
}

TEST_F(SmartScanTest, AutorunPassSkipsAnUnreadableOrOversizedFileAndGoesOnWithTheNextDrive) {
    machine.AddDrive(L'E', drive::Removable);
    machine.AddDrive(L'F', drive::Removable);
    machine.AddDrive(L'G', drive::Removable);
    std::wstring digest = PlantWorm(L"E:\\w.exe");
    PlantWorm(L"F:\\w.exe");
    PlantWorm(L"G:\\w.exe");
    PlantAutorun(L"E:\\", "open=w.exe\r\n");
    PlantAutorun(L"F:\\", "open=w.exe\r\n" + std::string(2 << 20, ' '));
    PlantAutorun(L"G:\\", "open=w.exe\r\n");
    machine.InjectFault(Fault{Op::OpenFile, L"E:\\autorun.inf", 0, 32, 0, -1});  // locked
    e.MD5Hashes = {digest};
    SmartScanner(e).SmartScanAutoRuns();
    EXPECT_EQ(Reports(), (Lines{Identified(L"G:\\w.exe")}));
}

TEST(StripArguments, CutsAfterTheFirstKnownExtensionFollowedByABlank) {
    struct Case {
        const wchar_t* in;
        const wchar_t* out;
    };
    const Case cases[] = {
        {L"\"C:\\A B\\x.exe\" -s", L"C:\\A B\\x.exe"},
        {L"C:\\x.EXE /a /b", L"C:\\x.EXE"},
        {L"x.com y.exe z", L"x.com y.exe"},  // ".exe " is looked for first
        {L"x.com /q", L"x.com"},
        {L"x.cmd /q", L"x.cmd"},
        {L"x.exe,0", L"x.exe,0"},
        {L"x.exe", L"x.exe"},
        {L"\"\"", L""},
        {L"a.bat /x", L"a.bat /x"},
    };
    for (const auto& c : cases) EXPECT_EQ(StripArguments(c.in), c.out) << WideToUtf8(c.in);
}

// ---------------------------------------------------------------- mends and the indexes

TEST_F(SmartScanTest, AnEmptyDigestNeverMatchesEvenWhenTheTableHoldsAnEmptyEntry) {
    machine.AddProcess(L"C:\\gone\\ghost.exe");  // its file is missing
    machine.PlantString(RegRoot::LocalMachine, kRun, L"ghost", L"C:\\gone\\ghost.exe");
    machine.PlantFolder(L"C:\\folder.exe");
    machine.PlantString(RegRoot::CurrentUser, kRun, L"folder", L"C:\\folder.exe");
    PlantAutorun(L"C:\\", "open=missing.exe\r\nicon=missing.exe,0\r\n");
    e.MD5Hashes = {kOther, L"", kOther};
    SmartScan(e);
    EXPECT_EQ(Reports(), Lines{});
    EXPECT_EQ(e.InfectionNames.size(), 0u);
    EXPECT_EQ(Listed().size(), 0u);
}

TEST_F(SmartScanTest, DuplicateDigestsAreEachHandledInIndexOrderAndFilesInWalkOrder) {
    std::wstring d1 = PlantWorm(L"C:\\w\\one.exe", "one");
    std::wstring d2 = PlantWorm(L"C:\\w\\two.exe", "two");
    machine.AddProcess(L"C:\\w\\two.exe");
    machine.AddProcess(L"C:\\w\\one.exe");
    machine.PlantString(RegRoot::LocalMachine, kRun, L"upper", L"C:\\W\\TWO.EXE");  // TWO is listed by now
    machine.PlantString(RegRoot::LocalMachine, kRun, L"fresh", L"C:\\w\\THREE.EXE");
    machine.PlantString(RegRoot::LocalMachine, kRun, L"lower", L"c:\\w\\two.exe");
    std::wstring d3 = PlantWorm(L"C:\\w\\THREE.EXE", "three");
    e.MD5Hashes = {d1, kOther, d2, d1, d3, d2, d1, d3};
    SmartScan(e);
    // Process pass: every equal entry is handled (three for one.exe, two for two.exe), processes in the
    // order the system lists them. Registry pass: THREE is new at its first entry and listed at its
    // second; the lower-case two.exe never counts as listed, so both of its entries append it.
    EXPECT_EQ(Reports(), (Lines{Identified(L"C:\\W\\TWO.EXE"), Identified(L"C:\\W\\TWO.EXE"),
                                Identified(L"C:\\W\\ONE.EXE"), Identified(L"C:\\W\\ONE.EXE"),
                                Identified(L"C:\\W\\ONE.EXE"), Identified(L"THREE.EXE"), Identified(L"two.exe"),
                                Identified(L"two.exe")}));
    EXPECT_EQ(e.InfectionNames, (std::vector<std::wstring>{L"TWO", L"ONE", L"THREE", L"two", L"two"}));
    EXPECT_EQ(Listed(), (std::vector<std::wstring>{L"C:\\W\\TWO.EXE", L"C:\\W\\TWO.EXE", L"C:\\W\\ONE.EXE",
                                                   L"C:\\W\\ONE.EXE", L"C:\\W\\ONE.EXE", L"C:\\w\\THREE.EXE",
                                                   L"c:\\w\\two.exe", L"c:\\w\\two.exe"}));
}

TEST_F(SmartScanTest, DetectionsAddedBetweenRunsAreFoundByTheNextRun) {
    std::wstring digest = PlantWorm(L"C:\\w\\late.exe");
    machine.AddProcess(L"C:\\w\\late.exe");
    e.MD5Hashes = {kOther};
    SmartScan(e);
    EXPECT_EQ(Reports(), Lines{});
    e.MD5Hashes.push_back(digest);  // the extra detections arrive
    SmartScan(e);
    EXPECT_EQ(Reports(), (Lines{Identified(L"C:\\W\\LATE.EXE")}));
    // A third run finds it again; its name is listed now, so the table does not grow.
    SmartScan(e);
    EXPECT_EQ(e.InfectionNames, (std::vector<std::wstring>{L"LATE"}));
    EXPECT_EQ(Listed().size(), 2u);
}

TEST(MatchIndex, FollowsItsTableAsItGrows) {
    std::vector<std::wstring> hashes = {L"A", L"B", L"A"};
    DigestIndex digests(hashes);
    EXPECT_EQ(digests.Matches(L"A"), (std::vector<std::size_t>{0, 2}));
    EXPECT_EQ(digests.Matches(L"a"), std::vector<std::size_t>{});
    hashes.push_back(L"");
    hashes.push_back(L"A");
    EXPECT_EQ(digests.Matches(L"A"), (std::vector<std::size_t>{0, 2, 4}));
    EXPECT_EQ(digests.Matches(L""), std::vector<std::size_t>{});

    std::vector<std::wstring> names = {L"wrm", L"Csrss "};
    ListedNames listed(names);
    EXPECT_TRUE(listed.Listed(L"WRM"));
    EXPECT_FALSE(listed.Listed(L"wrm"));
    EXPECT_TRUE(listed.Listed(L"CSRSS "));
    EXPECT_FALSE(listed.Listed(L"CSRSS"));
    EXPECT_FALSE(listed.Listed(L"NEW"));
    names.push_back(L"new");
    EXPECT_TRUE(listed.Listed(L"NEW"));
}

}  // namespace
}  // namespace pell
