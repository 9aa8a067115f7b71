// The fake machine's file moves and planting, where it once differed from Windows.
#include <gtest/gtest.h>

#include "tests/fake/fake_machine.h"

namespace pell {
namespace {

TEST(FakeFiles, MovingAFileOntoItselfKeepsIt) {
    test::FakeMachine m;
    m.PlantFile(L"C:\\a.txt", "abc");
    EXPECT_NE(m.MoveFileReplace(L"C:\\a.txt", L"c:\\A.TXT"), 0);
    EXPECT_EQ(m.FileBytes(L"C:\\a.txt"), "abc");
    std::vector<FoundFile> entries;
    ASSERT_EQ(m.ListFolder(L"C:\\", L"*.txt", entries), code::Success);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, L"a.txt");
}

TEST(FakeFiles, AnOpenFileIsNeitherMovedNorReplaced) {
    for (bool openSource : {true, false}) {
        test::FakeMachine m;
        m.PlantFile(L"C:\\a.txt", "new");
        m.PlantFile(L"C:\\b.txt", "old");
        FileHandle h = 0;
        ASSERT_NE(m.OpenFile(openSource ? L"C:\\a.txt" : L"C:\\b.txt", FileAccess::Read,
                             FileDisposition::OpenExisting, h),
                  0);
        EXPECT_EQ(m.MoveFileReplace(L"C:\\a.txt", L"C:\\b.txt"), 0);
        EXPECT_EQ(m.LastError(), 32u);
        char buffer[8];
        std::uint32_t read = 0;
        EXPECT_NE(m.ReadFile(h, buffer, sizeof buffer, read), 0);
        EXPECT_EQ(std::string(buffer, read), openSource ? "new" : "old");
        m.CloseFile(h);
        EXPECT_EQ(m.FileBytes(L"C:\\a.txt"), "new");
        EXPECT_EQ(m.FileBytes(L"C:\\b.txt"), "old");
    }
}

TEST(FakeFiles, PlantingThroughDoubledSeparatorsCreatesEveryParent) {
    test::FakeMachine m;
    m.PlantFile(L"C:\\\\A\\\\B\\f.txt", "x");
    EXPECT_EQ(m.GetFileAttributes(L"C:\\A"), kAttributeDirectory);
    EXPECT_EQ(m.GetFileAttributes(L"C:\\A\\B"), kAttributeDirectory);
    EXPECT_TRUE(m.FileExists(L"C:\\A\\B\\f.txt"));
}

}  // namespace
}  // namespace pell
