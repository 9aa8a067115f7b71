// The update check and the detection download against scripted sockets, a recording window and fake
// time: the requests, the version comparison, the download's pieces and failures, the timeouts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
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
#include "tests/unit/english_translation.h"
#include "tests/unit/throwaway_key.h"

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
    void AddDetailsLine(const std::wstring& line) override { details.push_back(line); }
    void Finish() override { finishedAt.push_back(clock->now); }
    std::vector<std::wstring> details;
};

const std::string kVersionRequest = "GET /app/checkupdates.php HTTP/1.1\r\nHost: update.pellworth.example\r\n\r\n";
const std::string kDownloadRequest = "GET /app/glaven/updates.php HTTP/1.1\r\nHost: update.pellworth.example\r\n\r\n";
const std::string kDigestA = "0123456789ABCDEF0123456789ABCDEF";
const std::string kDigestB = "FEDCBA9876543210FEDCBA9876543210";
const std::string kDigestC = "00112233445566778899AABBCCDDEEFF";

std::string VersionReply(const std::string& version, const std::string& database) {
    return "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n\r\nVersion: " + version + "\r\nVDB: " + database + "\r\n";
}

// The maker of the tests' lists: one key for the whole test program, which the tests' check trusts.
const test::ThrowawayKey& Maker() {
    static const test::ThrowawayKey key;
    return key;
}
std::string Hex(const ListSignature& signature) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (std::uint8_t b : signature) out += {digits[b >> 4], digits[b & 15]};
    return out;
}
// The download's answer with the given signature header line (none when empty).
std::string DownloadAnswer(const std::string& body, const std::string& signatureLine) {
    return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n" + signatureLine + "\r\n" + body;
}
std::string SignatureLine(const ListSignature& signature) {
    return std::string(kSignatureHeader) + Hex(signature) + "\r\n";
}
// As the maker's server answers: the body signed by the maker.
std::string DownloadReply(const std::string& body) { return DownloadAnswer(body, SignatureLine(Maker().Sign(body))); }

// One program start: the two sockets, the window, the clock and the detection table it fills.
struct Start {
    ScriptedSocket sckUpdateCheck, sckUpdates;
    RecordingWindow window;
    FakeClock clock;
    test::FakeMachine machine;
    test::TestHost host;
    Translation translation;
    Engine e{machine, host, translation};
    test::KeySignatureCheck signatures{Maker().Public()};
    UpdateCheck check{sckUpdateCheck, sckUpdates, window, clock, signatures, e, kUpdateHost, LocalProgramVersion(),
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
        EXPECT_EQ(s.window.opened, c.answer == 6 ? std::vector<std::wstring>{L"http://www.pellworth.example/download.php"}
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
        // Only digits, a dot and digits are versions: nothing else is offered, however it compares.
        {VersionReply("abc", "6.70")}, {VersionReply("4.7x", "6.70")}, {VersionReply(std::string("4.7\0", 4), "6.70")},
        {VersionReply(std::string(10240, '9'), "6.70")}, {VersionReply("9" + std::string(9, '9') + ".1", "6.70")},
        {VersionReply("5.", "6.70")}, {VersionReply(".5", "6.70")}, {VersionReply("4.7.1", "6.70")},
        {VersionReply(" 4.7", "6.70")}, {VersionReply("4.6", "zzz")}, {VersionReply("4.6", "6.70 beta")},
        {VersionReply("4.6", "")},
    };
    for (const auto& pieces : replies) {
        SCOPED_TRACE(pieces[0].substr(0, 80));
        Start s;
        s.VersionCheck(500, pieces);
        EXPECT_EQ(s.window.asked, 0);
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
        std::vector<std::wstring> details = {};
    };
    const std::string three = kDigestA + "\r\n" + kDigestB + "\r\n" + kDigestC + "\r\n\r\r\n";
    const std::string full = DownloadReply(three);
    const std::size_t head = full.find("\r\n\r\n") + 4;
    const std::string huge(kMaxDownloadBytes + 1, 'A');
    const Case cases[] = {
        {"three digests", {full}, L"Success. 3 GLAVEN detections added!", {kDigestA, kDigestB, kDigestC}, 1000},
        {"the empty list", {DownloadReply("\r\r\n")}, label::kNoDetections, {}, 1000},
        {"a body in pieces", {full.substr(0, head + 10), full.substr(head + 10, 40), full.substr(head + 50)},
         L"Success. 3 GLAVEN detections added!", {kDigestA, kDigestB, kDigestC}, 1000},
        {"no Content-Length", {"HTTP/1.1 200 OK\r\n\r\n" + three}, label::kDownloadFailed, {}, 5500},
        {"no terminator", {DownloadReply(kDigestA + "\r\n")}, label::kDownloadFailed, {}, 5500},
        {"a length that is not a number", {"HTTP/1.1 200 OK\r\nContent-Length: 3x\r\n\r\n\r\r\n"},
         label::kDownloadFailed, {}, 5500},
        {"bytes past the length are not used", {DownloadReply("\r\r\n") + kDigestA + "\r\n\r\r\n"},
         label::kNoDetections, {}, 1000},
        // Downloaded lines are detections: only digests count, upper-cased; the others are counted.
        {"malformed lines", {DownloadReply("\r\n" + std::string("0123456789abcdef0123456789abcdef") +
                                           "\r\nnot a digest\r\n" + kDigestB + "0\r\n\r\r\n")},
         L"Success. 1 GLAVEN detections added!", {kDigestA}, 1000,
         {L"Extra detections: 2 line(s) of the downloaded list were not digests and were dropped."}},
        {"only malformed lines", {DownloadReply("C:\\Windows\\notepad.exe\r\n\r\r\n")},
         L"Success. 0 GLAVEN detections added!", {}, 1000,
         {L"Extra detections: 1 line(s) of the downloaded list were not digests and were dropped."}},
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
        EXPECT_EQ(s.window.details, c.details);
        EXPECT_TRUE(s.sckUpdates.IsClosed());
        EXPECT_EQ(s.sckUpdates.calls[1], "send " + kDownloadRequest);
    }
}

TEST(UpdateCheck, OnlyAListSignedByTheMakerAddsAnything) {
    const std::string body = kDigestA + "\r\n" + kDigestB + "\r\n\r\r\n";
    const ListSignature good = Maker().Sign(body);
    ListSignature flipped = good;
    flipped[40] ^= 0x01;
    const test::ThrowawayKey stranger;
    std::string altered = body;
    altered[5] = altered[5] == '5' ? '6' : '5';  // one byte of one digest
    std::string upper = Hex(good);
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const std::wstring notTheMakers = L"Extra detections refused, nothing added: its signature is not the maker's";
    const std::wstring notHex = L"Extra detections refused, nothing added: its signature is not 128 hexadecimal digits.";
    const std::wstring none = L"Extra detections refused, nothing added: the list carries no signature.";
    struct Case {
        const char* what;
        std::string reply;
        std::wstring detailsStart;  // empty: the list is taken
    };
    const Case cases[] = {
        {"signed by the maker", DownloadAnswer(body, SignatureLine(good)), L""},
        {"the signature in upper-case digits", DownloadAnswer(body, kSignatureHeader + upper + "\r\n"), L""},
        {"the empty list, signed", DownloadReply("\r\r\n"), L""},
        {"no signature", DownloadAnswer(body, ""), none},
        {"one bit of the signature flipped", DownloadAnswer(body, SignatureLine(flipped)), notTheMakers},
        {"the signature of another body", DownloadAnswer(body, SignatureLine(Maker().Sign(kDigestC + "\r\n\r\r\n"))),
         notTheMakers},
        {"signed by another key", DownloadAnswer(body, SignatureLine(stranger.Sign(body))), notTheMakers},
        {"the list altered by one byte", DownloadAnswer(altered, SignatureLine(good)), notTheMakers},
        {"a byte past the signed terminator", DownloadAnswer(body + "\r\n", SignatureLine(good)), notTheMakers},
        {"an empty signature", DownloadAnswer(body, std::string(kSignatureHeader) + "\r\n"), notHex},
        {"a digit short", DownloadAnswer(body, std::string(kSignatureHeader) + Hex(good).substr(1) + "\r\n"), notHex},
        {"not hexadecimal", DownloadAnswer(body, std::string(kSignatureHeader) + "g" + Hex(good).substr(1) + "\r\n"),
         notHex},
        {"a blank after the digits", DownloadAnswer(body, std::string(kSignatureHeader) + Hex(good) + " \r\n"), notHex},
        // A header's name is not found inside another header's value, nor in the body.
        {"inside another header", DownloadAnswer(body, "X-Note: " + SignatureLine(good)), none},
        {"in the body", DownloadAnswer(SignatureLine(good) + body, ""), none},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Start s;
        s.VersionCheck(500, {VersionReply("4.6", "6.70")});
        s.Download(1000, {c.reply});
        s.clock.AdvanceTo(20000);
        if (c.detailsStart.empty()) {
            EXPECT_EQ(s.Hashes().size(), c.reply.find(kDigestA) == std::string::npos ? 0u : 2u);
            EXPECT_NE(s.window.statuses.back(), label::kDownloadFailed);
            EXPECT_TRUE(s.window.details.empty());
        } else {
            EXPECT_TRUE(s.Hashes().empty());
            EXPECT_EQ(s.window.statuses.back(), label::kDownloadFailed);
            ASSERT_EQ(s.window.details.size(), 1u);
            EXPECT_EQ(s.window.details[0].rfind(c.detailsStart, 0), 0u) << WideToUtf8(s.window.details[0]);
        }
        EXPECT_EQ(s.window.finishedAt, std::vector<long>{1000});  // at once, never after the time limit
        EXPECT_TRUE(s.sckUpdates.IsClosed());
    }
}

TEST(UpdateCheck, TheOfferedPageIsOnTheSiteTheBoxNames) {
    // Box 4 names the maker's site (the build puts it where line 13 says @MAKER_SITE@); Yes goes there.
    EXPECT_NE(test::EnglishTranslation().Line(13).find(L"@MAKER_SITE@"), std::wstring::npos);
    Start s;
    s.window.answer = 6;
    s.VersionCheck(500, {VersionReply("4.7", "6.70")});
    ASSERT_EQ(s.window.opened.size(), 1u);
    EXPECT_EQ(s.window.opened[0].rfind(std::wstring(L"http://") + kMakerSite + L"/", 0), 0u);
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
