// The compiler's denylist: genuine program names and ordinary words, and the names the run's rules handle.
#include "signatures/denylist.h"

#include <algorithm>
#include <array>

#include "base/text.h"
#include "base/windows_programs.h"

namespace pell {

namespace {

// Common applications whose programs share a name with a documented worm copy or are otherwise likely.
constexpr std::wstring_view kApplications[] = {
    L"7z", L"7zfm", L"7zg", L"acrobat", L"acrord32", L"adobearm", L"aim", L"aim6", L"avastui", L"avgui",
    L"avp", L"bdagent", L"bitdefender", L"chrome", L"discord", L"dropbox", L"egui", L"ekrn", L"excel",
    L"firefox", L"googletalk", L"googleupdate", L"icq", L"icqlite", L"itunes", L"java", L"javaw", L"jusched",
    L"mcshield", L"msedge", L"msaccess", L"mysql", L"mysqld", L"nero", L"nod32", L"nod32krn", L"onedrive",
    L"opera", L"outlook", L"pidgin", L"powerpnt", L"qq", L"qqprotect", L"qttask", L"realplay",
    L"realplayer", L"safari", L"skype", L"skypeapp", L"spotify", L"steam", L"teams", L"teamviewer",
    L"thunderbird", L"trillian", L"uTorrent", L"vlc", L"winamp", L"winword", L"winrar", L"winzip",
    L"winzip32", L"yahoomessenger", L"ypager", L"zoom", L"infocard", L"google", L"yahoo",
};

// Ordinary words: a genuine program, installer or document can carry any of them.
constexpr std::wstring_view kOrdinaryWords[] = {
    L"app", L"autorun", L"crack", L"data", L"document", L"documents", L"download", L"exe", L"file",
    L"files", L"free", L"game", L"games", L"image", L"images", L"install", L"installer", L"keygen", L"lol",
    L"me", L"movie", L"music", L"new", L"passwords", L"patch", L"photo", L"photos", L"pic", L"picture",
    L"pictures", L"porn", L"program", L"readme", L"secret", L"sexy", L"start", L"system", L"temp", L"test",
    L"tmp", L"update", L"updater", L"updates", L"video", L"videos", L"windows",
};

// Names the run is built to handle, in the exact case its file groups compare: a protection rule spares
// the genuine process in its genuine folders, and the file group of the name (or group F, for programs
// that never live in the folders group F reaches) keeps away from the genuine file.
constexpr std::wstring_view kHandledNames[] = {
    // Groups A, B, D and E with a protection rule for their processes.
    L"wmplayer", L"explorer", L"winhelp", L"csrss", L"svchost", L"smss", L"services", L"mstask", L"MDM",
    L"iexplore", L"spoolsv", L"wdfmgr", L"dumprep", L"winlogon", L"ctfmon", L"lsass", L"rundll32", L"ups",
    L"dllhost", L"msimn", L"usnsvc", L"wscntfy",
    // Protection rules 4 and 8: spared outside the system folders, where group F never reaches.
    L"realplayer", L"nod32", L"avp", L"msmsgs", L"firefox", L"msnmsgr", L"dumeter",
};

template <std::size_t N>
bool InNoCase(const std::wstring_view (&table)[N], std::wstring_view key) {
    return std::any_of(std::begin(table), std::end(table), [&](std::wstring_view n) { return Equals(n, key); });
}

}  // namespace

std::wstring DenylistReason(std::wstring_view name) {
    const std::wstring key = TrimBlanks(name);
    // Group A compares "ehsched" with the lower-case name, and rule 2 spares EHSCHED.EXE in its folder.
    if (Equals(key, L"ehsched")) return {};
    if (std::find(std::begin(kHandledNames), std::end(kHandledNames), key) != std::end(kHandledNames)) return {};
    if (IsWindowsProgramName(key))
        return L"\"" + std::wstring(name) + L"\" is the name of a Windows program; only the exact names the "
               L"run's protection rules and file groups handle may be listed";
    if (InNoCase(kApplications, key))
        return L"\"" + std::wstring(name) + L"\" is the name of a common application";
    if (InNoCase(kOrdinaryWords, key))
        return L"\"" + std::wstring(name) + L"\" is an ordinary word that genuine programs use";
    return {};
}

}  // namespace pell
