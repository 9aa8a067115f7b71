// The socket object under Wine against loopback peers: connecting by address and by name, refusals and
// unknown hosts, data in pieces, sending, closing, and a listener accepting a connection.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "base/runtime_error.h"
#include "base/text.h"
#include "net/socket_master.h"
#include "platform/win32/win32_api.h"
#include "tests/win32/loopback_peer.h"

namespace pell::test {
namespace {

using net::CSocketMaster;
using net::SocketState;

using Step = LoopbackPeer::Step;

class SocketTest : public ::testing::Test {
protected:

    // An object whose every event is written into `events`, with the state it was raised in.
    std::shared_ptr<CSocketMaster> Recorded(std::vector<std::string>& events, bool handleErrors = true) {
        auto s = CSocketMaster::Create();
        CSocketMaster* raw = s.get();
        auto add = [&events, raw](std::string what) {
            events.push_back(what + " @" + std::to_string(static_cast<int>(raw->State())));
        };
        s->OnConnect = [add] { add("Connect"); };
        s->OnCloseSck = [add] { add("CloseSck"); };
        s->OnDataArrival = [add](long total) { add("DataArrival " + std::to_string(total)); };
        s->OnSendProgress = [add](long sent, long left) {
            add("SendProgress " + std::to_string(sent) + " " + std::to_string(left));
        };
        s->OnSendComplete = [add] { add("SendComplete"); };
        if (handleErrors)
            s->OnError = [add](net::SocketErrorEvent& e) {
                add("Error " + std::to_string(e.number) + " " + WideToUtf8(e.description) + " " +
                    WideToUtf8(e.source) + (e.cancelDisplay ? " cancel" : ""));
            };
        return s;
    }

    // The run-time error `call` raises, as "number source: description"; empty when none.
    static std::string Raised(const std::function<void()>& call) {
        try {
            call();
        } catch (const RuntimeError& e) {
            return std::to_string(e.Number()) + " " + WideToUtf8(e.Source()) + ": " + WideToUtf8(e.Description());
        }
        return "";
    }

    static int FreePort() {
        LoopbackPeer probe(LoopbackPeer::EachConnection{});
        return probe.Port();  // its listener is closed when it goes: nothing listens there then
    }
};

TEST_F(SocketTest, ADottedAddressConnectsWithoutLookupAndCollectsPiecesUntilThePeerCloses) {
    LoopbackPeer peer({{Step::Receive, "GET /\r\n\r\n"},
                       {Step::Send, "HTTP/"},
                       {Step::AwaitRelease},
                       {Step::Send, "1.1 200"},
                       {Step::AwaitRelease},
                       {Step::Close}});
    std::vector<std::string> events;
    auto s = Recorded(events);
    s->OnConnect = [&events, raw = s.get()] {
        events.push_back("Connect @" + std::to_string(static_cast<int>(raw->State())));
        raw->SendData(std::string_view());  // nothing to send: no event
        raw->SendData(std::wstring_view(L"GET /\r\n\r\n"));
    };
    s->Connect(L"127.0.0.1", peer.Port());
    EXPECT_EQ(s->State(), SocketState::Connecting);  // no look-up for a dotted address
    EXPECT_EQ(Raised([&] { s->SendData(std::string_view("early")); }),
              "40006 CSocketMaster.SendData: Wrong protocol or connection state for the requested transaction or request");
    ASSERT_TRUE(PumpMessagesUntil([&] { return s->BytesReceived() == 5; }));
    peer.Release();
    ASSERT_TRUE(PumpMessagesUntil([&] { return s->BytesReceived() == 12; }));
    peer.Release();
    std::string data;
    s->PeekData(data, 4);
    EXPECT_EQ(data, "HTTP");
    s->PeekData(data);
    EXPECT_EQ(data, "HTTP/1.1 200");
    ASSERT_TRUE(PumpMessagesUntil([&] { return s->State() == SocketState::Closing; }));

    EXPECT_EQ(events, (std::vector<std::string>{"Connect @7", "SendProgress 9 0 @7", "SendComplete @7",
                                                "DataArrival 5 @7", "DataArrival 12 @7", "CloseSck @8"}));
    EXPECT_EQ(s->BytesReceived(), 12);
    EXPECT_EQ(Raised([&] { s->GetData(data); }).substr(0, 28), "40006 CSocketMaster.GetData:");  // closing, not connected
    EXPECT_EQ(s->RemoteHostIP(), L"127.0.0.1");
    EXPECT_EQ(s->RemotePort(), peer.Port());
    // Bound to any local address: the peer sees the loopback address, not the machine's first address.
    ASSERT_TRUE(PumpMessagesUntil([&] { return peer.Done(); }));
    EXPECT_EQ(peer.ClientAddress(), "127.0.0.1");
    EXPECT_EQ(peer.Received(), "GET /\r\n\r\n");

    EXPECT_EQ(Raised([&] { s->Connect(); }), "40020 CSocketMaster.Connect: Invalid operation at current state");
    s->CloseSck();
    EXPECT_EQ(s->State(), SocketState::Closed);
    EXPECT_EQ(s->SocketHandle(), -1);
    EXPECT_EQ(s->BytesReceived(), 0);
    s->CloseSck();  // closing a closed object does nothing
    EXPECT_EQ(s->State(), SocketState::Closed);
}

TEST_F(SocketTest, AHostNameIsLookedUpFirstAndGetDataTakesTheWholeBuffer) {
    LoopbackPeer peer({{Step::Send, "one"}, {Step::AwaitRelease}, {Step::Send, "two"}, {Step::Receive, "x"}});
    std::vector<std::string> events;
    auto s = Recorded(events);
    s->Connect(L"localhost", L"  " + std::to_wstring(peer.Port()));
    EXPECT_EQ(s->State(), SocketState::ResolvingHost);
    ASSERT_TRUE(PumpMessagesUntil([&] { return s->BytesReceived() == 3; }));
    peer.Release();
    ASSERT_TRUE(PumpMessagesUntil([&] { return s->BytesReceived() == 6; }));
    EXPECT_EQ(events, (std::vector<std::string>{"Connect @7", "DataArrival 3 @7", "DataArrival 6 @7"}));
    std::string data;
    s->GetData(data);
    EXPECT_EQ(data, "onetwo");
    EXPECT_EQ(s->BytesReceived(), 0);
    EXPECT_EQ(s->LocalIP(), L"127.0.0.1");
    s->SendData(std::string_view("x"));
    ASSERT_TRUE(PumpMessagesUntil([&] { return peer.Done(); }));
    s->CloseSck();
    // A closed object connects again.
    LoopbackPeer second({{Step::Send, "again"}});
    s->Connect(L"127.0.0.1", second.Port());
    ASSERT_TRUE(PumpMessagesUntil([&] { return s->BytesReceived() == 5; }));
    s->CloseSck();
}

TEST_F(SocketTest, FailuresDuringNotificationsSetTheErrorStateAndRaiseTheEvent) {
    struct Case {
        std::wstring host;
        bool handled;
        std::string event;
    };
    const int refusedPort = FreePort();
    const Case cases[] = {
        {L"127.0.0.1", true, "Error 10061 Connection refused. CSocketMaster.PostSocket cancel @9"},
        {L"no-such-host.invalid", true, "Error 11001 Host not found. CSocketMaster.ConnectToIP cancel @9"},
        // No handler: the error is seen by nobody, and no message box stops the program.
        {L"no-such-host.invalid", false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(WideToUtf8(c.host));
        std::vector<std::string> events;
        auto s = Recorded(events, c.handled);
        s->Connect(c.host, refusedPort);
        ASSERT_TRUE(PumpMessagesUntil([&] { return s->State() == SocketState::Error; }));
        EXPECT_EQ(events, c.event.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.event});
        EXPECT_EQ(Raised([&] { s->Connect(); }), "40020 CSocketMaster.Connect: Invalid operation at current state");
        s->CloseSck();
        EXPECT_EQ(s->State(), SocketState::Closed);
    }
}

TEST_F(SocketTest, ArgumentsAreCheckedBeforeAnythingHappens) {
    auto s = CSocketMaster::Create();
    const std::string range =
        "CSocketMaster.Connect: The argument passed to a function was not in the correct format or in the specified range.";
    EXPECT_EQ(Raised([&] { s->Connect(L"127.0.0.1", 0); }), "40014 " + range);
    EXPECT_EQ(Raised([&] { s->Connect(L"127.0.0.1", 70000); }), "40014 " + range);
    EXPECT_EQ(Raised([&] { s->Connect(L"127.0.0.1", L"http"); }), "40018 CSocketMaster.Connect: Unsupported variant type.");
    EXPECT_EQ(Raised([&] { s->SetLocalPort(-1); }).substr(0, 25), "40014 CSocketMaster.Local");
    std::string data;
    EXPECT_EQ(Raised([&] { s->GetData(data); }).substr(0, 28), "40006 CSocketMaster.GetData:");
    EXPECT_EQ(s->State(), SocketState::Closed);
    EXPECT_EQ(s->SocketHandle(), -1);
    EXPECT_EQ(net::SocketErrorText(10048), L"Address already in use.");
    EXPECT_EQ(net::SocketErrorText(12345), L"Unknown error.");
}

TEST_F(SocketTest, AListenerHandsItsConnectionToTheObjectThatAcceptsIt) {
    std::vector<std::string> serverEvents, clientEvents, acceptedEvents;
    auto server = Recorded(serverEvents);
    std::shared_ptr<CSocketMaster> accepted;
    std::string callerSeen;
    server->OnConnectionRequest = [&](std::intptr_t request) {
        callerSeen = WideToUtf8(server->RemoteHostIP());
        accepted = Recorded(acceptedEvents);
        accepted->Accept(request);
    };
    server->Listen();
    EXPECT_EQ(server->State(), SocketState::Listening);
    const long port = server->LocalPort();
    ASSERT_GT(port, 0);

    auto client = Recorded(clientEvents);
    client->OnConnect = [&] { client->SendData(std::string_view("ping")); };
    client->Connect(L"127.0.0.1", port);
    ASSERT_TRUE(PumpMessagesUntil([&] { return accepted && accepted->BytesReceived() == 4; }));
    EXPECT_EQ(callerSeen, "127.0.0.1");
    EXPECT_EQ(server->State(), SocketState::Listening);
    EXPECT_EQ(accepted->State(), SocketState::Connected);
    EXPECT_EQ(accepted->RemotePort(), client->LocalPort());
    std::string data;
    accepted->GetData(data);
    EXPECT_EQ(data, "ping");
    accepted->SendData(std::string_view("pong"));
    ASSERT_TRUE(PumpMessagesUntil([&] { return client->BytesReceived() == 4; }));
    accepted->CloseSck();
    ASSERT_TRUE(PumpMessagesUntil([&] { return client->State() == SocketState::Closing; }));
    EXPECT_EQ(clientEvents.back(), "CloseSck @8");
    client->CloseSck();
    server->CloseSck();
    EXPECT_EQ(server->State(), SocketState::Closed);
}

}  // namespace
}  // namespace pell::test
