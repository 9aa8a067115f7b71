// The hidden tune's steps on the fake machine, with a sequencer that opens only files that exist.
#include <gtest/gtest.h>

#include "base/text.h"
#include "tests/fake/fake_machine.h"
#include "ui/about_layout.h"
#include "ui/about_tune.h"

namespace pell::about {
namespace {

struct TuneWorld {
    test::FakeMachine machine;
    std::vector<std::wstring> sent;
    std::optional<std::string> bound = std::string("MThd tune");
    int loads = 0;
    HiddenTune tune{machine,
                    [this](const std::wstring& command) -> long {
                        sent.push_back(command);
                        if (command.rfind(L"open ", 0) != 0) return 0;
                        std::wstring file = command.substr(5, command.find(L" type sequencer") - 5);
                        if (file.front() == L'"') file = file.substr(1, file.size() - 2);
                        return machine.FileExists(file) ? 0 : 275;  // MCIERR_FILE_NOT_FOUND
                    },
                    [this] {
                        ++loads;
                        return bound;
                    },
                    0x2004A};
    const std::wstring temp = L"C:\\DOCUME~1\\X\\LOCALS~1\\Temp\\";
    std::wstring File() const { return TuneFileName(temp, 0x2004A); }

    TuneWorld() { machine.SetTempPath(temp); }
    std::vector<std::wstring> Take() { return std::exchange(sent, {}); }
};

TEST(HiddenTune, TheFirstClickWritesTheFileLaterClicksReplayItAndCloseDeletesIt) {
    TuneWorld w;
    EXPECT_FALSE(w.tune.TuneWritten());
    const std::vector<std::wstring> playing = {L"stop midi", L"close midi",
                                               L"open " + w.File() + L" type sequencer alias midi", L"play midi"};
    EXPECT_EQ(w.tune.Play(), 0);
    EXPECT_EQ(w.Take(), playing);
    EXPECT_TRUE(w.tune.TuneWritten());
    EXPECT_EQ(w.machine.FileBytes(w.File()), w.bound);

    // Later clicks restart it from the file; the file is not written again.
    w.machine.PlantFile(w.File(), "changed");
    EXPECT_EQ(w.tune.Play(), 0);
    EXPECT_EQ(w.Take(), playing);
    EXPECT_EQ(w.machine.FileBytes(w.File()), std::optional<std::string>("changed"));
    EXPECT_EQ(w.loads, 1);

    // A file that went away fails to open and nothing plays.
    w.machine.DeleteFile(w.File());
    EXPECT_EQ(w.tune.Play(), 275);
    EXPECT_EQ(w.Take(), std::vector<std::wstring>(playing.begin(), playing.end() - 1));

    w.machine.PlantFile(w.File(), "again");
    w.tune.StopAndDelete();
    EXPECT_EQ(w.Take(), (std::vector<std::wstring>{L"stop midi", L"close midi"}));
    EXPECT_FALSE(w.machine.FileExists(w.File()));
    w.tune.StopAndDelete();  // nothing left to delete: still only the two commands
    EXPECT_EQ(w.Take().size(), 2u);
}

TEST(HiddenTune, NoTemporaryFolderNoResourceAndABlankInThePath) {
    {
        TuneWorld w;
        w.machine.SetTempPath(L"");
        EXPECT_EQ(w.tune.Play(), -1);
        EXPECT_EQ(w.Take(), (std::vector<std::wstring>{L"stop midi", L"close midi"}));
        EXPECT_FALSE(w.tune.TuneWritten());
        for (const auto& file : w.machine.AllFiles()) EXPECT_FALSE(Contains(file, L".mid")) << WideToUtf8(file);
        w.tune.StopAndDelete();
        EXPECT_EQ(w.Take().size(), 2u);
    }
    {
        TuneWorld w;
        w.bound.reset();
        EXPECT_EQ(w.tune.Play(), 275);
        EXPECT_TRUE(w.tune.TuneWritten());
        EXPECT_FALSE(w.machine.FileExists(w.File()));
        EXPECT_EQ(w.Take().back(), L"open " + w.File() + L" type sequencer alias midi");
    }
    {
        TuneWorld w;
        const std::wstring temp = L"C:\\Documents and Settings\\X\\Local Settings\\Temp";  // no trailing backslash
        w.machine.SetTempPath(temp);
        w.machine.PlantFolder(temp);
        const std::wstring file = TuneFileName(temp + L"\\", 0x2004A);
        EXPECT_EQ(w.tune.Play(), 0);
        EXPECT_EQ(w.Take()[2], L"open \"" + file + L"\" type sequencer alias midi");
        EXPECT_TRUE(w.machine.FileExists(file));
    }
}

}  // namespace
}  // namespace pell::about
