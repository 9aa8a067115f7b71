// The update check bound to real sockets and thread timers under Wine, against a loopback peer that
// answers both requests (its list is not signed by the maker, so the program adds nothing from it), and
// against a port nobody listens on, whose cause of failure the trace file names.
#include <gtest/gtest.h>

#include "base/product.h"
#include "net/update_service.h"
#include "platform/win32/win32_system.h"
#include "tests/fake/test_host.h"
#include "platform/win32/trace_sinks.h"
#include "tests/win32/loopback_peer.h"
#include "tests/win32/win32_test_support.h"

namespace pell::test {
namespace {

using Step = LoopbackPeer::Step;

struct StatusWindow : net::UpdateWindow {
    std::vector<std::wstring> statuses;
    int finished = 0;
    void SetStatus(const std::wstring& text) override { statuses.push_back(text); }
    void SetProg1(double) override {}
    int AskToDownload() override { return 7; }
    void OpenPage(const std::wstring&) override {}
    void AddDetailsLine(const std::wstring& line) override { details.push_back(line); }
    std::vector<std::wstring> details;
    void Finish() override { ++finished; }
};

TEST(UpdateServiceTest, ChecksThenDownloadsOverTwoConnections) {
    const std::string versionRequest = "GET /app/checkupdates.php HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
    const std::string downloadRequest = "GET /app/glaven/updates.php HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
    const std::string body = "0123456789abcdef0123456789abcdef\r\nFEDCBA9876543210FEDCBA9876543210\r\n\r\r\n";
    // Both answers keep the connection open, as an HTTP/1.1 server does: the lengths end them.
    LoopbackPeer peer(LoopbackPeer::EachConnection{{
        {{Step::Receive, versionRequest},
         {Step::Send, "HTTP/1.1 200 OK\r\nContent-Length: 25\r\n\r\nVersion: 4.6\r\nVDB: 6.70\r\n"},
         {Step::Receive, "until the client closes"}},
        {{Step::Receive, downloadRequest},
         {Step::Send, "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n"},
         {Step::Pause, "", 200},
         {Step::Send, body},
         {Step::Receive, "until the client closes"}},
    }});
    win32::Win32System sys;
    TestHost host;
    Translation translation;
    Engine e{sys, host, translation};
    StatusWindow window;
    net::UpdateService service(window, e, MainCaption(), L"127.0.0.1", peer.Port());
    service.Start();
    ASSERT_TRUE(PumpMessagesUntil([&] { return window.finished > 0; }));
    ASSERT_TRUE(PumpMessagesUntil([&] { return peer.Done(); }));
    EXPECT_EQ(peer.Received(), versionRequest + downloadRequest);
    EXPECT_EQ(window.statuses,
              (std::vector<std::wstring>{L"Checking for Updates....", L"Conected to server, requesting data...",
                                         L"Update Check Success - No Update Available.",
                                         L"Checking for GLAVEN updates...", L"Downloading GLAVEN updates failed."}));
    EXPECT_EQ(window.details, std::vector<std::wstring>{
                                  L"Extra detections refused, nothing added: the list carries no signature."});
    EXPECT_TRUE(e.MD5Hashes.empty());
}

// A port on the loopback that nothing listens on: taken from the system, then let go.
int UnusedPort() {
    WSADATA data;
    ::WSAStartup(MAKEWORD(2, 2), &data);
    SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    const int port = BindToFreeLoopbackPort(s);
    ::closesocket(s);
    ::WSACleanup();
    return port;
}

using TraceFileTest = Win32Test;

// The window only ever says "Checking for Update Failed", after twelve seconds; the trace file says at
// once why. It is appended to by each run, and a run's share of it is bounded.
TEST_F(TraceFileTest, AFailingUpdateCheckNamesItsCause) {
    planter.PlantFolder(Folder());
    const std::wstring path = Folder() + L"\\trace.txt";
    std::wstring error;
    EXPECT_EQ(win32::TraceFile::Open(Folder() + L"\\no such folder\\trace.txt", error), nullptr);
    EXPECT_EQ(error, L"cannot be opened for appending (error 3)");
    auto text = [&] { return ReadWholeFile(path).value_or(std::string()); };
    {
        auto trace = win32::TraceFile::Open(path, error);
        ASSERT_NE(trace, nullptr) << WideToUtf8(error);
        win32::Win32System sys;
        TestHost host;
        Translation translation;
        Engine e{sys, host, translation};
        StatusWindow window;
        net::UpdateService service(window, e, MainCaption(), L"127.0.0.1", UnusedPort());
        service.Start();
        ASSERT_TRUE(PumpMessagesUntil([&] { return text().find("Connection refused") != std::string::npos; })) << text();
        EXPECT_EQ(window.finished, 0);
    }
    {
        auto trace = win32::TraceFile::Open(path, error, 200);
        ASSERT_NE(trace, nullptr) << WideToUtf8(error);
        Trace(L"second run", std::wstring(300, L'x'));
        Trace(L"second run", L"dropped too");
    }
    const std::string written = text();
    EXPECT_NE(written.find(" UTC sckUpdateCheck: error 10061 from CSocketMaster.PostSocket: Connection refused.\r\n"),
              std::string::npos) << written;
    EXPECT_NE(written.find("trace opened by process"), written.rfind("trace opened by process")) << written;
    EXPECT_NE(written.find("the trace reached its limit of"), std::string::npos) << written;
    EXPECT_EQ(written.find("second run"), std::string::npos) << written;
}

}  // namespace
}  // namespace pell::test
