// The update check's sockets are socket objects whose events call its handlers; its timers are thread
// timers, so any message loop of the thread (the main one, a modal box's) serves them.
#include "net/update_service.h"

#include <map>

#include "base/trace.h"
#include "net/socket_master.h"
#include "platform/win32/signature_check.h"
#include "platform/win32/win32_api.h"

namespace pell::net {
namespace {

class SocketAdapter final : public UpdateSocket {
public:
    SocketAdapter() : socket(CSocketMaster::Create()) {}
    void Connect(const std::wstring& host, long port) override { socket->Connect(host, port); }
    void SendData(std::string_view bytes) override { socket->SendData(bytes); }
    std::string GetData() override {
        std::string data;
        socket->GetData(data);
        return data;
    }
    void CloseSck() override { socket->CloseSck(); }
    bool IsClosed() const override { return socket->State() == SocketState::Closed; }

    std::shared_ptr<CSocketMaster> socket;
};

// Lists are checked against the maker's key bound into the program, and no other.
class MakerSignature final : public ListSignatureCheck {
public:
    long Verify(std::string_view body, const ListSignature& signature) override {
        return win32::VerifyEcdsaP256(win32::MakerPublicKey(), body, signature);
    }
};

void TraceErrors(CSocketMaster& socket, const wchar_t* name) {
    socket.OnError = [name](SocketErrorEvent& event) {
        Trace(name, L"error " + std::to_wstring(event.number) + L" from " + event.source + L": " + event.description);
    };
}

class ThreadTimers;
// Thread timers carry no context of their own: their ids lead back to the object that set them.
std::map<UINT_PTR, ThreadTimers*>& TimerOwners() {
    static std::map<UINT_PTR, ThreadTimers*> owners;
    return owners;
}

class ThreadTimers final : public UpdateTimers {
public:
    explicit ThreadTimers(UpdateCheck*& check) : check_(check) {}
    ~ThreadTimers() override {
        EnableTimer(UpdateTimer::Timer1, false);
        EnableTimer(UpdateTimer::Timer5, false);
    }
    void EnableTimer(UpdateTimer timer, bool enabled) override {
        UINT_PTR& id = timer == UpdateTimer::Timer1 ? timer1_ : timer5_;
        if (id != 0) {
            ::KillTimer(nullptr, id);
            TimerOwners().erase(id);
            id = 0;
        }
        if (!enabled) return;
        id = ::SetTimer(nullptr, 0, timer == UpdateTimer::Timer1 ? kTimer1Interval : kTimer5Interval, &Tick);
        if (id != 0) TimerOwners()[id] = this;
    }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD) {
        auto it = TimerOwners().find(id);
        if (it == TimerOwners().end()) return;
        ThreadTimers& self = *it->second;
        if (self.check_ == nullptr) return;
        if (id == self.timer1_) self.check_->Timer1_Timer();
        else if (id == self.timer5_) self.check_->Timer5_Timer();
    }

    UpdateCheck*& check_;
    UINT_PTR timer1_ = 0, timer5_ = 0;
};

}  // namespace

struct UpdateService::Impl {
    UpdateCheck* checkForTimers = nullptr;
    SocketAdapter sckUpdateCheck, sckUpdates;
    ThreadTimers timers{checkForTimers};
    MakerSignature signatures;
    UpdateCheck check;

    Impl(UpdateWindow& window, Engine& e, const std::wstring& caption, std::wstring host, long port)
        : check(sckUpdateCheck, sckUpdates, window, timers, signatures, e, std::move(host), LocalProgramVersion(),
                DatabaseVersionOfCaption(caption), port) {
        checkForTimers = &check;
        // The check has no use for the sockets' errors (each step ends by its time limit), but whoever
        // diagnoses a failed check needs them: they go to the trace, and no box is shown.
        TraceErrors(*sckUpdateCheck.socket, L"sckUpdateCheck");
        TraceErrors(*sckUpdates.socket, L"sckUpdates");
        CSocketMaster& a = *sckUpdateCheck.socket;
        a.OnConnect = [this] { check.sckUpdateCheck_Connect(); };
        a.OnDataArrival = [this](long) { check.sckUpdateCheck_DataArrival(); };
        a.OnCloseSck = [this] { check.sckUpdateCheck_CloseSck(); };
        CSocketMaster& b = *sckUpdates.socket;
        b.OnConnect = [this] { check.sckUpdates_Connect(); };
        b.OnDataArrival = [this](long) { check.sckUpdates_DataArrival(); };
        b.OnCloseSck = [this] { check.sckUpdates_CloseSck(); };
    }
    ~Impl() { checkForTimers = nullptr; }
};

UpdateService::UpdateService(UpdateWindow& window, Engine& e, const std::wstring& caption, std::wstring host,
                             long port)
    : impl_(std::make_unique<Impl>(window, e, caption, std::move(host), port)) {}

UpdateService::~UpdateService() = default;

void UpdateService::Start() { impl_->check.Start(); }

const UpdateCheck& UpdateService::Check() const { return impl_->check; }

}  // namespace pell::net
