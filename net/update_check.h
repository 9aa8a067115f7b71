// The start-up update check: the version check, then the download of extra detections, as a state
// machine that the two sockets' events and two timers drive. Portable: the program binds it to its
// socket objects and window timers, the tests to a scripted socket and a fake clock.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/engine.h"

namespace pell::net {

// What the check needs of a socket.
class UpdateSocket {
public:
    virtual ~UpdateSocket() = default;
    virtual void Connect(const std::wstring& host, long port) = 0;
    virtual void SendData(std::string_view bytes) = 0;
    // Every byte received so far, taken out of the socket's buffer.
    virtual std::string GetData() = 0;
    virtual void CloseSck() = 0;
    virtual bool IsClosed() const = 0;
};

enum class UpdateTimer { Timer1, Timer5 };
inline constexpr unsigned kTimer1Interval = 1000;  // ms: the version check's ticks
inline constexpr unsigned kTimer5Interval = 5000;  // ms: the download's time limit

// The two timers; an enabled timer calls its handler every interval until it is disabled.
class UpdateTimers {
public:
    virtual ~UpdateTimers() = default;
    virtual void EnableTimer(UpdateTimer timer, bool enabled) = 0;
};

// An ECDSA P-256 signature: r then s, each 32 bytes big-endian.
using ListSignature = std::array<std::uint8_t, 64>;

// The check of the maker's signature on a downloaded detection list: ECDSA P-256 over SHA-256 of the
// exact body. The program verifies with the key bound into it; nothing at run time can name another.
class ListSignatureCheck {
public:
    virtual ~ListSignatureCheck() = default;
    // 0 when `signature` is the maker's signature of `body`; otherwise the platform's nonzero status.
    virtual long Verify(std::string_view body, const ListSignature& signature) = 0;
};

// The response header that carries the list's signature, as 128 hexadecimal digits. Headers are not
// part of the body the Part's parsing reads, so an older program ignores it.
inline constexpr char kSignatureHeader[] = "X-Pellworth-Signature: ";

// What the check needs of the main window.
class UpdateWindow {
public:
    virtual ~UpdateWindow() = default;
    virtual void SetStatus(const std::wstring& text) = 0;  // Label2
    virtual void SetProg1(double percent) = 0;              // progress bar 1
    // Message-box code 4 (Yes and No); the box's result (6 is Yes).
    virtual int AskToDownload() = 0;
    virtual void OpenPage(const std::wstring& url) = 0;
    // A fixed English line in the details box: what the download refused or dropped, and why.
    virtual void AddDetailsLine(const std::wstring& line) = 0;
    // The window becomes idle: START and CLOSE enabled, Term True, bar 1 at 0, EnableGUI.
    virtual void Finish() = 0;
};

// The longest version answer the check waits for; a longer one that still has no versions fails it.
inline constexpr std::size_t kMaxVersionAnswerBytes = 64u << 10;

// The largest download body the check collects; a longer one fails the download.
inline constexpr std::size_t kMaxDownloadBytes = 4u << 20;

// The status texts of Label2.
namespace update_status {
inline constexpr wchar_t kChecking[] = L"Checking for Updates....";
inline constexpr wchar_t kConnected[] = L"Conected to server, requesting data...";
inline constexpr wchar_t kNoUpdate[] = L"Update Check Success - No Update Available.";
inline constexpr wchar_t kUpdateAvailable[] = L"Update Check Success - An Update is Available.";
inline constexpr wchar_t kCheckFailed[] = L"Checking for Update Failed";
inline constexpr wchar_t kDownloading[] = L"Checking for GLAVEN updates...";
inline constexpr wchar_t kNoDetections[] = L"Success. No GLAVEN detections available";
inline constexpr wchar_t kDownloadFailed[] = L"Downloading GLAVEN updates failed.";
}  // namespace update_status

// The program's own version as the check compares it ("4.6"), and the database version the window
// caption carries after "Virus Database   ".
std::wstring LocalProgramVersion();
std::wstring DatabaseVersionOfCaption(std::wstring_view caption);

class UpdateCheck {
public:
    // Downloaded detections are appended to e.MD5Hashes, and only from a list that `signatures` accepts.
    UpdateCheck(UpdateSocket& sckUpdateCheck, UpdateSocket& sckUpdates, UpdateWindow& window, UpdateTimers& timers,
                ListSignatureCheck& signatures, Engine& e, std::wstring host, std::wstring localVersion,
                std::wstring localDatabase, long port = 80);

    // What loading the window starts: the status text, the version check's connection and Timer1.
    void Start();

    // The handlers, named after the socket or timer whose event they serve.
    void sckUpdateCheck_Connect();
    void sckUpdateCheck_DataArrival();
    void sckUpdateCheck_CloseSck();  // also the start of the download
    void sckUpdates_Connect();
    void sckUpdates_DataArrival();
    void sckUpdates_CloseSck();  // also the finish
    void Timer1_Timer();
    void Timer2_Timer();  // the version check's failure step
    void Timer5_Timer();

    std::uint8_t CheckTicks() const { return checkTicks_; }
    long DownloadLength() const { return downloadLength_; }
    // Downloaded lines that were not digests (each named), for the record.
    const std::vector<std::wstring>& RejectedLines() const { return rejected_; }

    static std::string VersionRequest(std::wstring_view host);
    static std::string DownloadRequest(std::wstring_view host);

private:
    enum class Parsed { NothingNewer, Newer, Failed };
    Parsed ParseVersions(const std::string& text) const;
    void StartDownload();
    void FailDownload(std::wstring_view why);
    bool SignedByTheMaker();
    void Connect(UpdateSocket& socket, const wchar_t* name);

    UpdateSocket& sckUpdateCheck_;
    UpdateSocket& sckUpdates_;
    UpdateWindow& window_;
    UpdateTimers& timers_;
    ListSignatureCheck& signatures_;
    Engine& e_;
    std::wstring host_, localVersion_, localDatabase_;
    long port_;

    std::uint8_t checkTicks_ = 0;
    long downloadLength_ = 0;
    std::string versionAnswer_;
    std::string downloadBuffer_;
    std::string signatureField_;  // the signature header's value; empty when the answer had none
    bool signatureSeen_ = false;
    std::vector<std::wstring> rejected_;
    bool downloadStarted_ = false;
    bool finished_ = false;
};

}  // namespace pell::net
