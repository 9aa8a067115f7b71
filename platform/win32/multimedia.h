// The multimedia command interface (the MIDI sequencer behind the hidden tune).
#pragma once

#include <string>

namespace pell::win32 {

// mciSendString with no return buffer and no callback window; its result (0 = done).
long SendMultimediaCommand(const std::wstring& command);

}  // namespace pell::win32
