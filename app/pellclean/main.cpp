// pellclean.exe: one cleaning run without a window, for scripts and deployment tools. Wiring only: the
// start-up of the window program, then START with the folder given on the command line.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/pellclean/console.h"
#include "app/pellclean/scan_command.h"
#include "app/start_up/start_up.h"
#include "engine/engine.h"
#include "engine/run.h"
#include "base/text.h"
#include "platform/win32/trace_sinks.h"
#include "platform/win32/win32_system.h"

namespace {

using namespace pell;

void Print(std::FILE* stream, std::string_view utf8) {
    std::fwrite(utf8.data(), 1, utf8.size(), stream);
    std::fflush(stream);
}
void PrintOut(std::string_view utf8) { Print(stdout, utf8); }
void PrintError(const std::wstring& text) { Print(stderr, "pellclean: " + WideToUtf8(text) + "\n"); }

std::vector<std::wstring> Arguments() {
    int count = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    std::vector<std::wstring> args;
    for (int i = 1; argv != nullptr && i < count; ++i) args.emplace_back(argv[i]);
    ::LocalFree(argv);
    return args;
}

std::wstring FullPath(const std::wstring& path) {
    std::wstring full(32768, L'\0');
    DWORD n = ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (n == 0 || n >= full.size()) return path;
    full.resize(n);
    return full;
}

// UTF-8 output on a real console for as long as the program runs; the console's own code page is
// given back at the end, since the console outlives the program.
class Utf8Console {
public:
    Utf8Console() : previous_(::GetConsoleOutputCP()) { ::SetConsoleOutputCP(CP_UTF8); }
    Utf8Console(const Utf8Console&) = delete;
    Utf8Console& operator=(const Utf8Console&) = delete;
    ~Utf8Console() {
        if (previous_ != 0) ::SetConsoleOutputCP(previous_);
    }

private:
    UINT previous_;
};

int Run() {
    Utf8Console utf8;
    console::Options options;
    std::wstring error;
    if (!console::ParseOptions(Arguments(), options, error)) {
        PrintError(error);
        Print(stderr, WideToUtf8(console::Usage()));
        return console::exitcode::Usage;
    }
    if (options.help) {
        PrintOut(WideToUtf8(console::Usage()));
        return 0;
    }
    win32::DebuggerTrace debugger;
    std::unique_ptr<win32::TraceFile> traceFile;
    if (!options.trace.empty() && !(traceFile = win32::TraceFile::Open(FullPath(options.trace), error))) {
        PrintError(L"--trace: " + options.trace + L" " + error);
        return console::exitcode::Usage;
    }

    // The same start-up as the window: the translation, the second-copy test, the detections.
    win32::Win32System real;
    win32::ProgramLanguageResources resources(real);
    LanguageState language;
    if (!startup::LoadEnglish(resources, language, error)) {
        PrintError(L"the English translation resource is missing or broken: " + error);
        return console::exitcode::Internal;
    }
    console::ConsoleHost host(language.translation, PrintOut, options.yes);
    win32::InstanceGuard instance;
    if (instance.AnotherRunning()) {
        host.MsgBox(box::AlreadyRunning, false);
        return console::exitcode::AlreadyRunning;
    }

    if (!options.restore.empty()) {
        RestoreResult result = RestoreRun(real, host, FullPath(options.restore), {options.dryRun, options.anyMachine},
                                          [](const std::wstring& line) { PrintOut(WideToUtf8(line) + "\n"); });
        return console::ExitCode(result);
    }
    console::RestartSuppressor suppressed(real, PrintOut);
    // A scan sees the machine only through the what-if machine, which keeps every change in memory.
    WhatIfSystem whatIf(real);
    System& sys = options.scan ? static_cast<System&>(whatIf)
                  : options.noRestart ? static_cast<System&>(suppressed) : real;
    Engine e(sys, host, language.translation);
    switch (startup::LoadBoundDetections(e, error)) {
    case startup::BoundDetections::Loaded:
        break;
    case startup::BoundDetections::Missing:
        PrintError(error + L"; refusing to run without detections");
        return console::exitcode::DatabaseRefused;
    case startup::BoundDetections::Refused:
        PrintError(L"the signature database was refused: " + error);
        return console::exitcode::DatabaseRefused;
    }

    if (!options.extraDetections.empty()) {
        auto extra = startup::AddExtraDetections(sys, e, FullPath(options.extraDetections), error);
        if (!extra) {
            PrintError(L"the extra detections file " + options.extraDetections + L" " + error);
            return console::exitcode::ExtraUnreadable;
        }
        for (const auto& message : extra->rejected) PrintError(options.extraDetections + L": " + message);
        PrintError(std::to_wstring(extra->added) + L" extra detections added from " + options.extraDetections);
    }

    // START: the folder stands where the picker's choice would.
    const std::wstring folder = options.logFolder.empty() ? std::wstring() : FullPath(options.logFolder);
    if (!folder.empty() && !console::CheckLogFolder(real, folder, error)) {
        PrintError(error);
        return console::exitcode::Usage;
    }
    if (options.scan) return console::ScanCommand(e, whatIf, real, folder, PrintOut, PrintError);
    RunOutcome outcome = StartCleaning(e, [&folder] { return folder; });
    if (!e.lastRecord.empty()) PrintError(L"the run's record: " + e.lastRecord);
    else if (outcome != RunOutcome::ProgramEnded)
        PrintError(L"no record of the run could be written in " + e.folders.LogFolder +
                   L"; nothing was changed: choose another folder with --log-folder");
    return console::ExitCode(outcome);
}

}  // namespace

int main() {
    // An unattended run must never stop at a "No disk" box: the autorun pass looks at every drive,
    // empty card readers and floppy drives included.
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    return console::Guarded(Run, PrintError);
}
