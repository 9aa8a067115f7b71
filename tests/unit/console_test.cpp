// The console program's switches, exit codes, printed run and restart suppression.
#include <gtest/gtest.h>

#include <stdexcept>

#include "app/pellclean/console.h"
#include "base/product.h"
#include "i18n/details.h"
#include "tests/fake/fake_machine.h"
#include "tests/unit/english_translation.h"

namespace pell::console {
namespace {

using Args = std::vector<std::wstring>;

TEST(ConsoleOptions, AcceptedSwitches) {
    struct Case {
        Args args;
        bool yes, noRestart, help;
        std::wstring logFolder, extra;
    };
    const Case cases[] = {
        {{}, false, false, false, L"", L""},
        {{L"--log-folder", L"C:\\Logs"}, false, false, false, L"C:\\Logs", L""},
        {{L"--log-folder=D:\\x y"}, false, false, false, L"D:\\x y", L""},
        {{L"--yes", L"--no-restart"}, true, true, false, L"", L""},
        {{L"--extra-detections", L"md5.txt", L"--yes"}, true, false, false, L"", L"md5.txt"},
        {{L"--help"}, false, false, true, L"", L""},
        {{L"/?"}, false, false, true, L"", L""},
    };
    for (const auto& c : cases) {
        Options o;
        std::wstring error;
        ASSERT_TRUE(ParseOptions(c.args, o, error)) << WideToUtf8(error);
        EXPECT_FALSE(o.anyMachine);
        EXPECT_EQ(o.yes, c.yes);
        EXPECT_EQ(o.noRestart, c.noRestart);
        EXPECT_EQ(o.help, c.help);
        EXPECT_EQ(o.logFolder, c.logFolder);
        EXPECT_EQ(o.extraDetections, c.extra);
    }
}

TEST(ConsoleOptions, AnyMachineGoesWithRestoreOnly) {
    Options o;
    std::wstring error;
    ASSERT_TRUE(ParseOptions({L"--restore", L"C:\\Logs", L"--dry-run", L"--any-machine"}, o, error)) << WideToUtf8(error);
    EXPECT_TRUE(o.anyMachine && o.dryRun);
}

// The trace diagnoses any of the program's modes.
TEST(ConsoleOptions, TraceGoesWithEveryMode) {
    const Args cases[] = {{L"--trace", L"t.txt", L"--yes"},
                          {L"--scan", L"--trace=t.txt"},
                          {L"--restore", L"C:\\Logs", L"--dry-run", L"--trace", L"t.txt"}};
    for (const Args& args : cases) {
        Options o;
        std::wstring error;
        ASSERT_TRUE(ParseOptions(args, o, error)) << WideToUtf8(error);
        EXPECT_EQ(o.trace, L"t.txt");
    }
}

TEST(ConsoleOptions, UsageErrorsNameTheProblemAndLeaveTheOptionsAlone) {
    const std::pair<Args, std::wstring> cases[] = {
        {{L"--log-folder"}, L"--log-folder needs a value"},
        {{L"--log-folder="}, L"--log-folder needs a non-empty value"},
        {{L"--log-folder", L"a", L"--log-folder", L"b"}, L"--log-folder given twice"},
        {{L"--yes", L"--yes"}, L"--yes given twice"},
        {{L"--yes=1"}, L"--yes takes no value"},
        {{L"--restart"}, L"unknown argument: --restart"},
        {{L"C:\\Logs"}, L"unknown argument: C:\\Logs"},
        {{L"--any-machine"}, L"--any-machine is a switch of --restore"},
        {{L"--restore", L"C:\\Logs", L"--yes", L"--any-machine", L"--any-machine"}, L"--any-machine given twice"},
        {{L"--trace"}, L"--trace needs a value"},
        {{L"--trace=a", L"--trace", L"b"}, L"--trace given twice"},
    };
    for (const auto& [args, message] : cases) {
        Options o;
        o.logFolder = L"untouched";
        std::wstring error;
        EXPECT_FALSE(ParseOptions(args, o, error));
        EXPECT_EQ(error, message);
        EXPECT_EQ(o.logFolder, L"untouched");
    }
}

TEST(ConsoleOptions, TheLogFolderMustBeAnExistingFolder) {
    test::FakeMachine machine;
    machine.PlantFolder(L"C:\\Logs");
    machine.PlantFile(L"C:\\Logs\\notes.txt", "x");
    const std::pair<std::wstring, bool> cases[] = {
        {L"C:\\Logs", true},
        {L"C:\\logs\\", true},
        {L"C:\\", true},
        {L"C:\\Lgos", false},             // a typo: no backup and no log would be written
        {L"C:\\Logs\\notes.txt", false},  // a file, not a folder
        {L"D:\\Logs", false},
    };
    for (const auto& [folder, accepted] : cases) {
        std::wstring error;
        EXPECT_EQ(CheckLogFolder(machine, folder, error), accepted) << WideToUtf8(folder);
        EXPECT_EQ(error, accepted ? L"" : L"--log-folder: " + folder + L" is not an existing folder");
    }
}

TEST(ConsoleExitCodes, EachOutcomeHasItsOwnCode) {
    EXPECT_EQ(ExitCode(RunOutcome::NothingFound), 0);
    EXPECT_EQ(ExitCode(RunOutcome::Removed), 1);
    EXPECT_EQ(ExitCode(RunOutcome::Aborted), 2);
    EXPECT_EQ(ExitCode(RunOutcome::ProgramEnded), 3);
}

TEST(ConsoleExitCodes, AnEscapingErrorIsReportedAndNeverReadsAsAnOutcome) {
    std::vector<std::wstring> reported;
    auto report = [&](const std::wstring& text) { reported.push_back(text); };
    EXPECT_EQ(Guarded([] { return 2; }, report), 2);
    EXPECT_TRUE(reported.empty());
    EXPECT_EQ(Guarded([]() -> int { throw std::out_of_range("list index"); }, report), 70);
    EXPECT_EQ(Guarded([]() -> int { throw 42; }, report), 70);
    EXPECT_EQ(reported, (std::vector<std::wstring>{L"internal error, the run was cut short: list index",
                                                   L"internal error, the run was cut short"}));
}

struct Printed {
    std::string text;
    std::function<void(std::string_view)> sink() {
        return [this](std::string_view s) { text += s; };
    }
};

TEST(ConsoleHost, DetailsLinesArePrintedAsTheyAreWrittenAndARestartPrintsItsLines) {
    Translation t = test::EnglishTranslation();
    Printed out;
    ConsoleHost host(t, out.sink(), false);
    WriteDetails(host, t, status::StartingScan, L"");
    WriteDetails(host, t, status::Found, L"wrm");
    WriteDetails(host, t, status::Done, L"");
    EXPECT_EQ(out.text, "Starting Scan...\nSmartScanning Processes...\nFound \"wrm\"\nDone!\n");
    EXPECT_EQ(host.DetailsText(), L"Starting Scan...\r\nSmartScanning Processes...\r\nFound \"wrm\"\r\nDone!");
    out.text.clear();
    WriteDetails(host, t, status::StartingScan, L"");
    EXPECT_EQ(out.text, "Starting Scan...\nSmartScanning Processes...\n");
    EXPECT_EQ(host.DetailsLength(), host.DetailsText().size());
}

TEST(ConsoleHost, TextIsPrintedAsUtf8) {
    Translation t = test::EnglishTranslation();
    Printed out;
    ConsoleHost host(t, out.sink(), false);
    WriteDetails(host, t, status::Removed, L"C:\\Caf\u00e9\\wrm.exe");
    EXPECT_EQ(out.text, "Found C:\\Caf\xc3\xa9\\wrm.exe ...Removed\n");
}

TEST(ConsoleHost, BoxesArePrintedWithTheirTextAndAnsweredWithoutInput) {
    Translation t = test::EnglishTranslation();
    struct Case {
        bool answerYes, yesNo;
        int answer;
        std::string caption;
    };
    const Case cases[] = {{false, false, answer::Ok, "OK"},
                          {true, false, answer::Ok, "OK"},
                          {false, true, answer::No, "No"},
                          {true, true, answer::Yes, "Yes"}};
    for (const auto& c : cases) {
        Printed out;
        ConsoleHost host(t, out.sink(), c.answerYes);
        EXPECT_EQ(host.MsgBox(box::NoFolderSelected, c.yesNo), c.answer);
        EXPECT_EQ(out.text,
                  "[message box 3] You have not selected a folder.\n"
                  "[message box 3] Your log and backup files will be saved to your root directory (usually C:\\)\n"
                  "[answered " + c.caption + "]\n");
    }
}

TEST(ConsoleHost, TheLeftBehindBoxIsPrintedWithItsCode) {
    Translation t = test::EnglishTranslation();
    Printed out;
    ConsoleHost host(t, out.sink(), true);
    EXPECT_EQ(host.MsgBox(box::LeftBehind, false), answer::Ok);
    EXPECT_EQ(out.text,
              "[message box 9] Some infected items could not be removed: they will be removed when the computer "
              "restarts, or they need your attention (see Details).\n"
              "[message box 9] Your computer will restart automatically in 2 minutes. Please save all of your work.\n"
              "[answered OK]\n");
}

TEST(ConsoleHost, EndingTheProgramIsRecorded) {
    Translation t = test::EnglishTranslation();
    Printed out;
    ConsoleHost host(t, out.sink(), false);
    EXPECT_FALSE(host.Ended());
    host.EndProgram();
    EXPECT_TRUE(host.Ended());
    EXPECT_EQ(host.Caption(), MainCaption());
}

TEST(RestartSuppressor, OnlyTheRestartIsPrintedInsteadOfStarted) {
    test::FakeMachine machine;
    Printed out;
    RestartSuppressor sys(machine, out.sink());
    EXPECT_EQ(sys.StartCommandLine(kRestartCommandLine, ShowStyle::MinimizedFocus), 1);
    EXPECT_EQ(sys.StartCommandLine(L"SHUTDOWN.EXE -a", ShowStyle::Hidden), 1);
    EXPECT_NE(sys.StartCommandLine(L"C:\\WINDOWS\\regedit.exe /e \"x.reg\" \"HKEY_LOCAL_MACHINE\\x\"", ShowStyle::Hidden), 0);
    ASSERT_EQ(machine.StartedCommands().size(), 1u);
    EXPECT_EQ(machine.StartedCommands()[0].commandLine.substr(0, 22), L"C:\\WINDOWS\\regedit.exe");
    EXPECT_EQ(out.text,
              "[restart not started] shutdown.exe -r -t 120 -c \"Virus removal process\"\n"
              "[restart not started] SHUTDOWN.EXE -a\n");
}

TEST(RestartSuppressor, EverythingElsePassesThrough) {
    test::FakeMachine machine;
    machine.PlantFile(L"C:\\a.txt", "a");
    Printed out;
    RestartSuppressor sys(machine, out.sink());
    EXPECT_NE(sys.DeleteFile(L"C:\\a.txt"), 0);
    EXPECT_FALSE(machine.FileExists(L"C:\\a.txt"));
    EXPECT_EQ(sys.DeleteFile(L"C:\\a.txt"), 0);
    EXPECT_EQ(sys.LastError(), machine.LastError());
    std::wstring dir;
    EXPECT_EQ(sys.GetSystemDirectory(dir), machine.GetSystemDirectory(dir));
}

}  // namespace
}  // namespace pell::console
