// The hidden tune's steps: stop, write once, open, play.
#include "ui/about_tune.h"

#include "base/files.h"
#include "ui/about_layout.h"

namespace pell::about {

HiddenTune::HiddenTune(System& sys, Sequencer sequencer, TuneBytes bytes, std::uintptr_t windowHandle)
    : sys_(sys), sequencer_(std::move(sequencer)), bytes_(std::move(bytes)), windowHandle_(windowHandle) {}

std::wstring HiddenTune::TempFolder() {
    std::wstring folder;
    if (sys_.GetTempPath(folder) == 0) return L"";
    if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
    return folder;
}

void HiddenTune::Stop() {
    sequencer_(L"stop midi");
    sequencer_(L"close midi");
}

long HiddenTune::Play() {
    // Without a temporary folder the name would fall back to the current folder, which is no place to
    // leave a file behind; the click then only ends what plays.
    const std::wstring folder = TempFolder();
    Stop();
    if (folder.empty()) return -1;
    const std::wstring file = TuneFileName(folder, windowHandle_);
    if (!tuneWritten_) {
        // Set before writing: a file that cannot be written is not tried again, the open then fails and
        // nothing plays.
        tuneWritten_ = true;
        if (auto bytes = bytes_()) WriteWholeFile(sys_, file, *bytes);
    }
    // The sequencer's command parser splits at blanks, so a folder with one in its name is quoted.
    const std::wstring operand = file.find(L' ') == std::wstring::npos ? file : L"\"" + file + L"\"";
    const long opened = sequencer_(L"open " + operand + L" type sequencer alias midi");
    if (opened == 0) sequencer_(L"play midi");
    return opened;
}

void HiddenTune::StopAndDelete() {
    Stop();
    const std::wstring folder = TempFolder();
    if (!folder.empty()) sys_.DeleteFile(TuneFileName(folder, windowHandle_));
}

}  // namespace pell::about
