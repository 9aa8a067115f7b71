// SmartScan and MD5Hash on the real machine under Wine: the base crypto provider against the RFC 1321
// suite and block boundaries, and a planted running worm found by all three passes, then removed.
#include <algorithm>

#include "engine/stages.h"
#include "base/text.h"
#include "smartscan/md5_hash.h"
#include "engine/smartscan.h"
#include "tests/fake/fake_machine.h"
#include "tests/fake/test_host.h"
#include "tests/fixtures/md5_vectors.h"
#include "tests/win32/mapped_drive.h"
#include "tests/win32/win32_test_support.h"

namespace pell::test {
namespace {

using Md5Win32Test = Win32Test;
using SmartScanWine = Win32Test;

std::span<const std::uint8_t> Bytes(const std::string& s) {
    return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

std::string Pattern(std::size_t size) {
    std::string s(size, '\0');
    for (std::size_t i = 0; i < size; ++i) s[i] = static_cast<char>((i * 131 + 17) & 0xFF);
    return s;
}

TEST_F(Md5Win32Test, Rfc1321SuiteThroughTheBaseProvider) {
    TestHost host;
    MD5Hash md5(sys, host);
    int n = 0;
    for (const auto& v : kRfc1321) {
        const std::wstring path = Folder() + L"\\vector" + std::to_wstring(n++) + L".bin";
        planter.PlantFile(path, v.message);
        EXPECT_EQ(md5.HashBytes(Bytes(v.message)), v.digest) << v.message;
        EXPECT_EQ(md5.HashFile(path), v.digest) << v.message;
    }
}

TEST_F(Md5Win32Test, FilesAroundTheBlockSizeAgreeWithTheirBytes) {
    TestHost host;
    MD5Hash md5(sys, host);
    for (std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{16383}, std::size_t{16384},
                             std::size_t{16385}, std::size_t{3 * 16384 + 100}}) {
        const std::string contents = Pattern(size);
        const std::wstring path = Folder() + L"\\size" + std::to_wstring(size) + L".bin";
        planter.PlantFile(path, contents);
        const std::wstring digest = md5.HashFile(path);
        EXPECT_EQ(digest, md5.HashBytes(Bytes(contents))) << size;
        EXPECT_EQ(digest, Utf8ToWide(Md5Hex(contents))) << size;  // the fake's own MD5 as a second opinion
        EXPECT_EQ(sys.DeleteFile(path), 1) << size;                // and the file was closed
    }
}

TEST_F(Md5Win32Test, FoldersAndMissingPathsGiveTheEmptyDigest) {
    planter.PlantFolder(Folder() + L"\\sub");
    TestHost host;
    MD5Hash md5(sys, host);
    for (const std::wstring& path : {Folder() + L"\\sub", Folder() + L"\\missing.exe",
                                     Folder() + L"\\no\\such\\x.exe", std::wstring(), std::wstring(L"C:\\")}) {
        EXPECT_EQ(md5.HashFile(path), L"") << WideToUtf8(path);
    }
    EXPECT_EQ(host.events, 5u);
}

// A worm (our sleeper with a tail of its own, so no other program shares its digest) runs from a folder
// that is also a removable drive; a Run value starts it and the drive's hidden autorun.inf names it.
TEST_F(SmartScanWine, ARunningWormIsIdentifiedByAllThreePassesAndRemovedInTheSameRun) {
    const std::wstring driveFolder = Folder() + L"\\drive";
    const std::wstring worm = driveFolder + L"\\pellsmartworm.exe";
    const std::string body = HelperBytes(L"pell_sleeper.exe") + "pell smartscan worm " + std::to_string(::GetTickCount());
    planter.PlantFile(worm, body);
    planter.PlantFile(driveFolder + L"\\autorun.inf",
                      "[autorun]\r\nopen=pellsmartworm.exe\r\nicon=pellsmartworm.exe,0\r\n",
                      kAttributeHidden | kAttributeSystem);
    MappedDrive drive(driveFolder, 2 /* DRIVE_REMOVABLE */);
    ASSERT_NE(drive.letter(), 0) << "the mount manager did not map the folder";
    ASSERT_EQ(sys.GetDriveType(drive.root()), drive::Removable);
    wchar_t prefix[1024] = {};
    if (::GetEnvironmentVariableW(L"WINEPREFIX", prefix, 1024) > 0) {  // the letter is a dosdevices link
        const std::wstring link = std::wstring(L"Z:") + prefix + L"\\dosdevices\\" + std::wstring(1, LowerChar(drive.letter())) + L":";
        EXPECT_NE(sys.GetFileAttributes(link) & kAttributeDirectory, 0u) << WideToUtf8(link);
    }
    const std::wstring runKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    planter.PlantString(RegRoot::CurrentUser, runKey, L"PellSmartWorm", L"\"" + LowerCase(worm) + L"\" /background");
    const std::uint32_t pid = planter.StartProgram(worm);

    TestHost host;
    Engine e{sys, host, English()};
    e.MD5Hashes = {L"0123456789ABCDEF0123456789ABCDEF", Utf8ToWide(Md5Hex(body))};
    e.InfectionNames = {L"placeholder"};
    sys.GetSystemDirectory(e.folders.SystemDir);
    e.folders.WindowsDir = e.folders.SystemDir.substr(0, e.folders.SystemDir.find(L'\\', 3));
    sys.GetTempPath(e.folders.TempPath);
    e.folders.TempRoot = e.folders.TempPath.substr(0, 3);
    e.folders.LogFolder = Folder() + L"\\log\\";
    planter.PlantFolder(Folder() + L"\\log");

    SmartScan(e);
    const std::wstring upperWorm = UpperCase(worm);
    const std::wstring onDrive = drive.root() + L"pellsmartworm.exe";
    std::vector<std::wstring> reports;
    for (const auto& line : host.Lines())
        if (line.ends_with(L" ...Identified")) reports.push_back(line);
    EXPECT_EQ(reports, (std::vector<std::wstring>{upperWorm + L" ...Identified", L"pellsmartworm.exe ...Identified",
                                                  onDrive + L" ...Identified"}));
    EXPECT_EQ(e.InfectionNames,
              (std::vector<std::wstring>{L"placeholder", L"PELLSMARTWORM", L"pellsmartworm", L"pellsmartworm"}));
    EXPECT_EQ(e.lstIdentifiedByMD5.Items(), (std::vector<std::wstring>{upperWorm, LowerCase(worm), onDrive}));

    ScanProcesses(e);
    EXPECT_TRUE(planter.WaitProcessEnd(pid, 5000));
    EXPECT_FALSE(planter.FileExists(worm));
    EXPECT_EQ(planter.FileBytes(Folder() + L"\\log\\pellsmartworm.exe.back"), body);
    planter.PlantFile(Folder() + L"\\log\\pellsmartworm.exe.back", "");  // taken away with the test
}

}  // namespace
}  // namespace pell::test
