// The protection rules: which worm-named processes are spared in which folders, and which are ended.
#include <gtest/gtest.h>

#include "base/text.h"
#include "processes/protection.h"

namespace pell {
namespace {

// Columns of the verdict strings: S = spared, T = terminated, for a candidate in the system directory,
// the Windows folder, the system root named without a drive letter, the Media Center folder, a program
// folder, and the old system folder.
const wchar_t* const kFolders[] = {
    L"C:\\WINDOWS\\SYSTEM32\\", L"C:\\WINDOWS\\", L"\\SYSTEMROOT\\SYSTEM32\\",
    L"C:\\WINDOWS\\EHOME\\",    L"C:\\PROGRAM FILES\\APP\\", L"C:\\WINDOWS\\SYSTEM\\",
};

struct RuleRow {
    const wchar_t* name;
    const char* verdicts;  // one letter per folder of kFolders
};

const RuleRow kRows[] = {
    // 1: the empty entry 0 of the candidate list.
    {L"", "SSSSSS"},
    // 2: the Media Center scheduler in its own folder only.
    {L"EHSCHED.EXE", "TTTSTT"},
    // 3.
    {L"DLLHOST.EXE", "STSTTT"},
    {L"DUMPREP.EXE", "STSTTT"},
    {L"CTFMON.EXE", "STSTTT"},
    // 4: applications outside the system folders.
    {L"WMPLAYER.EXE", "TTTSSS"},
    {L"USNSVC.EXE", "TTTSSS"},
    {L"REALPLAYER.EXE", "TTTSSS"},
    {L"NOD32.EXE", "TTTSSS"},
    {L"AVP.EXE", "TTTSSS"},
    {L"MSMSGS.EXE", "TTTSSS"},
    {L"FIREFOX.EXE", "TTTSSS"},
    // 5: mdm.exe gets past the system directory and is spared outside the system folders by rule 8.
    {L"MDM.EXE", "TTSSSS"},
    {L"SPOOLSV.EXE", "STSTTT"},
    {L"UPS.EXE", "STSTTT"},
    {L"WSCNTFY.EXE", "STSTTT"},
    {L"MSTASK.EXE", "STSTTT"},
    {L"CSRSS.EXE", "STSTTT"},
    {L"WDFMGR.EXE", "STSTTT"},
    // 6.
    {L"IEXPLORE.EXE", "SSSSSS"},
    // 7: the shell and the registry editor also in the Windows folder.
    {L"NTVDM.EXE", "STSTTT"},
    {L"SVCHOST.EXE", "STSTTT"},
    {L"SMSS.EXE", "STSTTT"},
    {L"SERVICES.EXE", "STSTTT"},
    {L"WINLOGON.EXE", "STSTTT"},
    {L"LSASS.EXE", "STSTTT"},
    {L"EXPLORER.EXE", "SSSTTT"},
    {L"RUNDLL32.EXE", "STSTTT"},
    {L"REGEDIT.EXE", "SSSTTT"},
    // 8.
    {L"MSNMSGR.EXE", "TTTSSS"},
    {L"MSIMN.EXE", "TTTSSS"},
    {L"DUMETER.EXE", "TTTSSS"},
    // 9: the genuine WinHelp in the Windows folder.
    {L"WINHELP.EXE", "TSTTTT"},
    // 10: everything else.
    {L"WORM.EXE", "TTTTTT"},
    {L"WORM.SCR", "TTTTTT"},
};

ReferenceFolders Refs() {
    Folders f;
    f.SystemDir = L"C:\\WINDOWS\\system32";
    f.WindowsDir = L"C:\\WINDOWS";
    return ReferenceFoldersFor(f);
}

TEST(ProtectionRules, EveryRowInEveryFolder) {
    const ReferenceFolders refs = Refs();
    for (const RuleRow& row : kRows) {
        for (std::size_t f = 0; f < std::size(kFolders); ++f) {
            SCOPED_TRACE(WideToUtf8(std::wstring(row.name) + L" in " + kFolders[f]));
            Verdict expected = row.verdicts[f] == 'S' ? Verdict::Skip : Verdict::Terminate;
            EXPECT_EQ(Examine(ProcessEntry{row.name, 100, kFolders[f]}, refs), expected);
        }
    }
}

TEST(ProtectionRules, ReferenceFoldersAreUpperCaseAndEndWithABackslash) {
    const ReferenceFolders refs = Refs();
    EXPECT_EQ(refs.sys, L"C:\\WINDOWS\\SYSTEM32\\");
    EXPECT_EQ(refs.win, L"C:\\WINDOWS\\");
    EXPECT_EQ(refs.ntsys, L"\\SYSTEMROOT\\SYSTEM32\\");
    EXPECT_EQ(refs.ehome, L"C:\\WINDOWS\\EHOME\\");
}

TEST(ProtectionRules, NamesIgnoreCaseAndFoldersMustMatchExactly) {
    const ReferenceFolders refs = Refs();
    EXPECT_EQ(Examine(ProcessEntry{L"svchost.exe", 1, L"C:\\WINDOWS\\SYSTEM32\\"}, refs), Verdict::Skip);
    EXPECT_EQ(Examine(ProcessEntry{L"SVCHOST.EXE", 1, L"C:\\WINDOWS\\SYSTEM32"}, refs), Verdict::Terminate);
    EXPECT_EQ(Examine(ProcessEntry{L"SVCHOST.EXE", 1, L"c:\\windows\\system32\\"}, refs), Verdict::Terminate);
    EXPECT_EQ(Examine(ProcessEntry{L"SVCHOST.EXE", 1, L"D:\\WINDOWS\\SYSTEM32\\"}, refs), Verdict::Terminate);
}

}  // namespace
}  // namespace pell
