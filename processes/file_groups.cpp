// The worm-file paths tried for one infection name: the first group that holds the name decides them.
#include "processes/file_groups.h"

#include <algorithm>
#include <initializer_list>
#include <string_view>

#include "base/text.h"

namespace pell {
namespace {

// Group membership is exact: worm names differ from genuine ones only by case at times ("MDM").
bool In(const std::wstring& n, std::initializer_list<std::wstring_view> names) {
    return std::find(names.begin(), names.end(), std::wstring_view(n)) != names.end();
}

// On 64-bit Windows a 32-bit worm that copies itself "into the system folder" lands in the 32-bit one:
// every path in SystemDir is tried there as well, right after it.
std::vector<std::wstring> WithWow64Twins(const Folders& folders, std::vector<std::wstring> paths) {
    if (folders.SystemWow64Dir.empty()) return paths;
    const std::wstring system = folders.SystemDir + L"\\";
    std::vector<std::wstring> both;
    both.reserve(paths.size() * 2);
    for (std::wstring& path : paths) {
        // 64-bit Windows keeps a genuine 32-bit Explorer there, which no worm name may take away.
        const bool inSystem = path.compare(0, system.size(), system) == 0 &&
                              !Equals(std::wstring_view(path).substr(system.size()), L"explorer.exe");
        std::wstring twin = inSystem ? folders.SystemWow64Dir + path.substr(system.size() - 1) : std::wstring();
        both.push_back(std::move(path));
        if (inSystem) both.push_back(std::move(twin));
    }
    return both;
}

std::vector<std::wstring> GroupPaths(const Folders& folders, const std::wstring& n) {
    const std::wstring& w = folders.WindowsDir;
    const std::wstring& s = folders.SystemDir;
    const std::wstring& t = folders.TempPath;
    const std::wstring& r = folders.TempRoot;

    if (LowerCase(n) == L"ehsched" || In(n, {L"wmplayer", L"explorer", L"winhelp"}))
        return {w + L"\\system\\" + n + L".exe", s + L"\\" + n + L".exe"};
    if (In(n, {L"csrss", L"svchost", L"smss", L"services", L"mstask", L"MDM", L"iexplore", L"spoolsv", L"wdfmgr",
               L"dumprep"}))
        return {w + L"\\" + n + L".exe", w + L"\\system\\" + n + L".exe", t + n + L".exe",
                s + L"\\drivers\\" + n + L".exe"};
    if (In(n, {L"taskmgr32", L"taskmgr", L"lol", L"setup"})) return {L"C:\\" + n + L".exe"};
    if (In(n, {L"services", L"winlogon", L"ctfmon", L"lsass"})) return {t + n + L".exe"};
    if (In(n, {L"msconfig", L"defrag", L"rundll32", L"ups", L"dllhost", L"msimn", L"usnsvc", L"wscntfy"}))
        return {w + L"\\" + n + L".exe", w + L"\\Help\\" + n + L".exe", w + L"\\system\\" + n + L".exe",
                t + n + L".exe"};

    std::vector<std::wstring> paths = {
        L"C:\\RECYCLER\\" + n + L".exe",
        w + L"\\RECYCLER\\" + n + L".exe",
        r + n + L".exe",
        w + L"\\" + n + L".exe",
        w + L"\\system\\" + n + L".exe",
        s + L"\\" + n + L".exe",
        w + L"\\Fonts\\svchost.exe",
        t + n + L".exe",
        s + L"\\drivers\\" + n + L".exe",
        s + L"\\drivers\\etc\\" + n + L".exe",
        s + L"\\wbem\\" + n + L".exe",
        s + L"\\fonts\\" + n + L".exe",
        w + L"\\java\\java.log\\" + n + L".exe",
        s + L"\\drivers\\helpsys\\" + n + L".exe",
    };
    // The genuine command interpreter and code-page tool keep their .com files.
    std::wstring com = n + L".com";
    if (com != L"win.com" && com != L"chcp.com") {
        for (const std::wstring& p :
             {L"C:\\RECYCLER\\" + com, w + L"\\RECYCLER\\" + com, w + L"\\" + com, w + L"\\system\\" + com,
              s + L"\\" + com, s + L"\\dllcache\\" + com, t + com, s + L"\\drivers\\" + com, s + L"\\wbem\\" + com,
              s + L"\\fonts\\" + com})
            paths.push_back(p);
    }
    std::wstring scr = n + L".scr";
    // "acer" and "logon" are genuine screen savers in the system directory.
    const bool genuineSaver = n == L"acer" || n == L"logon";
    paths.push_back(w + L"\\" + scr);
    paths.push_back(w + L"\\system\\" + scr);
    if (!genuineSaver) {
        paths.push_back(s + L"\\" + scr);
        paths.push_back(s + L"\\dllcache\\" + scr);
    }
    paths.push_back(t + scr);
    paths.push_back(s + L"\\drivers\\" + scr);
    paths.push_back(s + L"\\wbem\\" + scr);
    paths.push_back(s + L"\\fonts\\" + scr);
    return paths;
}

}  // namespace

std::vector<std::wstring> WormFilePaths(const Folders& folders, const std::wstring& n) {
    return WithWow64Twins(folders, GroupPaths(folders, n));
}

}  // namespace pell
