// The folder picker without a display: Wine shows nothing and the picker answers "nothing chosen"
// at once (with a display the window tests drive it).
#include <gtest/gtest.h>

#include "platform/win32/browse_folder.h"

namespace pell::win32 {
namespace {

TEST(BrowseForFolder, WithoutADisplayNothingIsChosen) {
    if (::GetEnvironmentVariableW(L"DISPLAY", nullptr, 0) != 0) GTEST_SKIP() << "a display is set";
    DWORD start = ::GetTickCount();
    EXPECT_EQ(BrowseForFolder(nullptr, L"Please select a folder to save Log and Backup Files to..."), L"");
    // It does not wait for a person; the bound only catches a picker that hangs.
    EXPECT_LT(::GetTickCount() - start, 60000u);
}

}  // namespace
}  // namespace pell::win32
