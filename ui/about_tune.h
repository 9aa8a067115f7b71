// The hidden tune: written once to the temporary folder, played through the MIDI sequencer on each click
// on the about box's icon, stopped and deleted when the program closes.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "base/system.h"

namespace pell::about {

class HiddenTune {
public:
    // A multimedia command string sent with no return buffer and no callback window; its result (0 = done).
    using Sequencer = std::function<long(const std::wstring& command)>;
    // The tune's bytes as bound into the program; nothing when the resource is missing.
    using TuneBytes = std::function<std::optional<std::string>()>;

    // `windowHandle` names the file: the main program window's handle, the same for the whole run.
    HiddenTune(System& sys, Sequencer sequencer, TuneBytes bytes, std::uintptr_t windowHandle);

    // A click on the icon: ends any tune still playing, writes the file on the first click only, opens
    // it and plays it when the open succeeded. Returns the open command's result, or -1 when the
    // temporary folder is unknown (nothing is sent then but the stop).
    long Play();
    // CLOSE: stops and closes the tune and deletes its file; every failure is ignored.
    void StopAndDelete();

    bool TuneWritten() const { return tuneWritten_; }

private:
    // The temporary folder with its trailing backslash, empty when the system has none to give.
    std::wstring TempFolder();
    void Stop();

    System& sys_;
    Sequencer sequencer_;
    TuneBytes bytes_;
    std::uintptr_t windowHandle_;
    bool tuneWritten_ = false;
};

}  // namespace pell::about
