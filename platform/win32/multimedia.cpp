// The multimedia command interface.
#include "platform/win32/multimedia.h"

#include "platform/win32/win32_api.h"

namespace pell::win32 {

long SendMultimediaCommand(const std::wstring& command) {
    return static_cast<long>(::mciSendStringW(command.c_str(), nullptr, 0, nullptr));
}

}  // namespace pell::win32
