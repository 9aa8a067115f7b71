// The removal log's name and content, and the service export command line.
#include <gtest/gtest.h>

#include <optional>

#include "engine/removal_log.h"
#include "engine/services.h"
#include "tests/fake/fake_machine.h"

namespace pell {
namespace {

TEST(RemovalLog, NameReplacesOnlySlashesAndColons) {
    struct Case {
        const wchar_t* date;
        const wchar_t* time;
        const wchar_t* name;
    } cases[] = {
        {L"12/7/2026", L"1:45:10 AM", L"Pellworth Removal Log 12_7_2026 1_45_10 AM.txt"},
        {L"07.12.2026", L"01:45:10", L"Pellworth Removal Log 07.12.2026 01_45_10.txt"},
        {L"2026-12-07", L"13:45:10", L"Pellworth Removal Log 2026-12-07 13_45_10.txt"},
        {L"7/12/26", L"1.45.10", L"Pellworth Removal Log 7_12_26 1.45.10.txt"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RemovalLogPath(L"D:\\Logs\\", c.date, c.time), std::wstring(L"D:\\Logs\\") + c.name);
}

TEST(RemovalLog, HeaderBlankLineDetailsAndAbortedLine) {
    const std::wstring details = L"Starting Scan...\r\nSmartScanning Processes...\r\nSaving Log...";
    EXPECT_EQ(RemovalLogText(L"6.70", details, LogForm::Normal),
              L"Version: 4.6 Virus DataBase: 6.70\r\n\r\n" + details + L"\r\n");
    EXPECT_EQ(RemovalLogText(L"6.70", details, LogForm::Aborted),
              L"Version: 4.6 Virus DataBase: 6.70\r\n\r\n" + details +
                  L"\r\nAborted - Registry connection error!\r\n");
}

TEST(RemovalLog, WrittenInTheSystemCodePageAndReplacedByALaterRunOfTheSameSecond) {
    test::FakeMachine m;
    const std::wstring path = L"C:\\Pellworth Removal Log 12_7_2026 1_45_10 AM.txt";
    ASSERT_TRUE(WriteRemovalLog(m, path, L"first run, a longer text: J\u00fcrgen \u20ac\r\n"));
    EXPECT_EQ(m.FileBytes(path), std::string("first run, a longer text: J\xFCrgen \x80\r\n"));
    ASSERT_TRUE(WriteRemovalLog(m, path, L"second\r\n"));
    EXPECT_EQ(m.FileBytes(path), std::string("second\r\n"));
}

TEST(RemovalLog, FailuresToCreateOrWriteAreReported) {
    struct Case {
        const char* what;
        std::wstring folder;
        std::optional<test::Fault> fault;
    } cases[] = {
        {"missing folder", L"C:\\Gone\\", std::nullopt},
        {"missing drive", L"Q:\\", std::nullopt},
        {"creation refused", L"C:\\", test::Fault{test::Op::OpenFile, L"", 0, code::AccessDenied}},
        {"disk full", L"C:\\", test::Fault{test::Op::WriteFile, L"", 0, 112}},
    };
    for (const auto& c : cases) {
        test::FakeMachine m;
        if (c.fault) m.InjectFault(*c.fault);
        EXPECT_FALSE(WriteRemovalLog(m, c.folder + L"log.txt", L"text")) << c.what;
        EXPECT_EQ(m.OpenHandleCount(), 0u) << c.what;
    }
}

TEST(RemovalLog, ServiceExportCommandLine) {
    Folders f;
    f.WindowsDir = L"C:\\WINDOWS";
    f.LogFolder = L"D:\\My Logs\\";
    EXPECT_EQ(ServiceExportCommandLine(f, L"wrmsvc"),
              L"C:\\WINDOWS\\regedit.exe /e \"D:\\My Logs\\wrmsvc.reg\" "
              L"\"HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\wrmsvc\"");
}

}  // namespace
}  // namespace pell
