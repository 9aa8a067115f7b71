// The socket object: its states, its calls, and what it does with each notification the module hands it.
#include "net/socket_master.h"

#include <algorithm>
#include <new>
#include <utility>

#include "base/text.h"
#include "base/trace.h"
#include "net/socket_module.h"

namespace pell::net {
namespace {

constexpr int kLookupBufferSize = MAXGETHOSTSTRUCT;  // 1024
constexpr int kListenBacklog = 5;
constexpr int kFallbackChunk = 8192;  // when the socket will not tell its buffer sizes

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
    for (int part = 0; part < 4; ++part) {
        const std::size_t dot = part < 3 ? text.find(L'.') : text.size();
        if (dot == std::wstring_view::npos || dot > 3) return false;
        const auto number = ParseDecimal(text.substr(0, dot), 0, 255);
        if (!number) return false;
        value = (value << 8) | static_cast<std::uint32_t>(*number);
        text.remove_prefix(std::min(dot + 1, text.size()));
    }
    networkOrder = ::htonl(value);
    return true;
}

std::wstring Dotted(const in_addr& address) { return FromAnsi(::inet_ntoa(address)); }

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
            TraceCaught(L"CSocketMaster: the end of a socket object");
        }
    }
    if (counted_) FinalizeProcesses();
}

void CSocketMaster::SetRemoteHost(std::wstring host) {
    if (protocol_ == SocketProtocol::Tcp && state_ != SocketState::Closed)
        RaiseSocketError(socketerror::InvalidOperation, L"CSocketMaster.RemoteHost", kInvalidStateText);
    remoteHost_ = std::move(host);
}

void CSocketMaster::SetRemotePort(PortArgument port) {
    if (protocol_ == SocketProtocol::Tcp && state_ != SocketState::Closed)
        RaiseSocketError(socketerror::InvalidOperation, L"CSocketMaster.RemotePort", kInvalidStateText);
    remotePort_ = CheckedPort(port, 0, L"CSocketMaster.RemotePort");
}

void CSocketMaster::SetLocalPort(PortArgument port) {
    if (state_ != SocketState::Closed)
        RaiseSocketError(socketerror::InvalidOperation, L"CSocketMaster.LocalPort", kInvalidStateText);
    localPort_ = CheckedPort(port, 0, L"CSocketMaster.LocalPort");
}

void CSocketMaster::SetProtocol(SocketProtocol protocol) {
    if (state_ != SocketState::Closed)
        RaiseSocketError(socketerror::InvalidOperation, L"CSocketMaster.Protocol", kInvalidStateText);
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
    else Trace(source, L"error " + std::to_wstring(number) + L", " + event.description + L" (no Error handler)");
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
        RaiseLibraryError(::WSAGetLastError(), L"CSocketMaster.ProcessOptions");
    size = sizeof(int);
    if (tcp && ::getsockopt(s, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<char*>(&recv), &size) == SOCKET_ERROR)
        RaiseLibraryError(::WSAGetLastError(), L"CSocketMaster.ProcessOptions");
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
    if (state_ != SocketState::Closed)
        RaiseSocketError(socketerror::InvalidOperation, L"CSocketMaster.Connect", kInvalidStateText);
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
        RaiseSocketError(socketerror::OutOfMemory, source, L"Out of memory");
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
        if (!fromNotification) RaiseLibraryError(error, L"CSocketMaster.BindInternal");
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
        if (error == WSAEADDRNOTAVAIL && !fromNotification) RaiseLibraryError(error, source);
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
        RaiseLibraryError(error, L"CSocketMaster.RecvDataToBuffer");
    }
    if (n <= 0) return;
    recvBuffer_.append(chunk.data(), static_cast<std::size_t>(n));
    if (OnDataArrival) OnDataArrival(static_cast<long>(recvBuffer_.size()));
}

void CSocketMaster::SendData(std::wstring_view text) { SendData(std::string_view(ToAnsi(text))); }

void CSocketMaster::SendData(std::string_view bytes) {
    if (protocol_ == SocketProtocol::Tcp) {
        if (state_ != SocketState::Connected)
            RaiseSocketError(socketerror::WrongState, L"CSocketMaster.SendData", kWrongStateText);
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
            RaiseLibraryError(::WSAGetLastError(), L"CSocketMaster.SendData");
        address = reinterpret_cast<const in_addr*>(host->h_addr_list[0])->s_addr;
    }
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = address;
    to.sin_port = htons(static_cast<u_short>(remotePort_));
    if (::sendto(static_cast<SOCKET>(socket_), bytes.data(), static_cast<int>(bytes.size()), 0,
                 reinterpret_cast<const sockaddr*>(&to), sizeof(to)) == SOCKET_ERROR)
        RaiseLibraryError(::WSAGetLastError(), L"CSocketMaster.SendData");
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
        RaiseSocketError(socketerror::WrongState, source, kWrongStateText);
    if (maxLen && *maxLen < 0) RaiseSocketError(socketerror::OutOfRange, source, kOutOfRangeText);
    if (protocol_ == SocketProtocol::Udp) {
        // One whole datagram; the sender becomes the remote end.
        std::string datagram(static_cast<std::size_t>(std::max(BytesReceived(), 1L)), '\0');
        sockaddr_in from{};
        int size = sizeof(from);
        int n = ::recvfrom(static_cast<SOCKET>(socket_), datagram.data(), static_cast<int>(datagram.size()),
                           remove ? 0 : MSG_PEEK, reinterpret_cast<sockaddr*>(&from), &size);
        if (n == SOCKET_ERROR) RaiseLibraryError(::WSAGetLastError(), source);
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
        RaiseLibraryError(error, L"CSocketMaster.DestroySocket");
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
                RaiseSocketError(socketerror::OutOfRange, source, L"Invalid argument");
            address = reinterpret_cast<const in_addr*>(host->h_addr_list[0])->s_addr;
        }
        local.sin_addr.s_addr = address;
    }
    if (::bind(static_cast<SOCKET>(socket_), reinterpret_cast<const sockaddr*>(&local), sizeof(local)) == SOCKET_ERROR)
        RaiseLibraryError(::WSAGetLastError(), L"CSocketMaster.BindInternal");
    ReadAddresses();
}

void CSocketMaster::Bind(std::optional<PortArgument> localPort, std::optional<std::wstring> localIP) {
    const wchar_t* source = L"CSocketMaster.Bind";
    if (state_ != SocketState::Closed) RaiseSocketError(socketerror::InvalidOperation, source, kInvalidStateText);
    long port = localPort ? CheckedPort(*localPort, 0, source) : localPort_;
    if (!SocketExists()) return;
    BindInternal(port, std::move(localIP), source);
    state_ = SocketState::Open;
}

void CSocketMaster::Listen() {
    const wchar_t* source = L"CSocketMaster.Listen";
    if (state_ != SocketState::Closed && state_ != SocketState::Open)
        RaiseSocketError(socketerror::InvalidOperation, source, kInvalidStateText);
    if (state_ == SocketState::Closed) {
        if (!SocketExists()) return;
        BindInternal(localPort_, std::nullopt, source);
    }
    if (::listen(static_cast<SOCKET>(socket_), kListenBacklog) == SOCKET_ERROR)
        RaiseLibraryError(::WSAGetLastError(), source);
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
    if (state_ != SocketState::Closed) RaiseSocketError(socketerror::InvalidOperation, source, kInvalidStateText);
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
