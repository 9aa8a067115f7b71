// The main window: start-up look, the skin's buttons and bars, START and CLOSE, the close rules, the
// glow, the focus watch, and the host side of a run (details box, bars, paced pumping, message boxes).
#include "ui/main_window.h"

#include "base/product.h"
#include "record/restore.h"
#include "engine/run.h"
#include "i18n/details.h"
#include "platform/win32/browse_folder.h"
#include "ui/message_box.h"
#include "ui/resource_ids.h"

namespace pell::ui {

namespace {
constexpr UINT_PTR kTimerGlow = 3;        // Timer3
constexpr UINT_PTR kTimerFocusWatch = 4;  // Timer4
constexpr UINT kGlowIntervalMs = 10, kFocusWatchIntervalMs = 100;
// How long after a run the window takes back an activation that went nowhere: the restart command starts
// a console whose window comes and goes on its own time, and takes the activation with it.
constexpr std::uint64_t kReclaimMs = 20000;
constexpr int kIdStart = 10, kIdClose = 11, kIdAbout = 12, kIdDetails = 20;
constexpr wchar_t kPickerTitle[] = L"Please select a folder to save Log and Backup Files to...";
// Undoing a cleaning from the system menu. The ids of added system-menu items stay below 0xF000 and
// keep their low four bits clear (Windows uses them).
constexpr UINT kMenuRestore = 0x0110;
constexpr wchar_t kSelfProperty[] = L"PellworthMainWindow";
constexpr wchar_t kEditProcProperty[] = L"PellworthEditProcedure";
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;

FontSpec ButtonFont(int charset) { return {L"MS Sans Serif", mainwin::kButtonFontPoints, true, charset}; }

// Serves what is waiting, bounded so a flood of posted messages cannot keep the run from going on.
void PumpPending() {
    MSG msg;
    for (int served = 0; served < 10000 && ::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE); ++served) {
        if (msg.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

// The details box is an ordinary edit control; a click on it counts as a click on the window.
LRESULT CALLBACK DetailsProcedure(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    auto previous = reinterpret_cast<WNDPROC>(::GetPropW(hwnd, kEditProcProperty));
    if (msg == WM_LBUTTONDOWN) {
        HWND owner = ::GetParent(hwnd);
        ::SendMessageW(owner, WM_APP, 0, 0);
    }
    if (msg == WM_NCDESTROY) {
        ::RemovePropW(hwnd, kEditProcProperty);
        ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
    }
    return ::CallWindowProcW(previous, hwnd, msg, wparam, lparam);
}
constexpr UINT kDetailsClicked = WM_APP;

}  // namespace

MainWindow::MainWindow(const LanguageState& language) : language_(language) {}

bool MainWindow::Open() {
    scale_.dpi = DpiOf(nullptr);
    const PixelRect fitted = FitTo(WorkAreaOf(::MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY)));

    CreateArgs args;
    args.className = L"PellworthRemoverMain";
    args.style = kStyle;
    args.rect = fitted;
    args.text = MainCaption();
    args.icon = ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(PELL_ICON_MAIN));
    if (!Create(args)) return false;
    // The window is shown at the DPI of the monitor it landed on.
    if (DpiOf(hwnd()) != scale_.dpi) {
        scale_.dpi = DpiOf(hwnd());
        const PixelRect r = FitTo(WorkAreaOf(::MonitorFromWindow(hwnd(), MONITOR_DEFAULTTOPRIMARY)));
        ::SetWindowPos(hwnd(), nullptr, r.left, r.top, r.width, r.height, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    windowBrush_.reset(::CreateSolidBrush(ToColorRef(colour::kWindow)));
    CreateChildren();
    Layout(scale_.dpi);
    ApplyLanguage();

    SetProg1(0);
    SetProg2(0);
    // Layered, with neither alpha nor a colour key in effect: the window stays opaque.
    ::SetWindowLongPtrW(hwnd(), GWL_EXSTYLE, ::GetWindowLongPtrW(hwnd(), GWL_EXSTYLE) | WS_EX_LAYERED);
    ::SetLayeredWindowAttributes(hwnd(), 0, 0, 0);
    HMENU system = ::GetSystemMenu(hwnd(), FALSE);
    ::AppendMenuW(system, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuW(system, MF_STRING, kMenuRestore, language_.translation.Line(textline::RestoreMenu).c_str());
    DisableGUI();
    ::ShowWindow(hwnd(), SW_SHOW);
    ::UpdateWindow(hwnd());
    ::SetForegroundWindow(hwnd());
    ::SetTimer(hwnd(), kTimerFocusWatch, kFocusWatchIntervalMs, nullptr);
    PumpPending();
    return true;
}

PixelRect MainWindow::FitTo(const PixelRect& work) {
    // The frame at the system's metrics, which are the window's on the one-monitor machines it meets.
    RECT frame{0, 0, 0, 0};
    ::AdjustWindowRectEx(&frame, kStyle, FALSE, 0);
    const int frameWidth = frame.right - frame.left, frameHeight = frame.bottom - frame.top;
    squeeze_ = mainwin::Squeeze(scale_.dpi, frameHeight, work.height);
    const int width = scale_.Px(mainwin::kClientWidth) + frameWidth;
    const int height = scale_.Px(mainwin::kClientHeight - squeeze_) + frameHeight;
    const Point at = PlaceInWorkArea(work, width, height);
    return {at.x, at.y, width, height};
}

void MainWindow::CreateChildren() {
    // Creation order is the Tab order: START, CLOSE, About.
    start_.Create(hwnd(), kIdStart, language_.translation.StartCaption());
    close_.Create(hwnd(), kIdClose, language_.translation.CloseCaption());
    about_.Create(hwnd(), kIdAbout, language_.translation.AboutCaption());
    start_.SetPressHandler([this] { Start(); });
    close_.SetPressHandler([this] { Close(); });
    about_.SetPressHandler([this] {
        if (onAbout_) onAbout_();
    });
    start_.Enable(false);
    close_.Enable(false);  // disabled at design time

    for (ProgressBar* bar : {&bar1_, &bar2_}) {
        bar->Create(hwnd(), &art_);
        bar->SetClickHandler([this] { FormClick(); });
    }
    label3_.Create(hwnd(), language_.translation.Line(1));
    label4_.Create(hwnd(), language_.translation.Line(2));
    label6_.Create(hwnd(), language_.translation.Line(3));
    label1_.Create(hwnd(), L"Status:  ", SS_RIGHT);
    label2_.Create(hwnd(), L"Checking for Updates....");
    for (Label* l : {&label3_, &label4_, &label6_}) l->SetColours(colour::kWhite, colour::kWindow);
    for (Label* l : {&label1_, &label2_}) l->SetColours(colour::kWhite, colour::kStatusStrip);

    details_ = ::CreateWindowExW(0, L"EDIT", L"",
                                 WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_BORDER | ES_MULTILINE | ES_READONLY |
                                     ES_AUTOVSCROLL | ES_NOHIDESEL,
                                 0, 0, 1, 1, hwnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdDetails)),
                                 ::GetModuleHandleW(nullptr), nullptr);
    // A whole run's lines, however many: the default limit would drop lines past 32767 characters.
    ::SendMessageW(details_, EM_SETLIMITTEXT, 0, 0);
    ::SetPropW(details_, kEditProcProperty,
               reinterpret_cast<HANDLE>(::GetWindowLongPtrW(details_, GWLP_WNDPROC)));
    ::SetWindowLongPtrW(details_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DetailsProcedure));
}

void MainWindow::Layout(int dpi) {
    scale_.dpi = dpi;
    if (artDpi_ != dpi) {
        art_ = LoadArtwork(scale_);
        artDpi_ = dpi;
    }
    label3_.SetFont(MakeFont({L"Arial", mainwin::kSectionFontPoints, true, language_.currentCharset}, dpi));
    label4_.SetFont(MakeFont({L"Arial", mainwin::kSectionFontPoints, true, language_.currentCharset}, dpi));
    label6_.SetFont(MakeFont({L"Arial", mainwin::kSectionFontPoints, true, language_.currentCharset}, dpi));
    label1_.SetFont(MakeFont({L"Arial", mainwin::kStatusFontPoints, true, 0}, dpi));
    label2_.SetFont(MakeFont({L"Arial", mainwin::kStatusFontPoints, false, 0}, dpi));
    detailsFont_ = MakeFont({L"MS Sans Serif", mainwin::kDetailsFontPoints, false, language_.currentCharset}, dpi);
    ::SendMessageW(details_, WM_SETFONT, reinterpret_cast<WPARAM>(detailsFont_.get()), TRUE);

    TwipRect label4 = mainwin::kLabel4, label6 = mainwin::kLabel6;
    label4.top = mainwin::Label4Top(language_.currentCharset);
    label6.top = mainwin::Label6Top(language_.currentCharset);
    label3_.Move(scale_.Rect(mainwin::kLabel3));
    label4_.Move(scale_.Rect(label4));
    label6_.Move(scale_.Rect(label6));
    label1_.Move(scale_.Rect(mainwin::Squeezed(mainwin::kLabel1, squeeze_)));
    label2_.Move(scale_.Rect(mainwin::Squeezed(mainwin::kLabel2, squeeze_)));
    const PixelRect details = scale_.Rect(mainwin::Squeezed(mainwin::kDetails, squeeze_));
    ::SetWindowPos(details_, nullptr, details.left, details.top, details.width, details.height,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    for (DrawnButton* b : {&start_, &close_, &about_}) b->SetFont(ButtonFont(language_.currentCharset));
    start_.Place(mainwin::Squeezed(mainwin::kStart, squeeze_), scale_);
    close_.Place(mainwin::Squeezed(mainwin::kClose, squeeze_), scale_);
    about_.Place(mainwin::kAbout, scale_);
    const int clientWidth = scale_.Px(mainwin::kClientWidth);
    bar1_.Place(scale_, clientWidth);
    bar2_.Place(scale_, clientWidth);
    if (onPickerLayout_) onPickerLayout_(hwnd(), dpi);
    Invalidate();
}

void MainWindow::ApplyLanguage() {
    if (hwnd() == nullptr) return;
    const Translation& translation = language_.translation;
    const int charset = language_.currentCharset;
    Layout(scale_.dpi);  // fonts in the language's character set, and the labels' places for it
    label3_.SetText(translation.Line(1));
    label4_.SetText(translation.Line(2));
    label6_.SetText(translation.Line(3));
    for (Label* l : {&label3_, &label4_, &label6_}) l->SetReadingOrder(RightToLeftReading(charset));
    SetReadingOrder(details_, RightToLeftReading(charset));
    // The restore item's text; EnableGUI or DisableGUI below sets whether it can be chosen.
    ::ModifyMenuW(::GetSystemMenu(hwnd(), FALSE), kMenuRestore, MF_BYCOMMAND | MF_STRING, kMenuRestore,
                  translation.Line(textline::RestoreMenu).c_str());

    about_.ClearFace();
    about_.SetFont(ButtonFont(charset));
    about_.SetForeColour(colour::kWhite);
    WriteButtonText(about_, translation.AboutCaption(), charset, {&close_, &start_});
    about_.DrawBorder(colour::kBlack);

    start_.ClearFace();
    close_.ClearFace();
    if (close_.Enabled()) EnableGUI();
    else DisableGUI();
}

void MainWindow::SetPickerHandlers(std::function<void(HWND, int)> onLayout, std::function<void(bool)> onEnable,
                                   std::function<void()> onFormClick) {
    onPickerLayout_ = std::move(onLayout);
    onPickerEnable_ = std::move(onEnable);
    onFormClick_ = std::move(onFormClick);
}

void MainWindow::DrawButtonFaces(Rgb startColour, Rgb closeColour) {
    for (DrawnButton* b : {&close_, &start_}) b->SetFont(ButtonFont(language_.currentCharset));
    start_.SetForeColour(startColour);
    close_.SetForeColour(closeColour);
    const Overlays overlays{&close_, &start_};
    WriteButtonText(start_, language_.translation.StartCaption(), language_.currentCharset, overlays);
    WriteButtonText(close_, language_.translation.CloseCaption(), language_.currentCharset, overlays);
}

void MainWindow::DisableGUI() {
    state::DisableGUI(state_);
    start_.Enable(false);
    close_.Enable(false);
    DrawButtonFaces(colour::kDisabled, colour::kDisabled);
    if (start_.HasOverlay()) start_.Overlay().SetTransparent(colour::kDisabled);  // Label8
    start_.DrawBorder(colour::kDisabled);
    close_.DrawBorder(colour::kDisabled);
    if (onPickerEnable_) onPickerEnable_(false);
    ::EnableMenuItem(::GetSystemMenu(hwnd(), FALSE), kMenuRestore, MF_BYCOMMAND | MF_GRAYED);
}

void MainWindow::EnableGUI() {
    ShowWaiting();
    state::EnableGUI(state_);
    start_.Enable(true);
    close_.Enable(true);
    DrawButtonFaces(colour::kStartText, colour::kCloseText);
    if (start_.HasOverlay()) start_.Overlay().SetTransparent(colour::kStartText);  // Label8
    close_.DrawBorder(colour::kBlack);  // START's frame is the glow's
    if (onPickerEnable_) onPickerEnable_(true);
    ::EnableMenuItem(::GetSystemMenu(hwnd(), FALSE), kMenuRestore, MF_BYCOMMAND | MF_ENABLED);
    ::SetTimer(hwnd(), kTimerGlow, kGlowIntervalMs, nullptr);
    close_.Enable(true);
    // Keyboard users land on START whenever the window is usable again.
    HWND focus = ::GetFocus();
    if ((focus == nullptr || focus == hwnd()) && ::GetActiveWindow() == hwnd()) ::SetFocus(start_.hwnd());
}

void MainWindow::FinishUpdateCheck() {
    close_.Enable(true);
    start_.Enable(true);
    state_.term = true;
    SetProg1(0);
    EnableGUI();
}

bool MainWindow::BeginWork() {
    if (!state::Accepts(state_, Request::Start) || engine_ == nullptr) return false;
    FormClick();
    ::KillTimer(hwnd(), kTimerGlow);
    state::BeginRun(state_);
    DisableGUI();
    return true;
}

void MainWindow::Start() {
    if (!BeginWork()) return;
    const RunOutcome outcome = StartCleaning(*engine_, [this] {
        ShowWaiting();
        return win32::BrowseForFolder(hwnd(), kPickerTitle);
    });
    if (outcome == RunOutcome::RecordUnwritable || outcome == RunOutcome::RecordFailed) {
        const Translation& t = language_.translation;
        // The one thing the user can do about a record that could not be written: another folder.
        const int line = outcome == RunOutcome::RecordUnwritable ? textline::RecordUnwritable : textline::RecordFailed;
        MessageBoxWindow box(t.Shown(line), t.OkCaption(), L"", language_.currentCharset);
        box.ShowModal(hwnd());
    }
    // The record names what the run changed; it is what "Restore a previous cleaning..." reads.
    if (!engine_->lastRecord.empty())
        AppendDetailsLine(*this, language_.translation.Filled(textline::RunRecord, engine_->lastRecord));
    ShowWaiting();
    state::EndRun(state_);
    // The services key could not be read, or a close was granted while the run's last boxes were up.
    if (endRequested_ || state_.closePending) ::DestroyWindow(hwnd());
    else ReturnToUser();
}

void MainWindow::RestorePrevious() {
    if (!BeginWork()) return;
    const Translation& t = language_.translation;
    const std::wstring folder = win32::BrowseForFolder(hwnd(), t.Line(textline::RestorePickerTitle));
    if (!folder.empty()) {
        MessageBoxWindow box(t.Shown(textline::RestoreQuestion), t.YesCaption(), t.NoCaption(), language_.currentCharset);
        if (box.ShowModal(hwnd()) == answer::Yes) {
            SetDetailsText(L"");
            RestoreRun(engine_->sys, *this, folder, RestoreOptions{}, [this](const std::wstring& line) {
                AppendDetailsText(line + L"\r\n");
                SetDetailsCaret(DetailsLength());
                DoEvents();
            });
        }
    }
    state::EndRun(state_);
    state_.term = true;
    EnableGUI();
    if (endRequested_ || state_.closePending) ::DestroyWindow(hwnd());
    else ReturnToUser();
}

void MainWindow::ReturnToUser() {
    // The user asked for the password page: the browser is where the user is going.
    if (pageAsked_) {
        pageAsked_ = false;
        return;
    }
    reclaimUntil_ = ::GetTickCount64() + kReclaimMs;
    TakeActivation();
}

void MainWindow::TakeActivation() {
    ::SetForegroundWindow(hwnd());
    ::SetActiveWindow(hwnd());
    if (start_.Enabled()) ::SetFocus(start_.hwnd());
}

void MainWindow::Close() {
    if (!state::Accepts(state_, Request::Close)) return;
    if (beforeClose_) beforeClose_();  // the about box's tune stopped, its file deleted
    state_.term = true;
    ::DestroyWindow(hwnd());
}

bool MainWindow::OnClose() {
    if (!state::Accepts(state_, Request::CloseFromSystem)) return false;
    if (state_.running) {
        // The run is still on the stack (its last message boxes): close once it has returned.
        state_.closePending = true;
        return false;
    }
    return true;
}

void MainWindow::FormClick() {
    if (onFormClick_) onFormClick_();
}

void MainWindow::OnTimer(UINT_PTR id) {
    ShowWaiting();  // a bar set by the update check between two paced pumps
    if (id == kTimerGlow) {
        start_.DrawBorder(GlowStep(glow_));
    } else if (id == kTimerFocusWatch) {
        if (reclaimUntil_ != 0 && ::GetTickCount64() > reclaimUntil_) reclaimUntil_ = 0;
        HWND front = ::GetForegroundWindow();
        // Only an activation nobody holds (no window, or one the user cannot see) is taken back, and
        // only while the window takes input (no box of its own is up).
        if (reclaimUntil_ != 0 && front != hwnd() && (front == nullptr || !::IsWindowVisible(front)) &&
            ::IsWindowEnabled(hwnd()))
            TakeActivation();
        if (::GetActiveWindow() != hwnd()) {
            FormClick();
            ::InvalidateRect(hwnd(), nullptr, FALSE);
            ::InvalidateRect(details_, nullptr, FALSE);
        }
    }
}

void MainWindow::OnPaint(HDC dc, const RECT& client) {
    FillRectColour(dc, client, colour::kWindow);
    const PixelRect banner = scale_.Rect(mainwin::kBanner);
    art_.banner.Draw(dc, banner);
    // The banner is a little narrower than the window: its last column carries on to the edge.
    art_.banner.DrawColumn(dc, art_.banner.width - 1, {banner.right(), banner.top, client.right - banner.right(), banner.height});
}

void MainWindow::OnMessage(WindowMessage& m) {
    switch (m.msg) {
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT: {
        HDC dc = reinterpret_cast<HDC>(m.wparam);
        HWND child = reinterpret_cast<HWND>(m.lparam);
        if (child == details_) {
            ::SetTextColor(dc, ToColorRef(colour::kWhite));
            ::SetBkColor(dc, ToColorRef(colour::kWindow));
            m.result = reinterpret_cast<LRESULT>(windowBrush_.get());
            return;
        }
        for (Label* l : {&label3_, &label4_, &label6_, &label1_, &label2_}) {
            if (l->hwnd() == child) {
                m.result = reinterpret_cast<LRESULT>(l->Colour(dc));
                return;
            }
        }
        break;
    }
    case kDetailsClicked:
        FormClick();
        return;
    case WM_SYSCOMMAND:
        if ((m.wparam & 0xFFF0) == kMenuRestore) {
            RestorePrevious();
            return;
        }
        break;
    case WM_SETFOCUS:
        // Back in the window (after a box, or from another program): keyboard users land on START.
        if (start_.Enabled()) ::SetFocus(start_.hwnd());
        return;
    case WM_KEYDOWN:
        if (m.wparam == VK_TAB) {
            MoveFocusOnTab(hwnd(), nullptr);
            return;
        }
        break;
    case WM_DPICHANGED: {
        // Fitted to the work area of the monitor the suggested place lies on.
        const RECT* suggested = reinterpret_cast<const RECT*>(m.lparam);
        scale_.dpi = HIWORD(m.wparam);
        const PixelRect r = FitTo(WorkAreaOf(::MonitorFromRect(suggested, MONITOR_DEFAULTTONEAREST)));
        Layout(scale_.dpi);
        ApplyLanguage();
        ::SetWindowPos(hwnd(), nullptr, r.left, r.top, r.width, r.height, SWP_NOZORDER | SWP_NOACTIVATE);
        return;
    }
    case WM_DESTROY:
        ::KillTimer(hwnd(), kTimerGlow);
        ::KillTimer(hwnd(), kTimerFocusWatch);
        ::PostQuitMessage(0);
        return;
    default:
        break;
    }
    m.handled = false;
}

std::wstring MainWindow::DetailsText() const {
    FlushDetails();
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(details_)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextW(details_, text.data(), static_cast<int>(text.size()))));
    return text;
}

// The box's length is the control's plus what waits to be handed to it; the control's own is kept, since
// asking it is a round trip to the server under Wine and a run asks once per line.
std::size_t MainWindow::DetailsLength() const { return detailsShown_ + detailsWaiting_.size(); }

void MainWindow::SetDetailsText(const std::wstring& text) {
    detailsReplace_ = true;
    detailsWaiting_ = text;
    detailsShown_ = 0;
    caretWaiting_.reset();
}

// Lines wait until the next paced pump (or a box, the picker, the run's end) and go in as one edit:
// each append re-lays the control's whole text, and a run writes hundreds of lines in bursts.
void MainWindow::AppendDetailsText(const std::wstring& text) { detailsWaiting_ += text; }

void MainWindow::SetDetailsCaret(std::size_t position) { caretWaiting_ = position; }

void MainWindow::ShowWaiting() {
    bar1_.Show();
    bar2_.Show();
    FlushDetails();
}

void MainWindow::FlushDetails() const {
    if (detailsReplace_) {
        detailsReplace_ = false;
        ::SetWindowTextW(details_, detailsWaiting_.c_str());
        detailsShown_ = static_cast<std::size_t>(::GetWindowTextLengthW(details_));
        detailsWaiting_.clear();
    } else if (!detailsWaiting_.empty()) {
        const LPARAM end = static_cast<LPARAM>(detailsShown_);
        ::SendMessageW(details_, EM_SETSEL, static_cast<WPARAM>(end), end);
        ::SendMessageW(details_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(detailsWaiting_.c_str()));
        detailsShown_ = static_cast<std::size_t>(::GetWindowTextLengthW(details_));
        detailsWaiting_.clear();
        // The append leaves the caret after the new text, in view: where the run almost always wants it.
        if (caretWaiting_ && *caretWaiting_ == detailsShown_) caretWaiting_.reset();
    }
    if (caretWaiting_) {
        const WPARAM at = static_cast<WPARAM>(*caretWaiting_);
        caretWaiting_.reset();
        ::SendMessageW(details_, EM_SETSEL, at, static_cast<LPARAM>(at));
        ::SendMessageW(details_, EM_SCROLLCARET, 0, 0);
    }
}

void MainWindow::SetProg1(double value) {
    bar1_.SetValue(value);
    DoEvents();
}

void MainWindow::SetProg2(double value) {
    bar2_.SetValue(value);
    DoEvents();
}

void MainWindow::DoEvents() {
    if (!pacer_.Due(::GetTickCount64())) return;
    ShowWaiting();
    PumpPending();
}

int MainWindow::MsgBox(int code, bool yesNo) {
    ShowWaiting();
    const int result = MultilingualMsgBox(hwnd(), language_.translation, language_.currentCharset, code, yesNo ? 4 : 0);
    if (code == box::ChangePassword && result == answer::Yes) pageAsked_ = true;
    return result;
}

}  // namespace pell::ui
