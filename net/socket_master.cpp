// The socket object and the per-process module behind it: the socket library's start and stop, the one
// hidden message window, and the tables that route each notification to the object it belongs to.
#include "net/socket_master.h"

#include <algorithm>
#include <map>
#include <new>
#include <utility>

#include "base/runtime_error.h"
#include "platform/win32/win32_api.h"

namespace pell::net {
namespace {

constexpr UINT kResolveMessage = 0x800;  // a host look-up finished
constexpr UINT kSocketMessage = 0x801;   // a socket notification
constexpr long kNotifications = FD_READ | FD_WRITE | FD_ACCEPT | FD_CONNECT | FD_CLOSE;  // 59
constexpr int kLookupBufferSize = MAXGETHOSTSTRUCT;                                        // 1024
constexpr int kListenBacklog = 5;
constexpr int kFallbackChunk = 8192;  // when the socket will not tell its buffer sizes

const wchar_t kInvalidState[] = L"Invalid operation at current state";
const wchar_t kWrongState[] = L"Wrong protocol or connection state for the requested transaction or request";
const wchar_t kOutOfRange[] =
    L"The argument passed to a function was not in the correct format or in the specified range.";

[[noreturn]] void Raise(std::uint32_t number, const wchar_t* source, std::wstring description) {
    throw RuntimeError(number, source, std::move(description));
}
[[noreturn]] void RaiseLibrary(long code, const wchar_t* source) {
    Raise(static_cast<std::uint32_t>(code), source, SocketErrorText(code));
}

std::string ToAnsi(std::wstring_view text) {
    if (text.empty()) return {};
    int n = ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(std::max(n, 0)), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}
std::wstring FromAnsi(std::string_view bytes) {
    if (bytes.empty()) return {};
    int n = ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(std::max(n, 0)), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), out.data(), n);
    return out;
}

// Four decimal parts of at most three digits, each up to 255: only such a host skips the look-up.
bool ParseDotted(std::wstring_view text, std::uint32_t& networkOrder) {
    std::uint32_t value = 0;
    int parts = 0;
    std::size_t i = 0;
    while (parts < 4) {
        std::size_t digits = 0;
        unsigned part = 0;
        while (i < text.size() && text[i] >= L'0' && text[i] <= L'9' && digits < 3) {
            part = part * 10 + static_cast<unsigned>(text[i] - L'0');
            ++i;
            ++digits;
        }
        if (digits == 0 || part > 255) return false;
        value = (value << 8) | part;
        if (++parts < 4) {
            if (i >= text.size() || text[i] != L'.') return false;
            ++i;
        }
    }
    if (i != text.size()) return false;
    networkOrder = ::htonl(value);
    return true;
}

std::wstring Dotted(const in_addr& address) { return FromAnsi(::inet_ntoa(address)); }

// The module: one per process, used from the one thread that runs the message loop.
struct Module {
    int objects = 0;
    bool libraryStarted = false;
    HWND window = nullptr;
    WNDPROC previous = nullptr;
    std::map<SOCKET, std::weak_ptr<CSocketMaster>> sockets;
    std::map<HANDLE, std::weak_ptr<CSocketMaster>> lookups;
    // Incoming connections between their acceptance by the listener and the owner's Accept.
    std::map<SOCKET, std::shared_ptr<CSocketMaster>> waiting;
};
Module& TheModule() {
    static Module module;
    return module;
}

// The window procedure of the message window: socket notifications and finished look-ups go to the
// object that owns the socket or the request, which is kept alive for the length of the call; other
// messages go on to the window's own procedure.
LRESULT CALLBACK Dispatch(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Module& m = TheModule();
    std::shared_ptr<CSocketMaster> owner;
    if (msg == kSocketMessage) {
        auto it = m.sockets.find(static_cast<SOCKET>(wParam));
        if (it != m.sockets.end()) owner = it->second.lock();
    } else if (msg == kResolveMessage) {
        auto it = m.lookups.find(reinterpret_cast<HANDLE>(wParam));
        if (it != m.lookups.end()) owner = it->second.lock();
    } else {
        return ::CallWindowProcW(m.previous, hwnd, msg, wParam, lParam);
    }
    if (owner) {
        // Nothing may unwind through the system's message dispatch: an error that reaches here (a
        // failed read, or one an event handler let escape) ends with this notification.
        try {
            owner->WndProc(reinterpret_cast<std::uintptr_t>(hwnd), msg, wParam, lParam);
        } catch (...) {
        }
    }
    return 0;
}

void InitiateProcesses() {
    Module& m = TheModule();
    if (!m.libraryStarted) {
        WSADATA data;
        int rc = ::WSAStartup(MAKEWORD(1, 1), &data);
        if (rc != 0) RaiseLibrary(rc, L"modSocketMaster.InitiateProcesses");
        m.libraryStarted = true;
    }
    ++m.objects;
}

// Called from destructors, so a failure to stop the library is not raised: nothing could catch it.
void FinalizeProcesses() {
    Module& m = TheModule();
    if (--m.objects == 0 && m.libraryStarted) {
        ::WSACleanup();
        m.libraryStarted = false;
    }
}

void RegisterSocket(SOCKET s, const std::shared_ptr<CSocketMaster>& owner, bool notify) {
    Module& m = TheModule();
    if (m.window == nullptr) {
        HWND w = ::CreateWindowExW(0, L"STATIC", L"SOCKET_WINDOW", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                   ::GetModuleHandleW(nullptr), nullptr);
        if (w == nullptr) Raise(socketerror::OutOfMemory, L"modSocketMaster.RegisterSocket", L"Out of memory");
        m.previous = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrW(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Dispatch)));
        m.window = w;
    }
    m.sockets[s] = owner;
    if (notify && ::WSAAsyncSelect(s, m.window, kSocketMessage, kNotifications) == SOCKET_ERROR) {
        RaiseLibrary(::WSAGetLastError(), L"modSocketMaster.RegisterSocket");
    }
}

void DestroyWinsockMessageWindow() {
    Module& m = TheModule();
    if (m.window == nullptr) return;
    HWND w = std::exchange(m.window, nullptr);
    ::SetWindowLongPtrW(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m.previous));
    m.previous = nullptr;
    if (!::DestroyWindow(w)) {
        Raise(socketerror::OutOfMemory, L"modSocketMaster.DestroyWinsockMessageWindow", L"Out of memory");
    }
}

void UnregisterSocket(SOCKET s) {
    Module& m = TheModule();
    m.sockets.erase(s);
    if (m.sockets.empty() && m.lookups.empty()) DestroyWinsockMessageWindow();
}

}  // namespace

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

PortArgument::PortArgument(std::wstring_view text) {
    // Blanks around the number are allowed, as a typed-in port would carry them; anything else is not
    // a number.
    std::size_t b = text.find_first_not_of(L' '), e = text.find_last_not_of(L' ');
    if (b == std::wstring_view::npos) return;
    text = text.substr(b, e - b + 1);
    bool negative = text.front() == L'-';
    if (negative || text.front() == L'+') text.remove_prefix(1);
    if (text.empty() || text.size() > 9) return;
    long value = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') return;
        value = value * 10 + (c - L'0');
    }
    number_ = negative ? -value : value;
}

long PortArgument::Value(const wchar_t* source) const {
    if (!number_) Raise(socketerror::UnsupportedType, source, L"Unsupported variant type.");
    return *number_;
}

namespace {
long CheckedPort(const PortArgument& port, long lowest, const wchar_t* source) {
    long value = port.Value(source);
    if (value < lowest || value > 65535) Raise(socketerror::OutOfRange, source, kOutOfRange);
    return value;
}
}  // namespace

CSocketMaster::CSocketMaster() {
    InitiateProcesses();
    counted_ = true;
}

std::shared_ptr<CSocketMaster> CSocketMaster::Create() {
    return std::shared_ptr<CSocketMaster>(new CSocketMaster());
}

CSocketMaster::~CSocketMaster() {
    CancelLookups();
    if (!acceptedHolder_ && socket_ != -1) {
        SOCKET s = static_cast<SOCKET>(std::exchange(socket_, -1));
        ::closesocket(s);
        try {
            UnregisterSocket(s);
        } catch (...) {  // a message window that would not go: nothing a destructor could do about it
        }
    }
    if (counted_) FinalizeProcesses();
}

void CSocketMaster::SetRemoteHost(std::wstring host) {
    if (protocol_ == SocketProtocol::Tcp && state_ != SocketState::Closed)
        Raise(socketerror::InvalidOperation, L"CSocketMaster.RemoteHost", kInvalidState);
    remoteHost_ = std::move(host);
}

void CSocketMaster::SetRemotePort(PortArgument port) {
    if (protocol_ == SocketProtocol::Tcp && state_ != SocketState::Closed)
        Raise(socketerror::InvalidOperation, L"CSocketMaster.RemotePort", kInvalidState);
    remotePort_ = CheckedPort(port, 0, L"CSocketMaster.RemotePort");
}

void CSocketMaster::SetLocalPort(PortArgument port) {
    if (state_ != SocketState::Closed) Raise(socketerror::InvalidOperation, L"CSocketMaster.LocalPort", kInvalidState);
    localPort_ = CheckedPort(port, 0, L"CSocketMaster.LocalPort");
}

void CSocketMaster::SetProtocol(SocketProtocol protocol) {
    if (state_ != SocketState::Closed) Raise(socketerror::InvalidOperation, L"CSocketMaster.Protocol", kInvalidState);
    protocol_ = protocol;
}

std::wstring CSocketMaster::LocalHostName() const {
    char name[256] = {};
    if (::gethostname(name, sizeof(name) - 1) != 0) return {};
    return FromAnsi(name);
}

std::wstring CSocketMaster::LocalIP() const {
    if (!boundIP_.empty()) return boundIP_;
    std::string name = ToAnsi(LocalHostName());
    const hostent* host = name.empty() ? nullptr : ::gethostbyname(name.c_str());
    if (host == nullptr || host->h_addrtype != AF_INET || host->h_addr_list[0] == nullptr) return {};
    return Dotted(*reinterpret_cast<const in_addr*>(host->h_addr_list[0]));
}

long CSocketMaster::BytesReceived() const {
    if (protocol_ == SocketProtocol::Tcp || socket_ == -1) return static_cast<long>(recvBuffer_.size());
    u_long waiting = 0;
    ::ioctlsocket(static_cast<SOCKET>(socket_), FIONREAD, &waiting);
    return static_cast<long>(waiting);
}

void CSocketMaster::RaiseError(long number, const wchar_t* source) {
    SocketErrorEvent event;
    event.number = number;
    event.description = SocketErrorText(number);
    event.source = source;
    if (OnError) OnError(event);
    if (!event.cancelDisplay) ::MessageBoxW(nullptr, event.description.c_str(), event.source.c_str(), MB_OK);
}

bool CSocketMaster::SocketExists() {
    if (socket_ != -1) return true;
    const bool tcp = protocol_ == SocketProtocol::Tcp;
    SOCKET s = ::socket(AF_INET, tcp ? SOCK_STREAM : SOCK_DGRAM, tcp ? IPPROTO_TCP : IPPROTO_UDP);
    if (s == INVALID_SOCKET) {
        state_ = SocketState::Error;
        RaiseError(::WSAGetLastError(), L"CSocketMaster.SocketExists");
        return false;
    }
    socket_ = static_cast<std::intptr_t>(s);
    // The socket's own buffer sizes are the chunks data moves in; a datagram socket moves whole datagrams.
    int send = 0, recv = 0, size = sizeof(int);
    int option = tcp ? SO_SNDBUF : SO_MAX_MSG_SIZE;
    if (::getsockopt(s, SOL_SOCKET, option, reinterpret_cast<char*>(&send), &size) == SOCKET_ERROR)
        RaiseLibrary(::WSAGetLastError(), L"CSocketMaster.ProcessOptions");
    size = sizeof(int);
    if (tcp && ::getsockopt(s, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<char*>(&recv), &size) == SOCKET_ERROR)
        RaiseLibrary(::WSAGetLastError(), L"CSocketMaster.ProcessOptions");
    if (!tcp) {
        recv = send;
        BOOL on = TRUE;
        ::setsockopt(s, SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char*>(&on), sizeof(on));
    }
    sendChunk_ = send > 0 ? send : kFallbackChunk;
    recvChunk_ = recv > 0 ? recv : kFallbackChunk;
    RegisterSocket(s, shared_from_this(), true);
    return true;
}

void CSocketMaster::Connect(std::optional<std::wstring> remoteHost, std::optional<PortArgument> remotePort) {
    if (state_ != SocketState::Closed) Raise(socketerror::InvalidOperation, L"CSocketMaster.Connect", kInvalidState);
    if (remoteHost) remoteHost_ = std::move(*remoteHost);
    if (remotePort) remotePort_ = CheckedPort(*remotePort, 1, L"CSocketMaster.Connect");
    if (!SocketExists()) return;
    if (protocol_ == SocketProtocol::Udp) {
        BindInternal(localPort_, std::nullopt, L"CSocketMaster.Connect");
        state_ = SocketState::Open;
        return;
    }
    std::uint32_t address = 0;
    if (ParseDotted(remoteHost_, address)) {
        ConnectToIP(address, false);
    } else {
        ResolveIfHostname(remoteHost_);
    }
}

void CSocketMaster::ResolveIfHostname(const std::wstring& host) {
    const wchar_t* source = L"CSocketMaster.ResolveIfHostname";
    state_ = SocketState::ResolvingHost;
    lookupBuffer_.reset(new (std::nothrow) char[kLookupBufferSize]);
    if (!lookupBuffer_) {
        state_ = SocketState::Error;
        Raise(socketerror::OutOfMemory, source, L"Out of memory");
    }
    std::string name = ToAnsi(host);
    HANDLE request = ::WSAAsyncGetHostByName(TheModule().window, kResolveMessage, name.c_str(), lookupBuffer_.get(),
                                             kLookupBufferSize);
    if (request == nullptr) {
        long error = ::WSAGetLastError();
        lookupBuffer_.reset();
        state_ = SocketState::Error;
        RaiseError(error, source);
        return;
    }
    lookupRequest_ = reinterpret_cast<std::uintptr_t>(request);
    TheModule().lookups[request] = weak_from_this();
}

void CSocketMaster::CancelLookups() {
    if (lookupRequest_ != 0) {
        HANDLE request = reinterpret_cast<HANDLE>(std::exchange(lookupRequest_, 0));
        ::WSACancelAsyncRequest(request);
        TheModule().lookups.erase(request);
    }
    lookupBuffer_.reset();
}

void CSocketMaster::PostResolution(std::uintptr_t request, long error) {
    if (state_ != SocketState::ResolvingHost || request != lookupRequest_) return;
    TheModule().lookups.erase(reinterpret_cast<HANDLE>(request));
    lookupRequest_ = 0;
    std::unique_ptr<char[]> buffer = std::move(lookupBuffer_);
    const hostent* host = reinterpret_cast<const hostent*>(buffer.get());
    if (error == 0 && (host->h_addrtype != AF_INET || host->h_addr_list[0] == nullptr)) error = WSANO_DATA;
    if (error != 0) {
        state_ = SocketState::Error;
        RaiseError(error, L"CSocketMaster.ConnectToIP");
        return;
    }
    state_ = SocketState::HostResolved;
    std::uint32_t address = reinterpret_cast<const in_addr*>(host->h_addr_list[0])->s_addr;
    buffer.reset();
    ConnectToIP(address, true);
}

void CSocketMaster::ConnectToIP(std::uint32_t address, bool fromNotification) {
    const wchar_t* source = L"CSocketMaster.ConnectToIP";
    SOCKET s = static_cast<SOCKET>(socket_);
    // Bound to any local address: the machine's own host name may name a loopback alias, an interface
    // with no route to the server, or nothing at all, and a socket bound there could not connect.
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    local.sin_port = htons(static_cast<u_short>(localPort_));
    if (::bind(s, reinterpret_cast<const sockaddr*>(&local), sizeof(local)) == SOCKET_ERROR) {
        long error = ::WSAGetLastError();
        state_ = SocketState::Error;
        if (!fromNotification) RaiseLibrary(error, L"CSocketMaster.BindInternal");
        RaiseError(error, L"CSocketMaster.BindInternal");
        return;
    }
    ReadAddresses();
    state_ = SocketState::Connecting;
    sockaddr_in remote{};
    remote.sin_family = AF_INET;
    remote.sin_addr.s_addr = address;
    remote.sin_port = htons(static_cast<u_short>(remotePort_));
    if (::connect(s, reinterpret_cast<const sockaddr*>(&remote), sizeof(remote)) == SOCKET_ERROR) {
        long error = ::WSAGetLastError();
        if (error == WSAEWOULDBLOCK) return;  // the connect notification follows
        if (error == WSAEADDRNOTAVAIL && !fromNotification) RaiseLibrary(error, source);
        state_ = SocketState::Error;
        RaiseError(error, source);
    }
}

// The bound local address and port, and the peer's once there is one.
void CSocketMaster::ReadAddresses() {
    SOCKET s = static_cast<SOCKET>(socket_);
    sockaddr_in a{};
    int size = sizeof(a);
    if (::getsockname(s, reinterpret_cast<sockaddr*>(&a), &size) == 0) {
        boundPort_ = ntohs(a.sin_port);
        boundIP_ = Dotted(a.sin_addr);
    }
    size = sizeof(a);
    if (::getpeername(s, reinterpret_cast<sockaddr*>(&a), &size) == 0) {
        remotePort_ = ntohs(a.sin_port);
        remoteHostIP_ = Dotted(a.sin_addr);
    }
}

void CSocketMaster::WndProc(std::uintptr_t, unsigned msg, std::uintptr_t wParam, std::intptr_t lParam) {
    if (msg == kSocketMessage) {
        PostSocket(WSAGETSELECTEVENT(lParam), WSAGETSELECTERROR(lParam));
    } else if (msg == kResolveMessage) {
        PostResolution(wParam, WSAGETASYNCERROR(lParam));
    }
}

void CSocketMaster::PostSocket(unsigned event, long error) {
    if (error != 0) {
        state_ = SocketState::Error;
        RaiseError(error, L"CSocketMaster.PostSocket");
        return;
    }
    switch (event) {
    case FD_CONNECT:
        if (state_ != SocketState::Connecting) return;
        ReadAddresses();
        state_ = SocketState::Connected;
        if (OnConnect) OnConnect();
        break;
    case FD_WRITE:
        if (state_ == SocketState::Connected && !sendBuffer_.empty()) SendBufferedData();
        break;
    case FD_READ:
        if (protocol_ == SocketProtocol::Udp) {
            if (state_ == SocketState::Open && OnDataArrival) OnDataArrival(BytesReceived());
        } else if (state_ == SocketState::Connected) {
            RecvDataToBuffer();
        }
        break;
    case FD_CLOSE:
        if (state_ != SocketState::Connected) return;
        // What the peer sent before closing is read first, so the owner sees every byte before the close
        // (a read notification may still be queued behind this one; it then finds the socket closing).
        for (long before = -1; before != static_cast<long>(recvBuffer_.size()) && state_ == SocketState::Connected;) {
            before = static_cast<long>(recvBuffer_.size());
            RecvDataToBuffer();
        }
        if (state_ != SocketState::Connected) return;
        state_ = SocketState::Closing;
        if (OnCloseSck) OnCloseSck();
        break;
    case FD_ACCEPT:
        if (state_ == SocketState::Listening) AcceptIncoming();
        break;
    default:
        break;
    }
}

void CSocketMaster::RecvDataToBuffer() {
    std::string chunk(static_cast<std::size_t>(recvChunk_ > 0 ? recvChunk_ : kFallbackChunk), '\0');
    int n = ::recv(static_cast<SOCKET>(socket_), chunk.data(), static_cast<int>(chunk.size()), 0);
    if (n == SOCKET_ERROR) {
        long error = ::WSAGetLastError();
        if (error == WSAEWOULDBLOCK) return;  // a notification for data already taken: nothing came
        state_ = SocketState::Error;
        RaiseLibrary(error, L"CSocketMaster.RecvDataToBuffer");
    }
    if (n <= 0) return;
    recvBuffer_.append(chunk.data(), static_cast<std::size_t>(n));
    if (OnDataArrival) OnDataArrival(static_cast<long>(recvBuffer_.size()));
}

void CSocketMaster::SendData(std::wstring_view text) { SendData(std::string_view(ToAnsi(text))); }

void CSocketMaster::SendData(std::string_view bytes) {
    if (protocol_ == SocketProtocol::Tcp) {
        if (state_ != SocketState::Connected)
            Raise(socketerror::WrongState, L"CSocketMaster.SendData", kWrongState);
        if (bytes.empty()) return;
        const bool wasEmpty = sendBuffer_.empty();
        sendBuffer_.append(bytes);
        if (wasEmpty) SendBufferedData();
        return;
    }
    if (!SocketExists()) return;
    if (state_ == SocketState::Closed) {
        BindInternal(localPort_, std::nullopt, L"CSocketMaster.SendData");
        state_ = SocketState::Open;
    }
    if (bytes.empty()) return;
    std::uint32_t address = 0;
    if (!ParseDotted(remoteHost_, address)) {
        std::string name = ToAnsi(remoteHost_);
        const hostent* host = ::gethostbyname(name.c_str());
        if (host == nullptr || host->h_addr_list[0] == nullptr)
            RaiseLibrary(::WSAGetLastError(), L"CSocketMaster.SendData");
        address = reinterpret_cast<const in_addr*>(host->h_addr_list[0])->s_addr;
    }
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = address;
    to.sin_port = htons(static_cast<u_short>(remotePort_));
    if (::sendto(static_cast<SOCKET>(socket_), bytes.data(), static_cast<int>(bytes.size()), 0,
                 reinterpret_cast<const sockaddr*>(&to), sizeof(to)) == SOCKET_ERROR)
        RaiseLibrary(::WSAGetLastError(), L"CSocketMaster.SendData");
    if (OnSendProgress) OnSendProgress(static_cast<long>(bytes.size()), 0);
    if (OnSendComplete) OnSendComplete();
}

void CSocketMaster::SendBufferedData() {
    // Handlers may close the socket or send more; each round looks at the buffer afresh.
    while (!sendBuffer_.empty() && socket_ != -1) {
        int length = static_cast<int>(std::min<std::size_t>(sendBuffer_.size(), static_cast<std::size_t>(sendChunk_)));
        int n = ::send(static_cast<SOCKET>(socket_), sendBuffer_.data(), length, 0);
        if (n == SOCKET_ERROR) {
            long error = ::WSAGetLastError();
            if (error == WSAEWOULDBLOCK) {
                if (sentThisCall_ > 0 && OnSendProgress)
                    OnSendProgress(sentThisCall_, static_cast<long>(sendBuffer_.size()));
                return;
            }
            state_ = SocketState::Error;
            RaiseError(error, L"CSocketMaster.SendBufferedData");
            return;
        }
        sentThisCall_ += n;
        if (static_cast<std::size_t>(n) >= sendBuffer_.size()) {
            sendBuffer_.clear();
            long sent = std::exchange(sentThisCall_, 0);
            if (OnSendProgress) OnSendProgress(sent, 0);
            if (OnSendComplete) OnSendComplete();
        } else {
            sendBuffer_.erase(0, static_cast<std::size_t>(n));
        }
    }
}

void CSocketMaster::GetData(std::string& data, std::optional<long> maxLen) {
    ReadData(data, maxLen, true, L"CSocketMaster.GetData");
}

void CSocketMaster::PeekData(std::string& data, std::optional<long> maxLen) {
    ReadData(data, maxLen, false, L"CSocketMaster.PeekData");
}

void CSocketMaster::ReadData(std::string& data, std::optional<long> maxLen, bool remove, const wchar_t* source) {
    if (protocol_ == SocketProtocol::Tcp && state_ != SocketState::Connected && !(remove && acceptedHolder_))
        Raise(socketerror::WrongState, source, kWrongState);
    if (maxLen && *maxLen < 0) Raise(socketerror::OutOfRange, source, kOutOfRange);
    if (protocol_ == SocketProtocol::Udp) {
        // One whole datagram; the sender becomes the remote end.
        std::string datagram(static_cast<std::size_t>(std::max(BytesReceived(), 1L)), '\0');
        sockaddr_in from{};
        int size = sizeof(from);
        int n = ::recvfrom(static_cast<SOCKET>(socket_), datagram.data(), static_cast<int>(datagram.size()),
                           remove ? 0 : MSG_PEEK, reinterpret_cast<sockaddr*>(&from), &size);
        if (n == SOCKET_ERROR) RaiseLibrary(::WSAGetLastError(), source);
        datagram.resize(static_cast<std::size_t>(n));
        remoteHostIP_ = Dotted(from.sin_addr);
        remotePort_ = ntohs(from.sin_port);
        if (maxLen && static_cast<std::size_t>(*maxLen) < datagram.size()) datagram.resize(static_cast<std::size_t>(*maxLen));
        data = std::move(datagram);
        return;
    }
    std::size_t take = recvBuffer_.size();
    if (maxLen && static_cast<std::size_t>(*maxLen) < take) take = static_cast<std::size_t>(*maxLen);
    data.assign(recvBuffer_, 0, take);
    if (remove) recvBuffer_.erase(0, take);
}

void CSocketMaster::ResetBuffers() {
    boundPort_ = -1;
    boundIP_.clear();
    remoteHostIP_.clear();
    sendBuffer_.clear();
    recvBuffer_.clear();
    sendChunk_ = recvChunk_ = 0;
    sentThisCall_ = 0;
}

void CSocketMaster::CloseSck() {
    if (socket_ == -1) return;
    state_ = SocketState::Closing;
    CancelLookups();
    DestroySocket();
    ResetBuffers();
    state_ = SocketState::Closed;
}

void CSocketMaster::DestroySocket() {
    SOCKET s = static_cast<SOCKET>(std::exchange(socket_, -1));
    int rc = ::closesocket(s);
    long error = rc == SOCKET_ERROR ? ::WSAGetLastError() : 0;
    UnregisterSocket(s);
    if (rc == SOCKET_ERROR) {
        state_ = SocketState::Error;
        RaiseLibrary(error, L"CSocketMaster.DestroySocket");
    }
}

void CSocketMaster::BindInternal(long port, std::optional<std::wstring> localIP, const wchar_t* source) {
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(static_cast<u_short>(port));
    // Without an address the socket takes any local one, for the same reason as before connecting.
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    if (localIP && !localIP->empty()) {
        std::uint32_t address = 0;
        if (!ParseDotted(*localIP, address)) {
            std::string name = ToAnsi(*localIP);
            const hostent* host = ::gethostbyname(name.c_str());
            if (host == nullptr || host->h_addrtype != AF_INET || host->h_addr_list[0] == nullptr)
                Raise(socketerror::OutOfRange, source, L"Invalid argument");
            address = reinterpret_cast<const in_addr*>(host->h_addr_list[0])->s_addr;
        }
        local.sin_addr.s_addr = address;
    }
    if (::bind(static_cast<SOCKET>(socket_), reinterpret_cast<const sockaddr*>(&local), sizeof(local)) == SOCKET_ERROR)
        RaiseLibrary(::WSAGetLastError(), L"CSocketMaster.BindInternal");
    ReadAddresses();
}

void CSocketMaster::Bind(std::optional<PortArgument> localPort, std::optional<std::wstring> localIP) {
    const wchar_t* source = L"CSocketMaster.Bind";
    if (state_ != SocketState::Closed) Raise(socketerror::InvalidOperation, source, kInvalidState);
    long port = localPort ? CheckedPort(*localPort, 0, source) : localPort_;
    if (!SocketExists()) return;
    BindInternal(port, std::move(localIP), source);
    state_ = SocketState::Open;
}

void CSocketMaster::Listen() {
    const wchar_t* source = L"CSocketMaster.Listen";
    if (state_ != SocketState::Closed && state_ != SocketState::Open)
        Raise(socketerror::InvalidOperation, source, kInvalidState);
    if (state_ == SocketState::Closed) {
        if (!SocketExists()) return;
        BindInternal(localPort_, std::nullopt, source);
    }
    if (::listen(static_cast<SOCKET>(socket_), kListenBacklog) == SOCKET_ERROR)
        RaiseLibrary(::WSAGetLastError(), source);
    state_ = SocketState::Listening;
}

void CSocketMaster::AcceptIncoming() {
    sockaddr_in from{};
    int size = sizeof(from);
    SOCKET incoming = ::accept(static_cast<SOCKET>(socket_), reinterpret_cast<sockaddr*>(&from), &size);
    if (incoming == INVALID_SOCKET) {
        long error = ::WSAGetLastError();
        if (error != WSAEWOULDBLOCK) RaiseError(error, L"CSocketMaster.PostSocket");
        return;
    }
    Module& m = TheModule();
    auto holder = std::shared_ptr<CSocketMaster>(new CSocketMaster());
    holder->acceptedHolder_ = true;
    holder->socket_ = static_cast<std::intptr_t>(incoming);
    holder->state_ = SocketState::Connected;
    holder->recvChunk_ = holder->sendChunk_ = kFallbackChunk;
    // The accepted socket inherits the listener's notifications; until an owner takes it, they reach
    // the holder, which keeps what arrives.
    RegisterSocket(incoming, holder, false);
    m.waiting[incoming] = holder;

    const std::wstring listenerIP = std::exchange(remoteHostIP_, Dotted(from.sin_addr));
    const long listenerPort = std::exchange(remotePort_, static_cast<long>(ntohs(from.sin_port)));
    auto restore = [&] {
        if (state_ == SocketState::Listening) {
            remoteHostIP_ = listenerIP;
            remotePort_ = listenerPort;
        }
    };
    try {
        if (OnConnectionRequest) OnConnectionRequest(static_cast<std::intptr_t>(incoming));
    } catch (...) {
        restore();
        throw;
    }
    restore();
    auto left = m.waiting.find(incoming);
    if (left != m.waiting.end()) {  // not accepted during the event: refused
        std::shared_ptr<CSocketMaster> unaccepted = std::move(left->second);
        m.waiting.erase(left);
        unaccepted->socket_ = -1;
        ::closesocket(incoming);
        UnregisterSocket(incoming);
    }
}

void CSocketMaster::Accept(std::intptr_t requestID) {
    const wchar_t* source = L"CSocketMaster.Accept";
    if (state_ != SocketState::Closed) Raise(socketerror::InvalidOperation, source, kInvalidState);
    Module& m = TheModule();
    SOCKET s = static_cast<SOCKET>(requestID);
    bool peerClosed = false;
    auto waiting = m.waiting.find(s);
    if (waiting != m.waiting.end()) {
        std::shared_ptr<CSocketMaster> holder = std::move(waiting->second);
        m.waiting.erase(waiting);
        recvBuffer_ = std::move(holder->recvBuffer_);
        peerClosed = holder->state_ == SocketState::Closing;
        holder->socket_ = -1;
    }
    socket_ = requestID;
    int send = 0, recv = 0, size = sizeof(int);
    ::getsockopt(s, SOL_SOCKET, SO_SNDBUF, reinterpret_cast<char*>(&send), &size);
    size = sizeof(int);
    ::getsockopt(s, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<char*>(&recv), &size);
    sendChunk_ = send > 0 ? send : kFallbackChunk;
    recvChunk_ = recv > 0 ? recv : kFallbackChunk;
    RegisterSocket(s, shared_from_this(), true);
    ReadAddresses();
    state_ = SocketState::Connected;
    if (!recvBuffer_.empty() && OnDataArrival) OnDataArrival(static_cast<long>(recvBuffer_.size()));
    if (peerClosed && state_ == SocketState::Connected) {
        state_ = SocketState::Closing;
        if (OnCloseSck) OnCloseSck();
    }
}

}  // namespace pell::net
