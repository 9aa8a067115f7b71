// Scenarios written once over Planter and System, run against the fake machine (natively) and the
// real one (under Wine), so the two machines are held to the same behaviour.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "base/handles.h"
#include "base/text.h"
#include "tests/fake/planter.h"

namespace pell::test {

inline const std::wstring kRunKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// A worm's Run value and its file are planted; through System the value is found with the lengths
// the rules read, deleted, and the file is found by a listing, freed of its attributes and deleted.
// The value beside it and the other file stay.
inline void RunValueAndFileAreRemoved(Planter& planter, System& sys, const std::wstring& folder) {
    const std::wstring worm = folder + L"\\wrm.exe", keep = folder + L"\\keep.txt";
    planter.PlantFile(worm, "MZ worm", kAttributeHidden | kAttributeReadOnly);
    planter.PlantFile(keep, "keep");
    planter.PlantString(RegRoot::CurrentUser, kRunKey, L"PellScenarioWorm", worm);
    planter.PlantString(RegRoot::CurrentUser, kRunKey, L"PellScenarioKeep", L"C:\\keep.exe");

    OpenKey run(sys);
    ASSERT_EQ(run.Open(RegRoot::CurrentUser, kRunKey), code::Success);
    bool found = false;
    RegValue value;
    long rc = code::Success;
    for (std::uint32_t i = 0; i < 100 && (rc = sys.RegEnumValue(run.get(), i, value)) == code::Success; ++i) {
        if (value.name != L"PellScenarioWorm") continue;
        found = true;
        EXPECT_EQ(value.data, worm);
        EXPECT_EQ(value.dataLength, worm.size() + 1);
    }
    EXPECT_EQ(rc, code::NoMoreItems);
    ASSERT_TRUE(found);
    EXPECT_EQ(sys.RegDeleteValue(run.get(), L"PellScenarioWorm"), code::Success);
    EXPECT_FALSE(planter.ValueExists(RegRoot::CurrentUser, kRunKey, L"PellScenarioWorm"));
    EXPECT_TRUE(planter.ValueExists(RegRoot::CurrentUser, kRunKey, L"PellScenarioKeep"));

    std::vector<FoundFile> entries;
    ASSERT_EQ(sys.ListFolder(folder, L"*.exe", entries), code::Success);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_TRUE(Equals(entries[0].name, L"wrm.exe"));
    EXPECT_TRUE(entries[0].attributes & kAttributeHidden);
    EXPECT_EQ(sys.DeleteFile(worm), 0);  // read-only
    EXPECT_NE(sys.SetFileAttributes(worm, kAttributeNormal), 0);
    EXPECT_NE(sys.DeleteFile(worm), 0);
    EXPECT_FALSE(planter.FileExists(worm));
    EXPECT_EQ(planter.FileBytes(keep), std::string("keep"));
}

}  // namespace pell::test
