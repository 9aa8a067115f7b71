// The event-driven socket object: non-blocking TCP (and UDP) sockets whose notifications and host
// look-ups arrive as window messages on the thread that runs the message loop, turned into callbacks.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "net/port_argument.h"
#include "net/socket_errors.h"

namespace pell::net {

enum class SocketState : int {
    Closed = 0,
    Open = 1,
    Listening = 2,
    ConnectionPending = 3,  // part of the numbering; never entered
    ResolvingHost = 4,
    HostResolved = 5,
    Connecting = 6,
    Connected = 7,
    Closing = 8,  // the peer has closed; the owner still has to call CloseSck
    Error = 9,
};

enum class SocketProtocol : int { Tcp = 0, Udp = 1 };

// What the Error event carries; the handler may set cancelDisplay to false to have the description shown
// in a message box titled with the source.
struct SocketErrorEvent {
    long number = 0;
    std::wstring description;
    long sCode = 0;
    std::wstring source;
    std::wstring helpFile;
    long helpContext = 0;
    bool cancelDisplay = true;
};

class CSocketMaster : public std::enable_shared_from_this<CSocketMaster> {
public:
    // Objects live in shared pointers: the dispatcher holds one for the length of each event, so an
    // owner may drop its own inside a handler.
    static std::shared_ptr<CSocketMaster> Create();
    ~CSocketMaster();
    CSocketMaster(const CSocketMaster&) = delete;
    CSocketMaster& operator=(const CSocketMaster&) = delete;

    // Properties.
    const std::wstring& RemoteHost() const { return remoteHost_; }
    void SetRemoteHost(std::wstring host);
    long RemotePort() const { return remotePort_; }
    void SetRemotePort(PortArgument port);
    const std::wstring& RemoteHostIP() const { return remoteHostIP_; }
    long LocalPort() const { return boundPort_ >= 0 ? boundPort_ : localPort_; }
    void SetLocalPort(PortArgument port);
    SocketState State() const { return state_; }
    std::wstring LocalHostName() const;
    std::wstring LocalIP() const;
    long BytesReceived() const;
    std::intptr_t SocketHandle() const { return socket_; }
    const std::wstring& Tag() const { return tag_; }
    void SetTag(std::wstring tag) { tag_ = std::move(tag); }
    SocketProtocol Protocol() const { return protocol_; }
    void SetProtocol(SocketProtocol protocol);

    // Methods. Failures inside the call raise pell::RuntimeError; failures found later, during
    // notifications, set State 9 and raise the Error event.
    void Connect(std::optional<std::wstring> remoteHost = std::nullopt,
                 std::optional<PortArgument> remotePort = std::nullopt);
    void CloseSck();
    // Bytes as they are (one char per byte); an empty value sends nothing.
    void SendData(std::string_view bytes);
    // Text, converted to the system's ANSI code page.
    void SendData(std::wstring_view text);
    // The received bytes (one char per byte): all of them, or the first maxLen. GetData takes them out
    // of the buffer, PeekData leaves them.
    void GetData(std::string& data, std::optional<long> maxLen = std::nullopt);
    void PeekData(std::string& data, std::optional<long> maxLen = std::nullopt);
    void Listen();
    void Accept(std::intptr_t requestID);
    void Bind(std::optional<PortArgument> localPort = std::nullopt,
              std::optional<std::wstring> localIP = std::nullopt);

    // Events, set by the owner.
    std::function<void()> OnCloseSck;
    std::function<void()> OnConnect;
    std::function<void(std::intptr_t requestID)> OnConnectionRequest;
    std::function<void(long bytesTotal)> OnDataArrival;
    std::function<void(SocketErrorEvent&)> OnError;
    std::function<void()> OnSendComplete;
    std::function<void(long bytesSent, long bytesRemaining)> OnSendProgress;

    // For the module's dispatcher only: a socket notification (message 0x801) or a finished host
    // look-up (0x800).
    void WndProc(std::uintptr_t hwnd, unsigned msg, std::uintptr_t wParam, std::intptr_t lParam);

private:
    CSocketMaster();
    bool SocketExists();
    void ResolveIfHostname(const std::wstring& host);
    void ConnectToIP(std::uint32_t address, bool fromNotification);
    void PostSocket(unsigned event, long error);
    void PostResolution(std::uintptr_t request, long error);
    void SendBufferedData();
    void RecvDataToBuffer();
    void ReadData(std::string& data, std::optional<long> maxLen, bool remove, const wchar_t* source);
    void BindInternal(long port, std::optional<std::wstring> localIP, const wchar_t* source);
    void AcceptIncoming();
    void ReadAddresses();
    void DestroySocket();
    void CancelLookups();
    void RaiseError(long number, const wchar_t* source);
    void ResetBuffers();

    std::intptr_t socket_ = -1;
    SocketState state_ = SocketState::Closed;
    SocketProtocol protocol_ = SocketProtocol::Tcp;
    std::wstring tag_;
    std::wstring remoteHost_;
    long remotePort_ = 0;
    std::wstring remoteHostIP_;
    long localPort_ = 0;
    long boundPort_ = -1;
    std::wstring boundIP_;
    long sendChunk_ = 0, recvChunk_ = 0;
    std::string sendBuffer_, recvBuffer_;
    long sentThisCall_ = 0;
    // Pending look-ups: request handle -> purpose (0: for a connection); one shared 1024-byte buffer.
    std::unique_ptr<char[]> lookupBuffer_;
    std::uintptr_t lookupRequest_ = 0;
    bool acceptedHolder_ = false;
    bool counted_ = false;
};

}  // namespace pell::net
