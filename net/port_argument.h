// A port as a caller of the socket object may pass it: a number, or text that must read as one.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace pell::net {

class PortArgument {
public:
    PortArgument(long number) : number_(number) {}  // NOLINT: implicit on purpose
    PortArgument(int number) : number_(number) {}   // NOLINT
    PortArgument(std::wstring_view text);           // NOLINT
    PortArgument(const std::wstring& text) : PortArgument(std::wstring_view(text)) {}  // NOLINT
    PortArgument(const wchar_t* text) : PortArgument(std::wstring_view(text)) {}       // NOLINT
    // The number; raises 40018 for text that is not a number (source names the caller).
    long Value(const wchar_t* source) const;

private:
    std::optional<long> number_;
};

// The port's number, which must lie in [lowest, 65535]: raises 40018 for text that is not a number and
// 40014 for a number outside the range.
long CheckedPort(const PortArgument& port, long lowest, const wchar_t* source);

}  // namespace pell::net
