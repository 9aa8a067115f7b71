// The indexed file pass against the literal per-path pass: same lines, same bars, same machine afterwards.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>

#include "base/forwarding_system.h"
#include "base/text.h"
#include "processes/file_groups.h"
#include "engine/file_pass.h"
#include "engine/process_utils.h"
#include "tests/reference/literal_file_pass.h"
#include "tests/unit/process_fixture.h"

namespace pell {
namespace {

using test::Fault;
using test::LiteralFilePass;
using test::Op;
using test::ScanMachine;

// Names from every group, with the spellings the groups tell apart, duplicates, and names whose paths
// a folder listing cannot judge (short-name aliases, wildcards, non-ASCII, a subfolder).
const std::vector<std::wstring> kNames = {
    L"svchost", L"MDM", L"mdm", L"Mdm", L"services", L"Services", L"explorer", L"EHSCHED", L"winhelp",
    L"setup", L"lol", L"lsass", L"ctfmon", L"msconfig", L"ups", L"win", L"Win", L"chcp", L"acer", L"logon",
    L"Acer", L"worm", L"WORM", L"worm", L"bug", L"msnbot", L"PROGRA~1", L"w*rm", L"w\u00f6rm", L"sub\\evil",
    L"trail ", L"", L"svchost", L"a.b", L"xx", L"lockme", L"readonly", L"dir",
};

std::uint32_t Next(std::uint32_t& state) {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
}

// Spells the file's name in another case now and then, as worms and users do.
std::wstring Respell(const std::wstring& path, std::uint32_t pick) {
    std::size_t slash = path.find_last_of(L'\\');
    std::wstring folder = path.substr(0, slash + 1), leaf = path.substr(slash + 1);
    if (pick % 3 == 1) return folder + UpperCase(leaf);
    if (pick % 3 == 2) return folder + LowerCase(leaf);
    return path;
}

struct Layout {
    const char* title;
    std::wstring logFolder;
    std::wstring tempPath;
    std::function<void(test::FakeMachine&)> extra;
};

// Plants files under about half of all the paths the names lead to, plus decoys, locked, read-only and
// running files, a folder named like a worm file, and backups left by an earlier run.
std::wstring FolderOf(const std::wstring& path) { return UpperCase(path.substr(0, path.find_last_of(L'\\'))); }

// Returns the folders the names lead to and the folders that received a planted file.
std::pair<std::set<std::wstring>, std::set<std::wstring>> Plant(ScanMachine& m, std::uint32_t seed) {
    std::uint32_t state = seed;
    std::set<std::wstring> planted, allFolders, plantedFolders;
    for (const std::wstring& name : kNames) {
        for (const std::wstring& path : WormFilePaths(m.engine.folders, name)) {
            std::wstring key = UpperCase(path);
            allFolders.insert(FolderOf(path));
            const bool folderStillEmpty = !plantedFolders.count(FolderOf(path));
            if (planted.count(key) || (Next(state) % 2 == 0 && !folderStillEmpty)) continue;
            planted.insert(key);
            plantedFolders.insert(FolderOf(path));
            std::uint32_t kind = Next(state);
            std::wstring spelled = Respell(path, kind);
            if (name == L"dir") {
                m.machine.PlantFolder(spelled);
                continue;
            }
            m.machine.PlantFile(spelled, WideToUtf8(spelled), name == L"readonly" ? kAttributeReadOnly : kAttributeNormal);
            if (name == L"lockme") m.machine.LockFile(spelled);
            if (kind % 11 == 0) m.machine.LockFile(spelled);
            if (kind % 13 == 0) m.machine.AddProcess(spelled);
            if (kind % 7 == 0) m.machine.PlantFile(spelled + L".txt", "decoy");
        }
    }
    m.machine.PlantFile(L"C:\\WINDOWS\\Fonts\\svchost.exe", "fonts worm", kAttributeHidden | kAttributeSystem);
    m.machine.PlantFile(L"C:\\WINDOWS\\system32\\xsvchost.exe", "decoy");
    m.machine.PlantFile(L"C:\\WINDOWS\\system32\\win.com", "genuine");
    m.machine.PlantFile(L"C:\\WINDOWS\\system32\\acer.scr", "genuine");
    m.machine.PlantFile(L"C:\\WINDOWS\\system32\\chcp.com", "genuine");
    m.machine.PlantFile(L"C:\\WINDOWS\\system32\\PROGRA~1.exe", "alias");
    m.machine.PlantFile(L"C:\\WINDOWS\\system32\\w*rm.exe", "odd");
    if (!m.engine.folders.LogFolder.empty()) {
        m.machine.PlantFile(m.engine.folders.LogFolder + L"svchost.exe.back", "earlier run");
        m.machine.PlantFile(m.engine.folders.LogFolder + L"worm.exe (2).back", "earlier run");
    }
    return {allFolders, plantedFolders};
}

struct Outcome {
    std::wstring details;
    std::vector<double> prog1;
    std::size_t events;
    std::vector<std::wstring> files;
    std::map<std::wstring, std::pair<std::string, std::uint32_t>> contents;  // bytes and attributes
};

Outcome RunPass(const Layout& layout, bool indexed, std::size_t* listings = nullptr, std::size_t* deletes = nullptr) {
    ScanMachine m(layout.logFolder, layout.tempPath);
    m.engine.InfectionNames = kNames;
    auto [allFolders, plantedFolders] = Plant(m, 12345);
    EXPECT_EQ(plantedFolders, allFolders) << "every folder of the groups holds a planted file";
    if (layout.extra) layout.extra(m.machine);
    m.machine.ResetCalls();
    if (indexed) {
        RemoveWormFiles(m.engine);
    } else {
        LiteralFilePass(m.engine);
    }
    if (listings) *listings = m.machine.Calls(Op::ListFolder);
    if (deletes) *deletes = m.machine.Calls(Op::DeleteFile);
    m.machine.ClearFaults();
    Outcome o{m.host.details, m.host.prog1, m.host.events, m.machine.AllFiles(), {}};
    for (const std::wstring& f : o.files)
        o.contents[UpperCase(f)] = {*m.machine.FileBytes(f), m.machine.GetFileAttributes(f)};
    return o;
}

const Layout kLayouts[] = {
    {"separate log folder", L"C:\\Logs\\", L"C:\\DOCUME~1\\X\\LOCALS~1\\Temp\\", nullptr},
    {"log folder is the system directory, temp is the Windows folder", L"C:\\WINDOWS\\system32\\", L"C:\\WINDOWS\\",
     nullptr},
    {"log folder is Fonts, temp is the drive root", L"C:\\WINDOWS\\Fonts\\", L"C:\\", nullptr},
    {"temp is the system directory in other case and doubled separator, log in drivers",
     L"C:\\WINDOWS\\SYSTEM32\\drivers\\", L"c:\\windows\\system32\\\\", nullptr},
    {"log folder is temp, system folders cannot be listed", L"C:\\WINDOWS\\Temp\\", L"C:\\WINDOWS\\Temp\\",
     [](test::FakeMachine& fm) {
         fm.InjectFault(Fault{Op::ListFolder, L"C:\\WINDOWS\\system32", 5, 0, 0, -1});
         fm.InjectFault(Fault{Op::ListFolder, L"C:\\WINDOWS", 21, 0, 0, -1});
     }},
    {"no backup possible", L"C:\\Nowhere\\", L"C:\\WINDOWS\\Temp\\",
     [](test::FakeMachine& fm) { fm.InjectFault(Fault{Op::MoveFileNoReplace, L"", 0, 5, 0, -1}); }},
    {"deletions refused now and then", L"C:\\Logs\\", L"C:\\WINDOWS\\Temp\\",
     [](test::FakeMachine& fm) {
         // Refused for good, and refused once of the several times the fixed Fonts file is tried.
         fm.InjectFault(Fault{Op::DeleteFile, L"C:\\WINDOWS\\system32\\drivers\\svchost.exe", 0, 5, 0, -1});
         fm.InjectFault(Fault{Op::DeleteFile, L"C:\\WINDOWS\\Fonts\\svchost.exe", 0, 5, 0, 1});
     }},
};

TEST(FilePass, IndexedPassMatchesTheLiteralPassOnEveryLayout) {
    for (const Layout& layout : kLayouts) {
        SCOPED_TRACE(layout.title);
        Outcome literal = RunPass(layout, false);
        Outcome indexed = RunPass(layout, true);
        EXPECT_EQ(indexed.details, literal.details);
        EXPECT_EQ(indexed.prog1, literal.prog1);
        EXPECT_EQ(indexed.events, literal.events);
        EXPECT_EQ(indexed.files, literal.files);
        EXPECT_EQ(indexed.contents, literal.contents);
        // The scenario removes and refuses files, and leaves some: it would catch a pass that skips.
        // Without a backup nothing is removed.
        const bool backups = std::string(layout.title) != "no backup possible";
        EXPECT_EQ(literal.details.find(L"...Removed") != std::wstring::npos, backups);
        EXPECT_EQ(literal.details.find(L"Successfully backed up") != std::wstring::npos, backups);
        EXPECT_EQ(literal.details.find(L"Unable to backup") != std::wstring::npos, !backups);
    }
}

TEST(FilePass, PlantedScenarioExercisesEveryOutcome) {
    Outcome literal = RunPass(kLayouts[0], false);
    EXPECT_NE(literal.details.find(L"...Unable To Remove!!"), std::wstring::npos);
    EXPECT_NE(literal.details.find(L"Found C:\\WINDOWS\\Fonts\\svchost.exe ...Removed"), std::wstring::npos);
    EXPECT_NE(literal.details.find(L"Found C:\\WINDOWS\\system32\\PROGRA~1.exe ...Removed"), std::wstring::npos);
    EXPECT_NE(literal.details.find(L"Found C:\\WINDOWS\\system32\\w*rm.exe ...Removed"), std::wstring::npos);
    EXPECT_TRUE(literal.contents.count(UpperCase(L"C:\\Logs\\svchost.exe (2).back")));
    // Only the exact spelling "chcp" keeps the .com file; "Win" reaches the genuine win.com.
    EXPECT_TRUE(literal.contents.count(UpperCase(L"C:\\WINDOWS\\system32\\chcp.com")));
    EXPECT_FALSE(literal.contents.count(UpperCase(L"C:\\WINDOWS\\system32\\win.com")));
}

TEST(FilePass, CleanMachineIsListedOnceAndNoPathIsProbed) {
    auto clean = [](std::size_t names, std::size_t& listings) {
        ScanMachine m;
        for (std::size_t i = 0; i < names; ++i) m.engine.InfectionNames.push_back(L"worm" + std::to_wstring(i));
        m.machine.ResetCalls();
        RemoveWormFiles(m.engine);
        listings = m.machine.Calls(Op::ListFolder);
        EXPECT_EQ(m.machine.Calls(Op::SetFileAttributes), 0u);
        EXPECT_EQ(m.machine.Calls(Op::MoveFileNoReplace), 0u);
        EXPECT_EQ(m.machine.Calls(Op::DeleteFile), 0u);
        EXPECT_EQ(m.host.details, L"");
        EXPECT_EQ(m.host.prog1.size(), names);
    };
    std::size_t few = 0, many = 0;
    clean(3, few);
    clean(2000, many);
    EXPECT_EQ(few, many);
    EXPECT_GT(few, 10u);
    EXPECT_LT(few, 20u);
}

TEST(FilePass, RemovalsKeepTheListingWithoutListingAgain) {
    ScanMachine m;
    m.engine.InfectionNames = {L"a", L"b", L"c", L"d"};
    m.machine.PlantFile(L"C:\\WINDOWS\\system32\\b.exe", "b");
    RemoveWormFiles(m.engine);
    std::size_t withChange = m.machine.Calls(Op::ListFolder);
    ScanMachine clean;
    clean.engine.InfectionNames = {L"a", L"b", L"c", L"d"};
    RemoveWormFiles(clean.engine);
    EXPECT_EQ(withChange, clean.machine.Calls(Op::ListFolder));
    EXPECT_EQ(m.machine.Calls(Op::DeleteFile), 1u);
    // The removal's read for the run's record and the pass's check that the file went.
    EXPECT_EQ(m.machine.Calls(Op::GetFileAttributes), 2u);
}

TEST(FilePass, UnlistableFolderFallsBackToProbingItsPaths) {
    ScanMachine m;
    m.engine.InfectionNames = {L"a", L"b"};
    m.machine.PlantFile(L"C:\\WINDOWS\\system32\\b.exe", "b");
    m.machine.InjectFault(Fault{Op::ListFolder, L"C:\\WINDOWS\\system32", 5, 0, 0, -1});
    RemoveWormFiles(m.engine);
    EXPECT_FALSE(m.machine.FileExists(L"C:\\WINDOWS\\system32\\b.exe"));
    // Each name's paths in the system directory itself are tried: .exe, .com and .scr (a missing one
    // does not open, and nothing is copied or deleted there).
    EXPECT_EQ(m.machine.Calls(Op::MoveFileNoReplace), 1u);
    EXPECT_EQ(m.machine.Calls(Op::DeleteFile), 1u);
}

TEST(FilePass, AFileWhoseStateCannotBeReadIsTriedAgain) {
    const std::wstring fonts = L"C:\\WINDOWS\\Fonts\\svchost.exe";
    ScanMachine m;
    m.engine.InfectionNames = {L"a", L"b"};
    m.machine.PlantFile(fonts, "worm");
    m.machine.LockFile(fonts);
    m.machine.InjectFault(Fault{Op::GetFileAttributes, fonts, static_cast<long>(kInvalidAttributes), 5, 0, -1});
    RemoveWormFiles(m.engine);
    m.engine.backedUpThisScan.clear();  // as the scan starts
    RemoveWormFiles(m.engine);
    // Tried under both names in each pass; copied once per scan.
    EXPECT_EQ(m.Lines(), (std::vector<std::wstring>{test::BackedUp(L"svchost.exe"), test::Refused(fonts),
                                                    fonts + kRemovedAtRestart, test::Refused(fonts),
                                                    test::BackedUp(L"svchost.exe"),
                                                    test::Refused(fonts), test::Refused(fonts)}));
}

// Records the folders the index lists.
class ListingRecorder : public ForwardingSystem {
public:
    using ForwardingSystem::ForwardingSystem;
    long ListFolder(const std::wstring& folder, const std::wstring& pattern, std::vector<FoundFile>& entries) override {
        listed.push_back(folder);
        return ForwardingSystem::ListFolder(folder, pattern, entries);
    }
    std::vector<std::wstring> listed;
};

TEST(FilePass, IndexJudgesAPathFromTheFolderItNamesAndNeverCallsAnOpenableFileAbsent) {
    struct Case {
        const wchar_t* path;
        bool mayExist;
        const wchar_t* listedFolder;  // nullptr: decided without a listing
    };
    const Case cases[] = {
        {L"C:\\WINDOWS\\system32\\worm.exe", true, L"C:\\WINDOWS\\system32"},
        {L"C:\\WINDOWS\\system32\\other.exe", false, L"C:\\WINDOWS\\system32"},
        // A file system that folds the long s to "S" opens this listed name by the path's plain one.
        {L"C:\\WINDOWS\\system32\\svchost.exe", true, L"C:\\WINDOWS\\system32"},
        {L"C:\\WINDOWS\\system32\\svchost.com", false, L"C:\\WINDOWS\\system32"},
        {L"C:\\x.exe", false, L"C:\\"},
        // Without a system folder the path starts at the current drive's root, not its current folder.
        {L"\\x.exe", false, L"\\"},
        {L"C:\\WINDOWS\\system32\\svchost.exe:debug.exe", true, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(WideToUtf8(c.path));
        test::FakeMachine fake;
        fake.PlantFile(L"C:\\WINDOWS\\system32\\worm.exe", "w");
        fake.PlantFile(L"C:\\WINDOWS\\system32\\\u017Fvchost.exe", "s");
        ListingRecorder sys(fake);
        FolderIndex index(sys);
        EXPECT_EQ(index.MayExist(c.path), c.mayExist);
        EXPECT_EQ(sys.listed, c.listedFolder ? std::vector<std::wstring>{c.listedFolder} : std::vector<std::wstring>{});
    }
}

}  // namespace
}  // namespace pell
