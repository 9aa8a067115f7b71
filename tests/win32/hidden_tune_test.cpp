// The hidden tune with the real sequencer and the tune bound into this program.
#include "base/text.h"
#include "platform/win32/multimedia.h"
#include "platform/win32/program_resources.h"
#include "platform/win32/win32_api.h"
#include "tests/win32/win32_test_support.h"
#include "ui/about_layout.h"
#include "ui/about_tune.h"

namespace pell::test {
namespace {

using HiddenTuneWine = Win32Test;

TEST_F(HiddenTuneWine, PlaysFromTheTemporaryFolderAndCloseDeletesTheFile) {
    std::wstring temp;
    ASSERT_GT(sys.GetTempPath(temp), 0u);
    // A handle number of our own, so the file cannot meet one of a running window program.
    const std::uintptr_t handle = 0x70000000u + ::GetCurrentProcessId();
    const std::wstring file = about::TuneFileName(temp, handle);
    planter.PlantFile(file, "");  // taken away with the test should it fail half-way
    sys.DeleteFile(file);
    std::vector<std::wstring> sent;
    std::vector<long> results;
    about::HiddenTune tune(
        sys,
        [&](const std::wstring& command) {
            sent.push_back(command);
            results.push_back(win32::SendMultimediaCommand(command));
            return results.back();
        },
        [] { return win32::LoadResourceBytes(L"EEGG", 1); }, handle);

    for (int click = 0; click < 2; ++click) {
        EXPECT_EQ(tune.Play(), 0) << "click " << click;
        ASSERT_EQ(sent.size(), 4u);
        EXPECT_EQ(sent[2], L"open " + file + L" type sequencer alias midi");
        EXPECT_EQ(sent[3], L"play midi");
        EXPECT_EQ(results[3], 0) << "play";
        sent.clear(), results.clear();
        EXPECT_EQ(planter.FileBytes(file), win32::LoadResourceBytes(L"EEGG", 1));
    }
    tune.StopAndDelete();
    EXPECT_EQ(results, (std::vector<long>{0, 0})) << "stop and close of the playing tune";
    EXPECT_FALSE(planter.FileExists(file));
}

}  // namespace
}  // namespace pell::test
