// Reading a port argument and checking its range.
#include "net/port_argument.h"

#include <limits>

#include "base/text.h"
#include "net/socket_errors.h"

namespace pell::net {

PortArgument::PortArgument(std::wstring_view text) {
    // Blanks around the number are allowed, as a typed-in port would carry them; anything else is not
    // a number, and neither is one too large for a long.
    const auto value = ParseDecimal(TrimBlanks(text), std::numeric_limits<std::int32_t>::min(),
                                    std::numeric_limits<std::int32_t>::max());
    if (value) number_ = static_cast<long>(*value);
}

long PortArgument::Value(const wchar_t* source) const {
    if (!number_) RaiseSocketError(socketerror::UnsupportedType, source, L"Unsupported variant type.");
    return *number_;
}

long CheckedPort(const PortArgument& port, long lowest, const wchar_t* source) {
    const long value = port.Value(source);
    if (value < lowest || value > 65535) RaiseSocketError(socketerror::OutOfRange, source, kOutOfRangeText);
    return value;
}

}  // namespace pell::net
