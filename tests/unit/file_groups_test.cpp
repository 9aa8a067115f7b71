// The worm-file paths of every group, the exact-case membership and the exceptions of group F.
#include <gtest/gtest.h>

#include "engine/stages.h"
#include "processes/file_groups.h"
#include "engine/process_utils.h"
#include "tests/unit/process_fixture.h"

namespace pell {
namespace {

using test::BackedUp;
using test::Found;
using test::Refused;
using test::ScanMachine;
using Paths = std::vector<std::wstring>;

Folders MachineFolders() {
    Folders f;
    f.SystemDir = L"C:\\WINDOWS\\system32";
    f.WindowsDir = L"C:\\WINDOWS";
    f.TempPath = L"D:\\TMP\\";
    f.TempRoot = L"D:\\";
    f.LogFolder = L"C:\\Logs\\";
    return f;
}

Paths GroupA(const std::wstring& n) { return {L"C:\\WINDOWS\\system\\" + n + L".exe", L"C:\\WINDOWS\\system32\\" + n + L".exe"}; }
Paths GroupB(const std::wstring& n) {
    return {L"C:\\WINDOWS\\" + n + L".exe", L"C:\\WINDOWS\\system\\" + n + L".exe", L"D:\\TMP\\" + n + L".exe",
            L"C:\\WINDOWS\\system32\\drivers\\" + n + L".exe"};
}
Paths GroupC(const std::wstring& n) { return {L"C:\\" + n + L".exe"}; }
Paths GroupD(const std::wstring& n) { return {L"D:\\TMP\\" + n + L".exe"}; }
Paths GroupE(const std::wstring& n) {
    return {L"C:\\WINDOWS\\" + n + L".exe", L"C:\\WINDOWS\\Help\\" + n + L".exe", L"C:\\WINDOWS\\system\\" + n + L".exe",
            L"D:\\TMP\\" + n + L".exe"};
}
Paths GroupFExe(const std::wstring& n) {
    return {L"C:\\RECYCLER\\" + n + L".exe",
            L"C:\\WINDOWS\\RECYCLER\\" + n + L".exe",
            L"D:\\" + n + L".exe",
            L"C:\\WINDOWS\\" + n + L".exe",
            L"C:\\WINDOWS\\system\\" + n + L".exe",
            L"C:\\WINDOWS\\system32\\" + n + L".exe",
            L"C:\\WINDOWS\\Fonts\\svchost.exe",
            L"D:\\TMP\\" + n + L".exe",
            L"C:\\WINDOWS\\system32\\drivers\\" + n + L".exe",
            L"C:\\WINDOWS\\system32\\drivers\\etc\\" + n + L".exe",
            L"C:\\WINDOWS\\system32\\wbem\\" + n + L".exe",
            L"C:\\WINDOWS\\system32\\fonts\\" + n + L".exe",
            L"C:\\WINDOWS\\java\\java.log\\" + n + L".exe",
            L"C:\\WINDOWS\\system32\\drivers\\helpsys\\" + n + L".exe"};
}
Paths GroupFCom(const std::wstring& n) {
    return {L"C:\\RECYCLER\\" + n + L".com",
            L"C:\\WINDOWS\\RECYCLER\\" + n + L".com",
            L"C:\\WINDOWS\\" + n + L".com",
            L"C:\\WINDOWS\\system\\" + n + L".com",
            L"C:\\WINDOWS\\system32\\" + n + L".com",
            L"C:\\WINDOWS\\system32\\dllcache\\" + n + L".com",
            L"D:\\TMP\\" + n + L".com",
            L"C:\\WINDOWS\\system32\\drivers\\" + n + L".com",
            L"C:\\WINDOWS\\system32\\wbem\\" + n + L".com",
            L"C:\\WINDOWS\\system32\\fonts\\" + n + L".com"};
}
Paths GroupFScr(const std::wstring& n, bool genuineSaver = false) {
    Paths p = {L"C:\\WINDOWS\\" + n + L".scr", L"C:\\WINDOWS\\system\\" + n + L".scr"};
    if (!genuineSaver) {
        p.push_back(L"C:\\WINDOWS\\system32\\" + n + L".scr");
        p.push_back(L"C:\\WINDOWS\\system32\\dllcache\\" + n + L".scr");
    }
    for (const wchar_t* f : {L"D:\\TMP\\", L"C:\\WINDOWS\\system32\\drivers\\", L"C:\\WINDOWS\\system32\\wbem\\",
                             L"C:\\WINDOWS\\system32\\fonts\\"})
        p.push_back(f + n + L".scr");
    return p;
}
Paths Join(std::initializer_list<Paths> parts) {
    Paths all;
    for (const Paths& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}
Paths GroupF(const std::wstring& n) { return Join({GroupFExe(n), GroupFCom(n), GroupFScr(n)}); }

struct GroupCase {
    const wchar_t* name;
    Paths (*paths)(const std::wstring&);
};

TEST(FileGroups, EveryNameOfEveryGroupGetsItsGroupsPaths) {
    const GroupCase cases[] = {
        {L"ehsched", GroupA}, {L"EHSCHED", GroupA}, {L"EhSched", GroupA}, {L"wmplayer", GroupA},
        {L"explorer", GroupA}, {L"winhelp", GroupA},
        {L"csrss", GroupB}, {L"svchost", GroupB}, {L"smss", GroupB}, {L"services", GroupB}, {L"mstask", GroupB},
        {L"MDM", GroupB}, {L"iexplore", GroupB}, {L"spoolsv", GroupB}, {L"wdfmgr", GroupB}, {L"dumprep", GroupB},
        {L"taskmgr32", GroupC}, {L"taskmgr", GroupC}, {L"lol", GroupC}, {L"setup", GroupC},
        {L"winlogon", GroupD}, {L"ctfmon", GroupD}, {L"lsass", GroupD},
        {L"msconfig", GroupE}, {L"defrag", GroupE}, {L"rundll32", GroupE}, {L"ups", GroupE}, {L"dllhost", GroupE},
        {L"msimn", GroupE}, {L"usnsvc", GroupE}, {L"wscntfy", GroupE},
        // Membership is exact: other spellings of listed names are ordinary worm names.
        {L"mdm", GroupF}, {L"Explorer", GroupF}, {L"SVCHOST", GroupF}, {L"Services", GroupF}, {L"Setup", GroupF},
        {L"LSASS", GroupF}, {L"Ups", GroupF}, {L"worm", GroupF}, {L"", GroupF},
    };
    const Folders f = MachineFolders();
    for (const GroupCase& c : cases) {
        SCOPED_TRACE(WideToUtf8(c.name));
        EXPECT_EQ(WormFilePaths(f, c.name), c.paths(c.name));
    }
}

TEST(FileGroups, CommandFilesOfTheGenuineInterpreterAndCodePageToolAreKept) {
    const Folders f = MachineFolders();
    EXPECT_EQ(WormFilePaths(f, L"win"), Join({GroupFExe(L"win"), GroupFScr(L"win")}));
    EXPECT_EQ(WormFilePaths(f, L"chcp"), Join({GroupFExe(L"chcp"), GroupFScr(L"chcp")}));
    EXPECT_EQ(WormFilePaths(f, L"Win"), GroupF(L"Win"));
    EXPECT_EQ(WormFilePaths(f, L"CHCP"), GroupF(L"CHCP"));
    EXPECT_EQ(WormFilePaths(f, L"win ").size(), 32u);
}

TEST(FileGroups, GenuineScreenSaversStayInTheSystemDirectory) {
    const Folders f = MachineFolders();
    EXPECT_EQ(WormFilePaths(f, L"acer"), Join({GroupFExe(L"acer"), GroupFCom(L"acer"), GroupFScr(L"acer", true)}));
    EXPECT_EQ(WormFilePaths(f, L"logon"), Join({GroupFExe(L"logon"), GroupFCom(L"logon"), GroupFScr(L"logon", true)}));
    EXPECT_EQ(WormFilePaths(f, L"Acer"), GroupF(L"Acer"));
    EXPECT_EQ(WormFilePaths(f, L"LOGON"), GroupF(L"LOGON"));
}

// Plants a file under every path of a name, runs the scan, and expects every one removed in order.
void ExpectAllRemovedInOrder(const std::wstring& name, const Paths& paths) {
    SCOPED_TRACE(WideToUtf8(name));
    ScanMachine m(L"C:\\Logs\\", L"C:\\WINDOWS\\Temp\\");
    m.engine.InfectionNames = {name};
    for (const auto& p : paths) m.machine.PlantFile(p, WideToUtf8(p));
    ScanProcesses(m.engine);
    std::vector<std::wstring> expected = {L"Looking For Virus Processes...", L"Looking for Virus Files..."};
    for (const auto& p : paths) {
        expected.push_back(BackedUp(p.substr(p.find_last_of(L'\\') + 1)));
        expected.push_back(Found(p));
    }
    EXPECT_EQ(m.Lines(), expected);
    for (const auto& p : paths) EXPECT_FALSE(m.machine.FileExists(p)) << WideToUtf8(p);
}

TEST(FileGroups, ScanRemovesEachGroupsFilesInTheListedOrder) {
    ScanMachine probe(L"C:\\Logs\\", L"C:\\WINDOWS\\Temp\\");
    for (const wchar_t* name : {L"explorer", L"MDM", L"setup", L"lsass", L"msconfig", L"mdm", L"win", L"acer"})
        ExpectAllRemovedInOrder(name, WormFilePaths(probe.engine.folders, name));
}

TEST(FileGroups, ScanLeavesTheGenuineFilesOfTheExceptions) {
    ScanMachine m;
    m.engine.InfectionNames = {L"win", L"chcp", L"acer", L"logon", L"winhelp"};
    const Paths genuine = {L"C:\\WINDOWS\\system32\\win.com", L"C:\\WINDOWS\\system32\\chcp.com",
                           L"C:\\WINDOWS\\system32\\acer.scr", L"C:\\WINDOWS\\system32\\dllcache\\logon.scr",
                           L"C:\\WINDOWS\\winhelp.exe"};
    for (const auto& p : genuine) m.machine.PlantFile(p, "genuine");
    ScanProcesses(m.engine);
    for (const auto& p : genuine) EXPECT_TRUE(m.machine.FileExists(p)) << WideToUtf8(p);
    EXPECT_EQ(m.Lines().size(), 2u);
}

TEST(FileGroups, FontsSvchostIsTriedOncePerGroupFName) {
    const std::wstring fonts = L"C:\\WINDOWS\\Fonts\\svchost.exe";
    ScanMachine m;
    m.engine.InfectionNames = {L"first", L"second"};
    m.machine.PlantFile(fonts, "worm");
    ScanProcesses(m.engine);
    EXPECT_EQ(m.Lines(), (Paths{L"Looking For Virus Processes...", L"Looking for Virus Files...", BackedUp(L"svchost.exe"),
                                Found(fonts)}));

    // A file that cannot be removed shows each removal attempt, but the scan keeps one copy of it and
    // marks it for the restart once.
    ScanMachine locked;
    locked.engine.InfectionNames = {L"first", L"svchost", L"second"};
    locked.machine.PlantFile(fonts, "worm");
    locked.machine.LockFile(fonts);
    ScanProcesses(locked.engine);
    EXPECT_EQ(locked.Lines(), (Paths{L"Looking For Virus Processes...", L"Looking for Virus Files...",
                                     BackedUp(L"svchost.exe"), Refused(fonts), fonts + kRemovedAtRestart,
                                     Refused(fonts)}));
    EXPECT_TRUE(locked.machine.FileExists(L"C:\\Logs\\svchost.exe.back"));
    EXPECT_FALSE(locked.machine.FileExists(L"C:\\Logs\\svchost.exe (2).back"));
}

}  // namespace
}  // namespace pell
