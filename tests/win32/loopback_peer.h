// Test support for the network tests under Wine: a scripted loopback peer on a thread of its own, and a
// message pump for the thread whose window messages carry the socket notifications.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/win32_api.h"

namespace pell::test {

// Binds `s` to 127.0.0.1 and a port the system chooses; returns the port.
inline int BindToFreeLoopbackPort(SOCKET s) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof(a));
    int size = sizeof(a);
    ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &size);
    return ntohs(a.sin_port);
}

// A peer on its own thread with blocking sockets: it listens on 127.0.0.1, accepts one connection per
// script and plays it: send a piece, wait for the client's bytes, pause, wait until the test lets it go
// on (Release), or close. Where a test's outcome depends on pieces arriving apart, the peer waits on the
// test, not on a pause, so they stay apart however slow the machine is.
class LoopbackPeer {
public:
    struct Step {
        enum Kind { Send, Receive, Pause, AwaitRelease, Close } kind;
        std::string bytes;  // Send: what; Receive: until this much has come
        int ms = 0;         // Pause
    };

    // One script per connection, in the order the connections come.
    struct EachConnection {
        std::vector<std::vector<Step>> scripts;
    };

    explicit LoopbackPeer(std::vector<Step> script) : LoopbackPeer(EachConnection{{std::move(script)}}) {}
    explicit LoopbackPeer(EachConnection connections) : scripts_(std::move(connections.scripts)) {
        WSADATA data;
        ::WSAStartup(MAKEWORD(2, 2), &data);
        listener_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        port_ = BindToFreeLoopbackPort(listener_);
        ::listen(listener_, 1);
        thread_ = std::thread([this] { Run(); });
    }
    ~LoopbackPeer() {
        stopping_ = true;          // ends a wait for a release that never came
        ::closesocket(listener_);  // ends a wait in accept() that no client came to
        thread_.join();
        ::WSACleanup();
    }
    int Port() const { return port_; }
    // Lets the script go on past its next AwaitRelease step.
    void Release() { ++releases_; }
    // What the peer received over all its connections, and the client address it saw last (valid once
    // every script ended).
    std::string Received() { return Done() ? received_ : std::string(); }
    std::string ClientAddress() { return Done() ? clientAddress_ : std::string(); }
    bool Done() const { return done_; }

private:
    void Run() {
        for (const std::vector<Step>& script : scripts_) {
            sockaddr_in from{};
            int size = sizeof(from);
            SOCKET s = ::accept(listener_, reinterpret_cast<sockaddr*>(&from), &size);
            if (s == INVALID_SOCKET) break;
            clientAddress_ = ::inet_ntoa(from.sin_addr);
            const std::size_t before = received_.size();
            for (const Step& step : script) {
                if (step.kind == Step::Send) ::send(s, step.bytes.data(), static_cast<int>(step.bytes.size()), 0);
                if (step.kind == Step::Pause) std::this_thread::sleep_for(std::chrono::milliseconds(step.ms));
                if (step.kind == Step::AwaitRelease) {
                    while (releases_ == 0 && !stopping_) std::this_thread::sleep_for(std::chrono::milliseconds(5));
                    --releases_;
                }
                if (step.kind == Step::Close) break;
                char buffer[4096];
                while (step.kind == Step::Receive && received_.size() - before < step.bytes.size()) {
                    int n = ::recv(s, buffer, sizeof(buffer), 0);
                    if (n <= 0) break;
                    received_.append(buffer, static_cast<std::size_t>(n));
                }
            }
            ::closesocket(s);
        }
        done_ = true;
    }

    std::vector<std::vector<Step>> scripts_;
    SOCKET listener_;
    int port_ = 0;
    std::thread thread_;
    std::string received_, clientAddress_;
    std::atomic<bool> done_{false}, stopping_{false};
    std::atomic<int> releases_{0};
};

// Serves this thread's messages until `done` holds or the time is up (a bound that only ends a hung test).
inline bool PumpMessagesUntil(const std::function<bool()>& done, int ms = 60000) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    return true;
}

}  // namespace pell::test
