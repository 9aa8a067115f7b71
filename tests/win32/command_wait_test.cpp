// Starting a command line and waiting for it under Wine: what it leaves behind is there on return, and a
// program that runs on is waited for no longer than the bound.
#include <chrono>

#include "tests/win32/win32_test_support.h"

namespace pell::test {
namespace {

using CommandWaitTest = Win32Test;
using Clock = std::chrono::steady_clock;

TEST_F(CommandWaitTest, WhatTheCommandWritesIsThereOnReturn) {
    planter.PlantFolder(Folder());
    const std::wstring marker = Folder() + L"\\exported.txt";
    ASSERT_NE(sys.StartCommandLineAndWait(L"cmd.exe /c echo exported> \"" + marker + L"\"", ShowStyle::Hidden, 30000), 0);
    EXPECT_TRUE(planter.FileExists(marker));
}

TEST_F(CommandWaitTest, ARegistryExportIsCompleteOnReturn) {
    planter.PlantFolder(Folder());
    planter.PlantString(RegRoot::CurrentUser, Key() + L"\\Sub", L"ImagePath", L"C:\\x\\wrm.exe -service");
    const std::wstring reg = Folder() + L"\\key.reg";
    std::wstring windowsDir;
    sys.GetSystemDirectory(windowsDir);
    windowsDir = windowsDir.substr(0, windowsDir.find_last_of(L'\\'));
    ASSERT_NE(sys.StartCommandLineAndWait(windowsDir + L"\\regedit.exe /e \"" + reg + L"\" \"HKEY_CURRENT_USER\\" + Key() + L"\"",
                                          ShowStyle::Hidden, 30000),
              0);
    auto bytes = planter.FileBytes(reg);
    ASSERT_TRUE(bytes.has_value());
    // UTF-16: the value's name, then the subkey, each letter followed by a zero byte.
    EXPECT_NE(bytes->find(std::string("I\0m\0a\0g\0e\0P\0a\0t\0h\0", 18)), std::string::npos);
    EXPECT_NE(bytes->find(std::string("\\\0S\0u\0b\0]\0", 10)), std::string::npos);
}

TEST_F(CommandWaitTest, AProgramThatRunsOnIsWaitedForOnlyUpToTheBound) {
    // The program runs until the test lets it go: the wait ends at its bound, whatever the machine's
    // speed, and long before the program would.
    planter.PlantFolder(Folder());
    const std::wstring release = Folder() + L"\\release";
    auto start = Clock::now();
    EXPECT_NE(sys.StartCommandLineAndWait(L"\"" + Helper(L"pell_sleeper.exe") + L"\" 120000 \"" + release + L"\"",
                                          ShowStyle::Hidden, 300),
              0);
    auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    EXPECT_GE(waited, 250);
    EXPECT_LT(waited, 60000);
    planter.PlantFile(release, "");
    EXPECT_TRUE(WaitUntil([&] { return !planter.FileExists(release); })) << "the program was not let go";
}

// A thread timer only fires when someone serves the thread's messages.
int g_ticks = 0;
void CALLBACK CountTick(HWND, UINT, UINT_PTR, DWORD) { ++g_ticks; }

TEST_F(CommandWaitTest, AWindowProgramServesItsMessagesWhileItWaits) {
    g_ticks = 0;
    int pumped = 0;
    sys.ServeMessagesWhileWaiting([&] {
        ++pumped;
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
    });
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, &CountTick);
    EXPECT_NE(sys.StartCommandLineAndWait(L"\"" + Helper(L"pell_sleeper.exe") + L"\" 1000", ShowStyle::Hidden, 30000), 0);
    ::KillTimer(nullptr, timer);
    sys.ServeMessagesWhileWaiting(nullptr);
    EXPECT_GT(pumped, 0);
    EXPECT_GT(g_ticks, 0);
}

TEST_F(CommandWaitTest, AMissingProgramDoesNotStart) {
    EXPECT_EQ(sys.StartCommandLineAndWait(L"C:\\pelltest\\no-such-program.exe /e", ShowStyle::Hidden, 1000), 0);
    EXPECT_EQ(sys.LastError(), static_cast<std::uint32_t>(code::FileNotFound));
}

}  // namespace
}  // namespace pell::test
