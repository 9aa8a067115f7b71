// The update check and the detection download against scripted sockets, a recording window and fake
// time: the requests, the version comparison, the download's pieces and failures, the timeouts.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "base/product.h"
#include "base/runtime_error.h"
#include "base/text.h"
#include "net/update_check.h"
#include "tests/fake/fake_machine.h"
#include "tests/fake/test_host.h"

namespace pell::net {
namespace {

// The texts of the update-status line.
namespace label = update_status;

// A socket whose arrivals the test writes; it refuses a second Connect as the real one does.
struct ScriptedSocket : UpdateSocket {
    std::vector<std::string> calls;
    std::string pending;
    bool open = false;

    void Connect(const std::wstring& host, long port) override {
        if (open) throw RuntimeError(40020, L"CSocketMaster.Connect", L"Invalid operation at current state");
        open = true;
        calls.push_back("connect " + WideToUtf8(host) + ":" + std::to_string(port));
    }
    void SendData(std::string_view bytes) override { calls.push_back("send " + std::string(bytes)); }
    std::string GetData() override { return std::exchange(pending, std::string()); }
    void CloseSck() override {
        if (open) calls.push_back("close");
        open = false;
        pending.clear();
    }
    bool IsClosed() const override { return !open; }
    int Connects() const {
        return static_cast<int>(std::count_if(calls.begin(), calls.end(),
                                              [](const std::string& c) { return c.rfind("connect", 0) == 0; }));
    }
};

// Time that moves only when the test says so; enabled timers fire at their intervals on the way.
struct FakeClock : UpdateTimers {
    long now = 0;
    std::map<UpdateTimer, long> due;
    std::function<void(UpdateTimer)> fire;

    static long Interval(UpdateTimer t) { return t == UpdateTimer::Timer1 ? kTimer1Interval : kTimer5Interval; }
    void EnableTimer(UpdateTimer t, bool enabled) override {
        if (enabled) due[t] = now + Interval(t);
        else due.erase(t);
    }
    void AdvanceTo(long end) {
        while (true) {
            auto next = std::min_element(due.begin(), due.end(),
                                         [](const auto& a, const auto& b) { return a.second < b.second; });
            if (next == due.end() || next->second > end) break;
            const UpdateTimer t = next->first;
            now = next->second;
            next->second += Interval(t);
            fire(t);
        }
        now = end;
    }
};

struct RecordingWindow : UpdateWindow {
    std::vector<std::wstring> statuses;
    std::vector<double> bar;
    int asked = 0, answer = 7;
    std::function<void()> whileAsking;
    std::vector<std::wstring> opened;
    std::vector<long> finishedAt;
    const FakeClock* clock = nullptr;

    void SetStatus(const std::wstring& text) override { statuses.push_back(text); }
    void SetProg1(double percent) override { bar.push_back(percent); }
    int AskToDownload() override {
        ++asked;
        if (whileAsking) whileAsking();
        return answer;
    }
    void OpenPage(const std::wstring& url) override { opened.push_back(url); }
    void Finish() override { finishedAt.push_back(clock->now); }
};

const std::string kVersionRequest = "GET /app/checkupdates.php HTTP/1.1\r\nHost: update.pellworth.example\r\n\r\n";
const std::string kDownloadRequest = "GET /app/glaven/updates.php HTTP/1.1\r\nHost: update.pellworth.example\r\n\r\n";
const std::string kDigestA = "0123456789ABCDEF0123456789ABCDEF";
const std::string kDigestB = "FEDCBA9876543210FEDCBA9876543210";
const std::string kDigestC = "00112233445566778899AABBCCDDEEFF";

std::string VersionReply(const std::string& version, const std::string& database) {
    return "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n\r\nVersion: " + version + "\r\nVDB: " + database + "\r\n";
}
std::string DownloadReply(const std::string& body) {
    return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

// One program start: the two sockets, the window, the clock and the detection table it fills.
struct Start {
    ScriptedSocket sckUpdateCheck, sckUpdates;
    RecordingWindow window;
    FakeClock clock;
    test::FakeMachine machine;
    test::TestHost host;
    Translation translation;
    Engine e{machine, host, translation};
    UpdateCheck check{sckUpdateCheck, sckUpdates, window, clock, e, kUpdateHost, LocalProgramVersion(),
                      DatabaseVersionOfCaption(MainCaption())};

    Start() {
        window.clock = &clock;
        clock.fire = [this](UpdateTimer t) { t == UpdateTimer::Timer1 ? check.Timer1_Timer() : check.Timer5_Timer(); };
        e.MD5Hashes = {L"BAA26F33BF8D23ECA99CA3FB1CCD3BF9"};
        check.Start();
    }
    // The version check's connection comes up at `at` ms and the reply arrives in the given pieces.
    void VersionCheck(long at, const std::vector<std::string>& pieces) {
        clock.AdvanceTo(at);
        check.sckUpdateCheck_Connect();
        for (const std::string& piece : pieces) {
            if (sckUpdateCheck.IsClosed()) break;  // closed sockets raise no more events
            sckUpdateCheck.pending += piece;
            check.sckUpdateCheck_DataArrival();
        }
    }
    void Download(long at, const std::vector<std::string>& pieces) {
        clock.AdvanceTo(at);
        check.sckUpdates_Connect();
        for (const std::string& piece : pieces) {
            if (sckUpdates.IsClosed()) break;
            sckUpdates.pending += piece;
            check.sckUpdates_DataArrival();
        }
    }
    std::vector<std::string> Hashes() const {
        std::vector<std::string> out;
        for (std::size_t i = 1; i < e.MD5Hashes.size(); ++i) out.push_back(WideToUtf8(e.MD5Hashes[i]));
        return out;
    }
};

TEST(UpdateCheck, VersionsCompareAsTextAndANewerOneIsOffered) {
    struct Case {
        std::string version, database;
        bool offered;
        int answer;
    };
    const Case cases[] = {
        {"4.6", "6.70", false, 0}, {"4.7", "6.70", true, 6}, {"4.7", "1.0", true, 7},
        {"4.10", "6.70", false, 0}, {"4.6", "6.71", true, 6}, {"4.06", "6.7", false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.version + " " + c.database);
        Start s;
        s.window.answer = c.answer;
        // The download ends while the box is still open: the box is modal but serves the sockets.
        s.window.whileAsking = [&] { s.Download(600, {DownloadReply("\r\r\n")}); };
        s.VersionCheck(500, {VersionReply(c.version, c.database)});
        if (!c.offered) s.Download(600, {DownloadReply("\r\r\n")});

        EXPECT_EQ(s.sckUpdateCheck.calls, (std::vector<std::string>{"connect update.pellworth.example:80",
                                                                    "send " + kVersionRequest, "close"}));
        EXPECT_EQ(s.sckUpdates.calls, (std::vector<std::string>{"connect update.pellworth.example:80",
                                                                "send " + kDownloadRequest, "close"}));
        std::vector<std::wstring> expected = {label::kChecking, label::kConnected};
        if (c.offered) {
            expected.insert(expected.end(), {label::kDownloading, label::kUpdateAvailable, label::kNoDetections});
        } else {
            expected.insert(expected.end(), {label::kNoUpdate, label::kDownloading, label::kNoDetections});
        }
        EXPECT_EQ(s.window.statuses, expected);
        EXPECT_EQ(s.window.asked, c.offered ? 1 : 0);
        EXPECT_EQ(s.window.opened, c.answer == 6 ? std::vector<std::wstring>{L"http://update.pellworth.example/download.php"}
                                                 : std::vector<std::wstring>{});
        EXPECT_EQ(s.window.finishedAt, std::vector<long>{600});
        EXPECT_FALSE(s.clock.due.count(UpdateTimer::Timer1));
        EXPECT_FALSE(s.clock.due.count(UpdateTimer::Timer5));
    }
}

TEST(UpdateCheck, AnAnswerInPiecesIsReadWhole) {
    const std::string body = "Version: 4.6\r\nVDB: 6.70\r\n";
    const std::string head = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n";
    const std::vector<std::vector<std::string>> replies = {
        {head, body}, {head.substr(0, 10), head.substr(10) + body.substr(0, 14), body.substr(14)}};
    for (const auto& pieces : replies) {
        Start s;
        s.VersionCheck(500, pieces);
        EXPECT_EQ(s.window.statuses, (std::vector<std::wstring>{label::kChecking, label::kConnected,
                                                                label::kNoUpdate, label::kDownloading}));
    }
}

TEST(UpdateCheck, ResponsesThatFailTheCheckStartTheDownloadAtOnce) {
    const std::vector<std::vector<std::string>> replies = {
        {"HTTP/1.1 200 OK\r\n\r\nVersion: 4.6\r\n", "VDB: 6.70\r\n"},  // split before the database line
        {"HTTP/1.1 200 OK\r\n\r\nversion: 4.6\r\nVDB: 6.70\r\n"},       // the markers are case-sensitive
        {"HTTP/1.1 200 OK\r\n\r\nVersion: 4.6"},                         // no line end
        {"HTTP/1.1 200 OK\r\n\r\nVDB: 6.70\r\nVersion: 4.6\r\n"},       // the database line must follow
        {"HTTP/1.1 200 OK\r\nContent-Length: 99999\r\n\r\n" + std::string(kMaxVersionAnswerBytes, 'x')},  // endless
    };
    for (const auto& pieces : replies) {
        SCOPED_TRACE(pieces[0]);
        Start s;
        s.VersionCheck(500, pieces);
        EXPECT_EQ(s.window.statuses, (std::vector<std::wstring>{label::kChecking, label::kConnected,
                                                                label::kCheckFailed, label::kDownloading}));
        EXPECT_TRUE(s.sckUpdateCheck.IsClosed());
        EXPECT_EQ(s.sckUpdates.Connects(), 1);
        EXPECT_TRUE(s.clock.due.count(UpdateTimer::Timer1));  // left running after a failed parse
    }
}

TEST(UpdateCheck, DownloadBodies) {
    struct Case {
        const char* what;
        std::vector<std::string> pieces;
        std::wstring status;
        std::vector<std::string> added;
        long finishedAt;
    };
    const std::string three = kDigestA + "\r\n" + kDigestB + "\r\n" + kDigestC + "\r\n\r\r\n";
    const std::string full = DownloadReply(three);
    const std::string huge(kMaxDownloadBytes + 1, 'A');
    const Case cases[] = {
        {"three digests", {full}, L"Success. 3 GLAVEN detections added!", {kDigestA, kDigestB, kDigestC}, 1000},
        {"the empty list", {DownloadReply("\r\r\n")}, label::kNoDetections, {}, 1000},
        {"a body in pieces", {full.substr(0, 50), full.substr(50, 40), full.substr(90)},
         L"Success. 3 GLAVEN detections added!", {kDigestA, kDigestB, kDigestC}, 1000},
        {"no Content-Length", {"HTTP/1.1 200 OK\r\n\r\n" + three}, label::kDownloadFailed, {}, 5500},
        {"no terminator", {DownloadReply(kDigestA + "\r\n")}, label::kDownloadFailed, {}, 5500},
        {"a length that is not a number", {"HTTP/1.1 200 OK\r\nContent-Length: 3x\r\n\r\n\r\r\n"},
         label::kDownloadFailed, {}, 5500},
        {"bytes past the length are not used", {DownloadReply("\r\r\n") + kDigestA + "\r\n\r\r\n"},
         label::kNoDetections, {}, 1000},
        // Downloaded lines are detections: only digests count, upper-cased.
        {"malformed lines", {DownloadReply("\r\n" + std::string("0123456789abcdef0123456789abcdef") +
                                           "\r\nnot a digest\r\n" + kDigestB + "0\r\n\r\r\n")},
         L"Success. 1 GLAVEN detections added!", {kDigestA}, 1000},
        {"only malformed lines", {DownloadReply("C:\\Windows\\notepad.exe\r\n\r\r\n")},
         L"Success. 0 GLAVEN detections added!", {}, 1000},
        // Nothing waits for more than a list of digests could need.
        {"an announced length past the cap",
         {"HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(kMaxDownloadBytes + 1) + "\r\n\r\n" + kDigestA},
         label::kDownloadFailed, {}, 1000},
        {"a piece past the cap", {"HTTP/1.1 200 OK\r\nContent-Length: 4194000\r\n\r\n", huge},
         label::kDownloadFailed, {}, 1000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Start s;
        s.VersionCheck(500, {VersionReply("4.6", "6.70")});
        s.Download(1000, c.pieces);
        if (c.pieces.size() > 1 && c.status != label::kDownloadFailed) {
            EXPECT_EQ(s.check.DownloadLength(), static_cast<long>(three.size()));
        }
        s.clock.AdvanceTo(20000);
        EXPECT_EQ(s.window.statuses.back(), c.status);
        EXPECT_EQ(s.Hashes(), c.added);
        EXPECT_EQ(s.window.finishedAt, std::vector<long>{c.finishedAt});
        EXPECT_TRUE(s.sckUpdates.IsClosed());
        EXPECT_EQ(s.sckUpdates.calls[1], "send " + kDownloadRequest);
    }
}

TEST(UpdateCheck, WithoutANetworkTheWindowIsFreedAfterTwelveAndFiveSeconds) {
    Start s;
    s.clock.AdvanceTo(30000);
    EXPECT_EQ(s.window.statuses, (std::vector<std::wstring>{label::kChecking, label::kCheckFailed,
                                                            label::kDownloading, label::kDownloadFailed}));
    EXPECT_EQ(s.window.bar, (std::vector<double>{0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 0}));
    EXPECT_EQ(s.window.finishedAt, std::vector<long>{17000});
    EXPECT_EQ(s.check.CheckTicks(), 11);
    EXPECT_TRUE(s.clock.due.empty());
    EXPECT_EQ(s.sckUpdates.Connects(), 1);
}

TEST(UpdateCheck, TheTimeoutAfterAFailedParseStartsNoSecondDownload) {
    // The download started by the failed parse is still running when Timer1 gives up (12 s): the busy
    // socket is not connected again and the status is not replaced.
    Start busy;
    busy.VersionCheck(8000, {"HTTP/1.1 200 OK\r\n\r\nnothing here"});
    busy.clock.AdvanceTo(12500);
    EXPECT_EQ(busy.sckUpdates.Connects(), 1);
    EXPECT_EQ(busy.window.statuses.back(), label::kDownloading);
    busy.clock.AdvanceTo(30000);
    EXPECT_EQ(busy.window.statuses.back(), label::kDownloadFailed);
    EXPECT_EQ(busy.window.finishedAt, std::vector<long>{13000});

    // Finished long before: its detections are not added twice and its result stays on the status line.
    Start done;
    done.VersionCheck(1000, {"HTTP/1.1 200 OK\r\n\r\nnothing here"});
    done.Download(2000, {DownloadReply(kDigestA + "\r\n\r\r\n")});
    done.clock.AdvanceTo(30000);
    EXPECT_EQ(done.sckUpdates.Connects(), 1);
    EXPECT_EQ(done.Hashes(), std::vector<std::string>{kDigestA});
    EXPECT_EQ(done.window.statuses.back(), L"Success. 1 GLAVEN detections added!");
    EXPECT_EQ(done.window.finishedAt, std::vector<long>{2000});
    EXPECT_EQ(done.window.bar.size(), 12u);  // Timer1 still moved the bar to its end: 0..100, and the download's 0
}

TEST(UpdateCheck, ClosesByTheServerStartTheDownloadAndFreeTheWindowOnce) {
    Start s;
    s.clock.AdvanceTo(300);
    s.check.sckUpdateCheck_CloseSck();  // the server hung up before answering
    EXPECT_EQ(s.window.statuses.back(), label::kDownloading);
    s.check.sckUpdates_Connect();
    s.check.sckUpdates_CloseSck();  // and again
    EXPECT_EQ(s.window.finishedAt, std::vector<long>{300});
    s.clock.AdvanceTo(30000);
    EXPECT_EQ(s.window.statuses.back(), label::kDownloadFailed);
    EXPECT_EQ(s.window.finishedAt, std::vector<long>{300});  // the timeout does not free it a second time
    EXPECT_TRUE(s.sckUpdateCheck.IsClosed());
}

TEST(UpdateCheck, LocalVersions) {
    EXPECT_EQ(LocalProgramVersion(), L"4.6");
    EXPECT_EQ(DatabaseVersionOfCaption(MainCaption()), L"6.70");
    EXPECT_EQ(DatabaseVersionOfCaption(L"Pellworth Remover"), L"");
}

}  // namespace
}  // namespace pell::net
