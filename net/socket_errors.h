// The errors of the socket object: the run-time errors it raises to its caller, and the description each
// error code of the socket library stands for.
#pragma once

#include <cstdint>
#include <string>

namespace pell::net {

// The run-time errors the object raises to its caller (as pell::RuntimeError).
namespace socketerror {
constexpr std::uint32_t OutOfMemory = 7;
constexpr std::uint32_t WrongState = 40006;       // send or read outside a connection
constexpr std::uint32_t OutOfRange = 40014;       // a port or length out of range, or a bad local address
constexpr std::uint32_t UnsupportedType = 40018;  // a port that is not a number
constexpr std::uint32_t InvalidOperation = 40020;
}  // namespace socketerror

// The descriptions that go with the object's own errors.
inline constexpr wchar_t kInvalidStateText[] = L"Invalid operation at current state";
inline constexpr wchar_t kWrongStateText[] =
    L"Wrong protocol or connection state for the requested transaction or request";
inline constexpr wchar_t kOutOfRangeText[] =
    L"The argument passed to a function was not in the correct format or in the specified range.";

// The description the socket library's error code stands for ("Unknown error." for others).
std::wstring SocketErrorText(long code);

// Raise `number` to the caller, with `source` and `description`.
[[noreturn]] void RaiseSocketError(std::uint32_t number, const wchar_t* source, std::wstring description);
// Raise the socket library's error `code` with its description.
[[noreturn]] void RaiseLibraryError(long code, const wchar_t* source);

}  // namespace pell::net
