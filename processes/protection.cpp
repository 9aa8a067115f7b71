// The protection rules that spare genuine system and application programs among the worm-named processes.
#include "processes/protection.h"

#include <initializer_list>
#include <string_view>

#include "base/text.h"

namespace pell {
namespace {

bool NameIsOneOf(std::wstring_view name, std::initializer_list<std::wstring_view> names) {
    for (std::wstring_view listed : names)
        if (Equals(name, listed)) return true;
    return false;
}

}  // namespace

ReferenceFolders ReferenceFoldersFor(const Folders& folders) {
    return ReferenceFolders{
        UpperCase(folders.SystemDir + L"\\"),
        folders.SystemWow64Dir.empty() ? std::wstring() : UpperCase(folders.SystemWow64Dir + L"\\"),
        UpperCase(folders.WindowsDir + L"\\"),
        UpperCase(L"\\systemroot\\system32\\"),
        UpperCase(folders.WindowsDir + L"\\ehome\\"),
    };
}

Verdict Examine(const ProcessEntry& candidate, const ReferenceFolders& refs) {
    const std::wstring& n = candidate.fileName;
    const std::wstring& f = candidate.folder;
    // The 32-bit system folder holds the 32-bit twins of the genuine system programs.
    const bool inSys = f == refs.sys || (!refs.sys32.empty() && f == refs.sys32);
    const bool inWin = f == refs.win;
    const bool inNtSys = f == refs.ntsys;
    const bool inSystemFolders = inSys || inWin || inNtSys;

    if (n.empty()) return Verdict::Skip;
    if (Equals(n, L"EHSCHED.EXE") && f == refs.ehome) return Verdict::Skip;
    if (NameIsOneOf(n, {L"dllhost.exe", L"dumprep.exe", L"ctfmon.exe"}) && (inSys || inNtSys)) return Verdict::Skip;
    if (NameIsOneOf(n, {L"wmplayer.exe", L"usnsvc.exe", L"realplayer.exe", L"nod32.exe", L"avp.exe", L"msmsgs.exe",
                        L"firefox.exe"}) &&
        !inSystemFolders)
        return Verdict::Skip;
    if (NameIsOneOf(n, {L"mdm.exe", L"spoolsv.exe", L"ups.exe", L"wscntfy.exe", L"mstask.exe", L"csrss.exe",
                        L"wdfmgr.exe"}) &&
        (inNtSys || (inSys && !Equals(n, L"mdm.exe"))))
        return Verdict::Skip;
    if (Equals(n, L"iexplore.exe")) return Verdict::Skip;
    if (NameIsOneOf(n, {L"NTVDM.EXE", L"SVCHOST.EXE", L"SMSS.EXE", L"SERVICES.EXE", L"WINLOGON.EXE", L"CTFMON.EXE",
                        L"LSASS.EXE", L"EXPLORER.EXE", L"RUNDLL32.EXE", L"REGEDIT.EXE"})) {
        if (inSys || inNtSys) return Verdict::Skip;
        if (inWin && NameIsOneOf(n, {L"REGEDIT.EXE", L"EXPLORER.EXE"})) return Verdict::Skip;
    }
    if (NameIsOneOf(n, {L"wmplayer.exe", L"msnmsgr.exe", L"msimn.exe", L"mdm.exe", L"dumeter.exe"}) &&
        !inSystemFolders)
        return Verdict::Skip;
    // Design choice: the genuine WinHelp lives in the Windows folder itself, so that is the copy spared;
    // a "winhelp.exe" running from anywhere else is a worm's copy (the file pass removes those from the
    // old system folder and the system directory, never from the Windows folder).
    if (Equals(n, L"winhelp.exe") && inWin) return Verdict::Skip;
    return Verdict::Terminate;
}

}  // namespace pell
