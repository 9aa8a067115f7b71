// The module behind every socket object, one per process: it starts and stops the socket library, owns
// the hidden message window all notifications arrive at, and routes each to the object it belongs to.
#pragma once

#include <map>
#include <memory>

#include "net/socket_master.h"
#include "platform/win32/win32_api.h"

namespace pell::net {

inline constexpr UINT kResolveMessage = 0x800;  // a host look-up finished
inline constexpr UINT kSocketMessage = 0x801;   // a socket notification
inline constexpr long kNotifications = FD_READ | FD_WRITE | FD_ACCEPT | FD_CONNECT | FD_CLOSE;  // 59

// Used from the one thread that runs the message loop.
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
Module& TheModule();

// Every new object counts itself in; the first starts the socket library (version 1.1).
void InitiateProcesses();
// Every object that ends counts itself out; the last stops the library.
void FinalizeProcesses();
// Enters `s` in the socket table (creating the message window first when there is none) and, with
// `notify`, asks the library for its notifications.
void RegisterSocket(SOCKET s, const std::shared_ptr<CSocketMaster>& owner, bool notify);
// Takes `s` out of the table; the message window goes with the last socket and look-up.
void UnregisterSocket(SOCKET s);
void DestroyWinsockMessageWindow();

}  // namespace pell::net
