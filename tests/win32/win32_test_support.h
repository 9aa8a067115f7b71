// What the tier-2 tests share: the real System, a planter that cleans up after each test, and a
// folder and a registry key of the test's own.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>

#include "platform/win32/win32_system.h"
#include "tests/win32/win32_planter.h"
#include "tests/win32/wine_setup.h"

namespace pell::test {

// The English translation from the program's own resources, loaded once.
inline const Translation& English() {
    static const Translation english = [] {
        Translation t;
        std::wstring error;
        EXPECT_TRUE(LoadEnglish(t, error)) << WideToUtf8(error);
        return t;
    }();
    return english;
}

// Waits until `done` holds; the bound only ends a hung test (a loaded machine may take seconds).
inline bool WaitUntil(const std::function<bool()>& done, int ms = 60000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        ::Sleep(20);
    }
    return true;
}

class Win32Test : public ::testing::Test {
protected:
    // C:\pelltest\<suite>.<test>, created fresh.
    std::wstring Folder() const {
        return L"C:\\pelltest\\" + Widen(info()->test_suite_name()) + L"." + Widen(info()->name());
    }
    // HKCU\Software\PellTest\<suite>.<test>
    std::wstring Key() const {
        return L"Software\\PellTest\\" + Widen(info()->test_suite_name()) + L"." + Widen(info()->name());
    }
    // A helper program built beside the tests (pell_sleeper.exe, pell_test_service.exe).
    static std::wstring Helper(const std::wstring& exe) { return TestProgramFolder() + L"\\" + exe; }
    std::string HelperBytes(const std::wstring& exe) {
        auto bytes = ReadWholeFile(Helper(exe));
        EXPECT_TRUE(bytes.has_value()) << "missing helper program";
        return bytes.value_or(std::string());
    }

    win32::Win32System sys;
    Win32Planter planter;

private:
    static const ::testing::TestInfo* info() { return ::testing::UnitTest::GetInstance()->current_test_info(); }
    static std::wstring Widen(const char* s) { return std::wstring(s, s + std::char_traits<char>::length(s)); }
};

}  // namespace pell::test
