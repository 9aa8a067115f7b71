// The programs that ship with Windows, by base name: what the database may not list and no digest may remove.
#include "base/windows_programs.h"

#include <algorithm>

#include "base/text.h"

namespace pell {
namespace {

// Programs of Windows' own System32 and Windows folders (base names of their .exe files, Windows XP to
// Windows 11), the .com programs and the screen savers (.scr) that ship with Windows.
constexpr std::wstring_view kWindowsPrograms[] = {
    L"accwiz", L"actmovie", L"ahui", L"alg", L"append", L"arp", L"at", L"atbroker", L"atmadm", L"attrib",
    L"audiodg", L"auditpol", L"autochk", L"autoconv", L"autofmt", L"autolfn", L"backgroundtaskhost",
    L"bcdedit", L"bitsadmin", L"blastcln", L"bootcfg", L"bootok", L"bootvrfy", L"bthudtask", L"cacls",
    L"calc", L"certreq", L"certutil", L"charmap", L"chcp", L"chkdsk", L"chkntfs", L"cidaemon", L"cipher",
    L"cisvc", L"ckcnv", L"cleanmgr", L"cliconfg", L"clipbrd", L"clipsrv", L"clip", L"cmd", L"cmdl32",
    L"cmmon32", L"cmstp", L"cofire", L"colorcpl", L"command", L"comp", L"compact", L"comrepl", L"conhost",
    L"conime", L"consent", L"control", L"convert", L"convlog", L"cscript", L"csrss", L"ctfmon", L"dcomcnfg",
    L"ddeshare", L"debug", L"defrag", L"dfrgfat", L"dfrgntfs", L"dfrgui", L"dialer", L"diantz", L"diskcomp",
    L"diskcopy", L"diskpart", L"diskperf", L"dism", L"dllhost", L"dllhst3g", L"dmadmin", L"dmremote",
    L"doskey", L"dosx", L"dplaysvr", L"dpnsvr", L"driverquery", L"drwatson", L"drwtsn32", L"dumprep",
    L"dvdplay", L"dvdupgrd", L"dwm", L"dwwin", L"dxdiag", L"edit", L"edlin", L"esentutl", L"eudcedit",
    L"eventcreate", L"eventtriggers", L"eventvwr", L"exe2bin", L"expand", L"explorer", L"extrac32",
    L"fastopen", L"fc", L"find", L"findstr", L"finger", L"fixmapi", L"fltmc", L"fontview", L"forcedos",
    L"format", L"fsquirt", L"fsutil", L"ftp", L"fxssvc", L"getmac", L"gpresult", L"gpscript", L"gpupdate",
    L"grpconv", L"graftabl", L"help", L"hh", L"hostname", L"icacls", L"imapi", L"iexpress", L"ipconfig",
    L"ipsec6", L"ipv6", L"ipxroute", L"isoburn", L"kb16", L"keyb", L"krnl386", L"label", L"lights",
    L"loadfix", L"locator", L"lodctr", L"logagent", L"logman", L"logoff", L"logon", L"logonui", L"lpq",
    L"lpr", L"lsass", L"lsm", L"magnify", L"makecab", L"mem", L"mmc", L"mnmsrvc", L"mobsync", L"mode",
    L"more", L"mountvol", L"mplay32", L"mpnotify", L"mqbkup", L"mqsvc", L"mqtgsvc", L"mrinfo", L"mrt",
    L"msdt", L"msdtc", L"msg", L"mshta", L"msiexec", L"msinfo32", L"mspaint", L"msra", L"mstsc", L"mstask",
    L"mstinit", L"narrator", L"nbtstat", L"net", L"net1", L"netdde", L"netsh", L"netstat", L"nlsfunc",
    L"notepad", L"nslookup", L"ntbackup", L"ntkrnlpa", L"ntoskrnl", L"ntsd", L"ntvdm", L"nw16", L"odbcad32",
    L"odbcconf", L"openfiles", L"osk", L"packager", L"pathping", L"pentnt", L"perfmon", L"ping", L"ping6",
    L"powercfg", L"powershell", L"print", L"progman", L"proquota", L"proxycfg", L"psr", L"qappsrv",
    L"qprocess", L"qwinsta", L"rasautou", L"rasdial", L"rasphone", L"rcimlby", L"rcp", L"rdpclip",
    L"rdrleakdiag", L"recover", L"redir", L"reg", L"regedit", L"regedt32", L"regini", L"regsvr32", L"regwiz",
    L"relog", L"replace", L"reset", L"rexec", L"robocopy", L"route", L"routemon", L"rsh", L"rsm", L"rsmsink",
    L"rsmui", L"rsnotify", L"rsopprov", L"rstrui", L"runas", L"rundll32", L"runonce", L"runtimebroker",
    L"rwinsta", L"sc", L"schtasks", L"sdbinst", L"searchindexer", L"searchprotocolhost", L"secedit",
    L"services", L"sethc", L"setup", L"setver", L"sfc", L"shadow", L"share", L"shmgrate", L"shrpubw",
    L"shutdown", L"sigverif", L"sihost", L"skeys", L"slui", L"smartscreen", L"smlogsvc", L"smss", L"sndrec32",
    L"sndvol", L"sndvol32", L"sol", L"sort", L"spider", L"spoolsv", L"sppsvc", L"sprestrt", L"spupdsvc",
    L"stimon", L"subst", L"svchost", L"syncapp", L"sysedit", L"syskey", L"sysocmgr", L"systeminfo",
    L"systray", L"taskhost", L"taskhostw", L"taskkill", L"tasklist", L"taskman", L"taskmgr", L"tcmsetup",
    L"tcpsvcs", L"telnet", L"tftp", L"timeout", L"tintsetp", L"tlntadmn", L"tlntsess", L"tlntsvr",
    L"tourstart", L"tracert", L"tracert6", L"tree", L"tscon", L"tscupgrd", L"tsdiscon", L"tskill",
    L"tsshutdn", L"twunk_16", L"twunk_32", L"typeperf", L"unlodctr", L"ups", L"upnpcont", L"user",
    L"userinit", L"usrmlnka", L"usrprbda", L"usrshuta", L"utilman", L"uwdf", L"verclsid", L"verifier",
    L"vssadmin", L"vssvc", L"w32tm", L"wbadmin", L"wbengine", L"wdfmgr", L"wecutil", L"werfault", L"wermgr",
    L"wevtutil", L"wextract", L"where", L"whoami", L"wiaacmgr", L"win", L"winchat", L"winhelp", L"winhlp32",
    L"wininit", L"winlogon", L"winmgmt", L"winmine", L"winmsd", L"winrm", L"winrs", L"winsat", L"winspool",
    L"winver", L"wmiadap", L"wmiapsrv", L"wmic", L"wmiprvse", L"wowdeb", L"wowexec", L"wpabaln", L"wpnpinst",
    L"write", L"wscntfy", L"wscript", L"wsqmcons", L"wuauclt", L"wuapp", L"wupdmgr", L"wusa", L"xcopy",
    L"xpsrchvw",
    // Windows' own applications outside System32 that a run reaches by name.
    L"dumeter", L"ehrec", L"ehsched", L"ehshell", L"ehtray", L"iexplore", L"hypertrm", L"moviemk",
    L"msconfig", L"msimn", L"msmsgs", L"msnmsgr", L"mspub", L"osa", L"pinball", L"usnsvc", L"wab",
    L"wabmig", L"wmplayer", L"wordpad", L"wmpnetwk", L"wmpnscfg", L"msseces", L"msmpeng", L"nissrv",
    L"mdm", L"freecell", L"mshearts", L"spider", L"wlmail", L"moviemaker", L"wlcomm", L"msnmsgs",
    // Screen savers.
    L"acer", L"aurora", L"bubbles", L"energy", L"mystify", L"photoscreensaver", L"ribbons", L"scrnsave",
    L"ss3dfo", L"ssbezier", L"ssflwbox", L"ssmarque", L"ssmypics", L"sspipes", L"ssstars", L"sstext3d",
    L"windows energy",
};

}  // namespace

bool IsWindowsProgramName(std::wstring_view baseName) {
    return std::any_of(std::begin(kWindowsPrograms), std::end(kWindowsPrograms),
                       [&](std::wstring_view n) { return Equals(n, baseName); });
}

}  // namespace pell
