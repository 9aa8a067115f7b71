// The version check and the extra-detection download, step by step as the events arrive.
#include "net/update_check.h"

#include <algorithm>
#include <cwchar>
#include <exception>
#include <limits>
#include <optional>

#include "base/host.h"
#include "base/product.h"
#include "base/text.h"
#include "base/trace.h"
#include "signatures/database.h"

namespace pell::net {
namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr wchar_t kTraceWhere[] = L"UpdateCheck";
// How much of an unreadable answer the trace shows: its status line and the first headers.
constexpr std::size_t kTracedAnswerBytes = 200;

// What the first "Content-Length: " of `text` says, up to its CR LF: nothing when there is no such
// header, and no value when it is not a decimal number that a 32-bit length holds (blanks around it are
// allowed).
struct ContentLength {
    bool present = false;
    std::optional<long> value;
};
ContentLength FindContentLength(std::string_view text) {
    constexpr std::string_view kHeader = "Content-Length: ";
    const std::size_t c = text.find(kHeader);
    if (c == std::string_view::npos) return {};
    const std::size_t from = c + kHeader.size(), end = text.find(kCrLf, from);
    if (end == std::string_view::npos) return {true, std::nullopt};
    const auto value =
        ParseDecimal(TrimBlanks(text.substr(from, end - from)), 0, std::numeric_limits<std::int32_t>::max());
    if (!value) return {true, std::nullopt};
    return {true, static_cast<long>(*value)};
}

// A version as the maker writes them: digits, a dot, digits. Anything else (a word, a NUL, a page of
// digits) is not a version the program could be offered.
bool IsWellFormedVersion(std::string_view text) {
    constexpr std::size_t kMaxDigits = 9;
    const std::size_t dot = text.find('.');
    if (dot == std::string_view::npos) return false;
    auto digits = [](std::string_view part) {
        return !part.empty() && part.size() <= kMaxDigits &&
               std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    return digits(text.substr(0, dot)) && digits(text.substr(dot + 1));
}

std::wstring StatusText(long status) {
    wchar_t text[16];
    std::swprintf(text, 16, L"0x%08lX", static_cast<unsigned long>(status) & 0xFFFFFFFFul);
    return text;
}

// The signature of a header's value: exactly 128 hexadecimal digits, or nothing.
std::optional<ListSignature> ParseSignature(std::string_view text) {
    ListSignature signature{};
    if (text.size() != signature.size() * 2) return std::nullopt;
    for (std::size_t i = 0; i < signature.size(); ++i) {
        const int high = HexDigitValue(text[2 * i]), low = HexDigitValue(text[2 * i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        signature[i] = static_cast<std::uint8_t>(high * 16 + low);
    }
    return signature;
}

}  // namespace

std::wstring LocalProgramVersion() { return std::to_wstring(kVersionMajor) + L"." + std::to_wstring(kVersionMinor); }

std::wstring DatabaseVersionOfCaption(std::wstring_view caption) {
    constexpr std::wstring_view kSplit = L"Virus Database   ";
    std::size_t at = caption.find(kSplit);
    return at == std::wstring_view::npos ? std::wstring() : std::wstring(caption.substr(at + kSplit.size()));
}

UpdateCheck::UpdateCheck(UpdateSocket& sckUpdateCheck, UpdateSocket& sckUpdates, UpdateWindow& window,
                         UpdateTimers& timers, ListSignatureCheck& signatures, Engine& e, std::wstring host,
                         std::wstring localVersion, std::wstring localDatabase, long port)
    : sckUpdateCheck_(sckUpdateCheck),
      sckUpdates_(sckUpdates),
      window_(window),
      timers_(timers),
      signatures_(signatures),
      e_(e),
      host_(std::move(host)),
      localVersion_(std::move(localVersion)),
      localDatabase_(std::move(localDatabase)),
      port_(port) {}

std::string UpdateCheck::VersionRequest(std::wstring_view host) {
    return "GET /app/checkupdates.php HTTP/1.1\r\nHost: " + WideToCp1252(host) + "\r\n\r\n";
}

std::string UpdateCheck::DownloadRequest(std::wstring_view host) {
    return "GET /app/glaven/updates.php HTTP/1.1\r\nHost: " + WideToCp1252(host) + "\r\n\r\n";
}

// A connection that cannot even be started (no socket library, no message window) is left to the
// step's timeout, as every other network failure is.
void UpdateCheck::Connect(UpdateSocket& socket, const wchar_t* name) {
    try {
        socket.Connect(host_, port_);
    } catch (const std::exception&) {
        TraceCaught(std::wstring(name) + L".Connect");
    }
}

void UpdateCheck::Start() {
    window_.SetStatus(update_status::kChecking);
    timers_.EnableTimer(UpdateTimer::Timer1, true);
    Connect(sckUpdateCheck_, L"sckUpdateCheck");
}

void UpdateCheck::Timer1_Timer() {
    if (checkTicks_ > 10) {
        timers_.EnableTimer(UpdateTimer::Timer1, false);
        if (!downloadStarted_) Trace(kTraceWhere, L"the version check had no usable answer within its time limit");
        Timer2_Timer();
    } else {
        window_.SetProg1(checkTicks_ * 100 / 10.0);  // CheckTicks / 10 x 100, without rounding noise
        ++checkTicks_;
    }
}

void UpdateCheck::sckUpdateCheck_Connect() {
    window_.SetStatus(update_status::kConnected);
    try {
        sckUpdateCheck_.SendData(VersionRequest(host_));
    } catch (const std::exception&) {
        TraceCaught(L"sckUpdateCheck.SendData");
    }
}

UpdateCheck::Parsed UpdateCheck::ParseVersions(const std::string& text) const {
    std::size_t p = text.find("Version: ");
    if (p == std::string::npos) return Parsed::Failed;
    std::size_t end = text.find(kCrLf, p + 9);
    if (end == std::string::npos) return Parsed::Failed;
    const std::string_view version = std::string_view(text).substr(p + 9, end - p - 9);
    if (!IsWellFormedVersion(version)) return Parsed::Failed;
    // Versions compare as text, character code by character code: "4.10" is not newer than "4.6".
    if (Cp1252ToWide(version) > localVersion_) return Parsed::Newer;
    std::size_t q = text.find("VDB: ", end + 2);
    if (q == std::string::npos) return Parsed::Failed;
    std::size_t dbEnd = text.find(kCrLf, q + 5);
    if (dbEnd == std::string::npos) return Parsed::Failed;
    const std::string_view database = std::string_view(text).substr(q + 5, dbEnd - q - 5);
    if (!IsWellFormedVersion(database)) return Parsed::Failed;
    if (Cp1252ToWide(database) > localDatabase_) return Parsed::Newer;
    return Parsed::NothingNewer;
}

namespace {

// Whether an answer could still grow into a readable one: its headers have not ended yet, or they
// announce more body than has come.
bool AnswerIncomplete(const std::string& text) {
    const std::size_t body = text.find("\r\n\r\n");
    if (body == std::string::npos) return true;
    const ContentLength length = FindContentLength(std::string_view(text).substr(0, body + 2));
    if (!length.value) return false;
    return text.size() - (body + 4) < static_cast<std::size_t>(*length.value);
}

}  // namespace

void UpdateCheck::sckUpdateCheck_DataArrival() {
    // The answer is read whole even when it comes in pieces (a server may write its headers and its body
    // separately): a piece that cannot be parsed yet waits for the rest, within Timer1's time limit and
    // a bound on the answer's size.
    versionAnswer_ += sckUpdateCheck_.GetData();
    const Parsed parsed = ParseVersions(versionAnswer_);
    if (parsed == Parsed::Failed) {
        if (versionAnswer_.size() <= kMaxVersionAnswerBytes && AnswerIncomplete(versionAnswer_)) return;
        Trace(kTraceWhere, L"the version answer holds no readable \"Version: \" and \"VDB: \" lines; it begins: " +
                               Cp1252ToWide(std::string_view(versionAnswer_).substr(0, kTracedAnswerBytes)));
        Timer2_Timer();
        return;
    }
    timers_.EnableTimer(UpdateTimer::Timer1, false);
    if (parsed == Parsed::NothingNewer) {
        window_.SetStatus(update_status::kNoUpdate);
        sckUpdateCheck_.CloseSck();
        sckUpdateCheck_CloseSck();
        return;
    }
    sckUpdateCheck_.CloseSck();
    sckUpdateCheck_CloseSck();
    window_.SetStatus(update_status::kUpdateAvailable);
    // The box is modal and serves messages: the download may finish and free the window meanwhile.
    // Yes goes to the site the box names, whatever host answered the check.
    if (window_.AskToDownload() == answer::Yes) window_.OpenPage(DownloadPage());
}

void UpdateCheck::Timer2_Timer() {
    sckUpdateCheck_.CloseSck();
    // Timer1 keeps ticking after a failed parse and gives up a second time at its timeout; by then the
    // download has started (and may have ended with its own status): there is nothing left to fail.
    if (downloadStarted_) return;
    window_.SetStatus(update_status::kCheckFailed);
    sckUpdateCheck_CloseSck();
}

void UpdateCheck::sckUpdateCheck_CloseSck() { StartDownload(); }

void UpdateCheck::StartDownload() {
    // One download per run: a second start (a busy socket, or detections added twice) is skipped.
    if (downloadStarted_ || !sckUpdates_.IsClosed()) return;
    downloadStarted_ = true;
    window_.SetStatus(update_status::kDownloading);
    window_.SetProg1(0);
    Connect(sckUpdates_, L"sckUpdates");
    timers_.EnableTimer(UpdateTimer::Timer5, true);
}

void UpdateCheck::sckUpdates_Connect() {
    try {
        sckUpdates_.SendData(DownloadRequest(host_));
    } catch (const std::exception&) {
        TraceCaught(L"sckUpdates.SendData");
    }
}

void UpdateCheck::sckUpdates_DataArrival() {
    const std::string s = sckUpdates_.GetData();
    bool headerComplete = true;
    if (downloadLength_ != 0) {
        downloadBuffer_ += s;
    } else {
        if (const ContentLength length = FindContentLength(s); length.present) {
            if (!length.value) return;  // no usable length: Timer5 reports the failure
            downloadLength_ = *length.value;
        }
        std::size_t body = s.find("\r\n\r\n");
        headerComplete = body != std::string::npos;
        if (headerComplete) {
            downloadBuffer_ = s.substr(body + 4);
            // The signature is a header line of its own; a body cannot supply one.
            const std::string headers = "\r\n" + s.substr(0, body + 2);
            const std::size_t at = headers.find(std::string("\r\n") + kSignatureHeader);
            if (at != std::string::npos) {
                const std::size_t from = at + 2 + std::string_view(kSignatureHeader).size();
                signatureSeen_ = true;
                signatureField_ = headers.substr(from, headers.find(kCrLf, from) - from);
            }
        }
    }
    // A server that announces or sends more than any list of digests needs is not waited for.
    if (static_cast<std::size_t>(downloadLength_) > kMaxDownloadBytes || downloadBuffer_.size() > kMaxDownloadBytes) {
        downloadBuffer_.clear();
        FailDownload(L"the list is longer than " + std::to_wstring(kMaxDownloadBytes) + L" bytes");
        return;
    }
    if (headerComplete) {
        if (downloadBuffer_.size() < static_cast<std::size_t>(downloadLength_)) return;
        downloadBuffer_.resize(static_cast<std::size_t>(downloadLength_));
    }
    std::size_t terminator = downloadBuffer_.find("\r\r\n");
    if (terminator == std::string::npos) return;  // Timer5 reports the failure
    // The list is complete: it counts only when the maker signed exactly these bytes (the whole body,
    // terminator included).
    if (!SignedByTheMaker()) {
        downloadBuffer_.clear();
        FailDownload(L"the list's signature was refused");
        return;
    }
    downloadBuffer_.resize(terminator);
    sckUpdates_.CloseSck();
    timers_.EnableTimer(UpdateTimer::Timer5, false);
    if (downloadBuffer_.empty()) {
        window_.SetStatus(update_status::kNoDetections);
    } else {
        // Downloaded lines are detections like any other: only 32 hexadecimal digits are taken (upper-
        // cased), and the count says how many were.
        const std::size_t rejectedBefore = rejected_.size();
        std::size_t added = AppendExtraDetections(e_, downloadBuffer_, rejected_);
        window_.SetStatus(L"Success. " + std::to_wstring(added) + L" GLAVEN detections added!");
        // A signed list with lines that are not digests is the maker's mistake: counted, so it is seen.
        if (const std::size_t dropped = rejected_.size() - rejectedBefore; dropped > 0)
            window_.AddDetailsLine(L"Extra detections: " + std::to_wstring(dropped) +
                                   L" line(s) of the downloaded list were not digests and were dropped.");
    }
    sckUpdates_CloseSck();
}

bool UpdateCheck::SignedByTheMaker() {
    std::wstring reason;
    if (!signatureSeen_) {
        reason = L"the list carries no signature";
    } else if (auto signature = ParseSignature(signatureField_); !signature) {
        reason = L"its signature is not 128 hexadecimal digits";
    } else if (const long status = signatures_.Verify(downloadBuffer_, *signature); status != 0) {
        reason = L"its signature is not the maker's (status " + StatusText(status) + L")";
    } else {
        return true;
    }
    window_.AddDetailsLine(L"Extra detections refused, nothing added: " + reason + L".");
    return false;
}

void UpdateCheck::Timer5_Timer() {
    FailDownload(downloadLength_ == 0 && downloadBuffer_.empty()
                     ? L"no answer with a readable Content-Length came within the time limit"
                     : L"the list did not come whole, ended by CR CR LF, within the time limit");
}

void UpdateCheck::FailDownload(std::wstring_view why) {
    Trace(kTraceWhere, L"the download of extra detections failed: " + std::wstring(why));
    sckUpdates_.CloseSck();
    window_.SetStatus(update_status::kDownloadFailed);
    timers_.EnableTimer(UpdateTimer::Timer5, false);
    sckUpdates_CloseSck();
}

void UpdateCheck::sckUpdates_CloseSck() {
    // The window is freed once: a later close or timeout must not enable START in the middle of a run.
    if (finished_) return;
    finished_ = true;
    window_.Finish();
}

}  // namespace pell::net
