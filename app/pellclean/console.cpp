// The console program's portable side: switches, exit codes, the printing host, restart suppression.
#include "app/pellclean/console.h"

#include <exception>

#include "base/product.h"
#include "base/text.h"

namespace pell::console {

bool ParseOptions(const std::vector<std::wstring>& args, Options& options, std::wstring& error) {
    Options parsed;
    bool seenLogFolder = false, seenExtra = false, seenYes = false, seenNoRestart = false, seenRestore = false,
         seenDryRun = false, seenScan = false, seenAnyMachine = false, seenTrace = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::wstring arg = args[i];
        std::wstring value;
        bool hasInlineValue = false;
        if (arg.rfind(L"--", 0) == 0) {
            std::size_t eq = arg.find(L'=');
            if (eq != std::wstring::npos) {
                value = arg.substr(eq + 1);
                arg.resize(eq);
                hasInlineValue = true;
            }
        }
        auto takeValue = [&](bool& seen) -> bool {
            if (seen) {
                error = arg + L" given twice";
                return false;
            }
            seen = true;
            if (!hasInlineValue) {
                if (i + 1 >= args.size()) {
                    error = arg + L" needs a value";
                    return false;
                }
                value = args[++i];
            }
            if (value.empty()) {
                error = arg + L" needs a non-empty value";
                return false;
            }
            return true;
        };
        auto flag = [&](bool& seen, bool& target) -> bool {
            if (hasInlineValue) {
                error = arg + L" takes no value";
                return false;
            }
            if (seen) {
                error = arg + L" given twice";
                return false;
            }
            seen = target = true;
            return true;
        };
        if (arg == L"--help" || arg == L"-h" || arg == L"/?") {
            parsed.help = true;
        } else if (arg == L"--log-folder") {
            if (!takeValue(seenLogFolder)) return false;
            parsed.logFolder = value;
        } else if (arg == L"--extra-detections") {
            if (!takeValue(seenExtra)) return false;
            parsed.extraDetections = value;
        } else if (arg == L"--yes") {
            if (!flag(seenYes, parsed.yes)) return false;
        } else if (arg == L"--no-restart") {
            if (!flag(seenNoRestart, parsed.noRestart)) return false;
        } else if (arg == L"--restore") {
            if (!takeValue(seenRestore)) return false;
            parsed.restore = value;
        } else if (arg == L"--dry-run") {
            if (!flag(seenDryRun, parsed.dryRun)) return false;
        } else if (arg == L"--scan") {
            if (!flag(seenScan, parsed.scan)) return false;
        } else if (arg == L"--any-machine") {
            if (!flag(seenAnyMachine, parsed.anyMachine)) return false;
        } else if (arg == L"--trace") {
            if (!takeValue(seenTrace)) return false;
            parsed.trace = value;
        } else {
            error = L"unknown argument: " + args[i];
            return false;
        }
    }
    if (!parsed.help && !parsed.restore.empty()) {
        if (seenLogFolder || seenExtra || seenNoRestart || seenScan) {
            error = L"--restore cleans nothing: it takes only --dry-run, --yes and --any-machine";
            return false;
        }
        // What restore puts back includes what the run took for a worm: it is done only when asked twice.
        if (!parsed.dryRun && !parsed.yes) {
            error = L"--restore puts back everything the run removed, worms included: add --yes to do it, or "
                    L"--dry-run to see what it would do";
            return false;
        }
    } else if (!parsed.help && parsed.scan && (seenYes || seenNoRestart)) {
        // A scan asks nothing and restarts nothing: a switch that would change that is a mistake.
        error = L"--scan changes nothing: it takes only --log-folder and --extra-detections";
        return false;
    } else if (!parsed.help && (parsed.dryRun || parsed.anyMachine)) {
        error = std::wstring(parsed.dryRun ? L"--dry-run" : L"--any-machine") + L" is a switch of --restore";
        return false;
    }
    options = std::move(parsed);
    return true;
}

std::wstring Usage() {
    return L"Usage: pellclean [--log-folder DIR] [--no-restart] [--yes] [--extra-detections FILE] [--trace FILE] [--help]\n"
           L"       pellclean --scan [--log-folder DIR] [--extra-detections FILE]\n"
           L"       pellclean --restore FOLDER|FILE.jsonl (--dry-run | --yes) [--any-machine]\n"
           L"Runs one Pellworth Remover cleaning pass without a window; the details lines go to standard output.\n"
           L"  --log-folder DIR         existing folder for the removal log and the backups (default: the root\n"
           L"                           of the temporary folder's drive, after the \"no folder chosen\" message)\n"
           L"  --no-restart             print the restart command line instead of starting it\n"
           L"  --yes                    answer Yes to Yes/No questions (default: No)\n"
           L"  --extra-detections FILE  add the MD5 digests of FILE (one per line) to the detections\n"
           L"  --trace FILE             append to FILE what the program caught and went on without (at most\n"
           L"                           1 MiB a run); goes with every other switch\n"
           L"  --help, -h, /?           show this text\n"
           L"  --restore FOLDER|FILE    put back what a run changed, from the newest record in FOLDER or from\n"
           L"                           FILE; never over a file or value that exists again\n"
           L"  --dry-run                with --restore: say what would be done and change nothing\n"
           L"  --any-machine            with --restore: use a record written on another computer too\n"
           L"  --scan                   report everything a cleaning would do and change nothing; the record\n"
           L"                           goes to --log-folder when given, otherwise to standard output\n"
           L"Exit codes: 0 nothing found, 1 something removed (restart scheduled or suppressed),\n"
           L"  2 aborted (registry error), 3 services key unreadable, 4 another copy is running,\n"
           L"  5 signature database missing or refused, 6 extra-detections file unreadable,\n"
           L"  7 something removed but a known worm left behind (named in the last lines; restart scheduled),\n"
           L"  11 (--scan) a cleaning would change something,\n"
           L"  64 usage error, 70 translation resource missing or internal error.\n"
           L"With --restore: 0 all restored, 9 some left alone or not restored, 10 record missing,\n"
           L"  unreadable or refused (nothing done; the reason is named).\n";
}

bool CheckLogFolder(System& sys, const std::wstring& folder, std::wstring& error) {
    const std::uint32_t attributes = sys.GetFileAttributes(folder);
    if (attributes != kInvalidAttributes && (attributes & kAttributeDirectory) != 0) return true;
    error = L"--log-folder: " + folder + L" is not an existing folder";
    return false;
}

int ExitCode(RunOutcome outcome) {
    switch (outcome) {
        case RunOutcome::NothingFound: return exitcode::NothingFound;
        case RunOutcome::Removed: return exitcode::Removed;
        case RunOutcome::LeftBehind: return exitcode::LeftBehind;
        case RunOutcome::Aborted: return exitcode::Aborted;
        case RunOutcome::ProgramEnded: return exitcode::ServicesUnreadable;
        case RunOutcome::RecordUnwritable: return exitcode::RecordUnwritable;
        case RunOutcome::RecordFailed: return exitcode::LeftBehind;
    }
    return exitcode::Internal;
}

int ExitCode(RestoreResult result) {
    switch (result) {
        case RestoreResult::AllRestored: return exitcode::Restored;
        case RestoreResult::SomeLeftAlone: return exitcode::RestoreLeftAlone;
        case RestoreResult::Unreadable: return exitcode::RestoreUnreadable;
    }
    return exitcode::Internal;
}

int Guarded(const std::function<int()>& body, const std::function<void(const std::wstring&)>& reportError) {
    try {
        return body();
    } catch (const std::exception& error) {
        reportError(L"internal error, the run was cut short: " + Utf8ToWide(error.what()));
    } catch (...) {
        reportError(L"internal error, the run was cut short");
    }
    return exitcode::Internal;
}

ConsoleHost::ConsoleHost(const Translation& translation, std::function<void(std::string_view)> print, bool answerYes)
    : translation_(translation), print_(std::move(print)), answerYes_(answerYes) {}

void ConsoleHost::PrintLines(std::wstring_view text, std::wstring_view prefix) {
    std::string out;
    for (const std::wstring& line : SplitAtCrLf(text)) {
        out += WideToUtf8(prefix);
        out += WideToUtf8(line);
        out += '\n';
    }
    print_(out);
}

void ConsoleHost::SetDetailsText(const std::wstring& text) {
    details_ = text;
    PrintLines(text);
}

void ConsoleHost::AppendDetailsText(const std::wstring& text) {
    details_ += text;
    // Every appended line comes after its break; the part before the first break (empty but for
    // unusual callers) continues the last line and is shown as a line of its own.
    std::wstring_view rest = text;
    if (rest.rfind(L"\r\n", 0) == 0) rest.remove_prefix(2);
    else if (rest.empty()) return;
    PrintLines(rest);
}

int ConsoleHost::MsgBox(int code, bool yesNo) {
    int answer = yesNo ? (answerYes_ ? answer::Yes : answer::No) : answer::Ok;
    PrintLines(translation_.MessageBoxText(code), L"[message box " + std::to_wstring(code) + L"] ");
    const std::wstring& caption = answer == answer::Yes  ? translation_.YesCaption()
                                  : answer == answer::No ? translation_.NoCaption()
                                                         : translation_.OkCaption();
    PrintLines(L"[answered " + caption + L"]");
    return answer;
}

std::wstring ConsoleHost::Caption() const { return MainCaption(); }

long RestartSuppressor::StartCommandLine(const std::wstring& commandLine, ShowStyle style) {
    if (FindNoCase(TrimBlanks(commandLine), L"shutdown.exe") != 1) return inner_.StartCommandLine(commandLine, style);
    print_(WideToUtf8(L"[restart not started] " + commandLine) + "\n");
    return 1;
}

}  // namespace pell::console
