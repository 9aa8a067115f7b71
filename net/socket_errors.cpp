// The socket library's error texts, and the raising of the socket object's run-time errors.
#include "net/socket_errors.h"

#include "base/runtime_error.h"

namespace pell::net {

void RaiseSocketError(std::uint32_t number, const wchar_t* source, std::wstring description) {
    throw RuntimeError(number, source, std::move(description));
}

void RaiseLibraryError(long code, const wchar_t* source) {
    RaiseSocketError(static_cast<std::uint32_t>(code), source, SocketErrorText(code));
}

std::wstring SocketErrorText(long code) {
    struct Entry {
        long code;
        const wchar_t* text;
    };
    static constexpr Entry kTable[] = {
        {10004, L"Interrupted function call."},
        {10013, L"Permission denied."},
        {10014, L"Bad address."},
        {10022, L"Invalid argument."},
        {10024, L"Too many open files."},
        {10035, L"Resource temporarily unavailable."},
        {10036, L"Operation now in progress."},
        {10037, L"Operation already in progress."},
        {10038, L"Socket operation on nonsocket."},
        {10039, L"Destination address required."},
        {10040, L"Message too long."},
        {10041, L"Protocol wrong type for socket."},
        {10042, L"Bad protocol option."},
        {10043, L"Protocol not supported."},
        {10044, L"Socket type not supported."},
        {10045, L"Operation not supported."},
        {10046, L"Protocol family not supported."},
        {10047, L"Address family not supported by protocol family."},
        {10048, L"Address already in use."},
        {10049, L"Cannot assign requested address."},
        {10050, L"Network is down."},
        {10051, L"Network is unreachable."},
        {10052, L"Network dropped connection on reset."},
        {10053, L"Software caused connection abort."},
        {10054, L"Connection reset by peer."},
        {10055, L"No buffer space available."},
        {10056, L"Socket is already connected."},
        {10057, L"Socket is not connected."},
        {10058, L"Cannot send after socket shutdown."},
        {10060, L"Connection timed out."},
        {10061, L"Connection refused."},
        {10065, L"No route to host."},
        {10067, L"Too many processes."},
        {10091, L"Network subsystem is unavailable."},
        {10092, L"Winsock.dll version out of range."},
        {10093, L"Successful WSAStartup not yet performed."},
        {11001, L"Host not found."},
        {11002, L"Nonauthoritative host not found."},
        {11003, L"This is a nonrecoverable error."},
        {11004, L"Valid name, no data record of requested type."},
    };
    for (const Entry& e : kTable)
        if (e.code == code) return e.text;
    return L"Unknown error.";
}

}  // namespace pell::net
