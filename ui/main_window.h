// The main window: START, CLOSE, About, the two bars, the details box and the status line; it is the
// host a cleaning run reports to, and the run executes inside its START handler.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "base/host.h"
#include "engine/engine.h"
#include "i18n/language.h"
#include "ui/artwork.h"
#include "ui/drawn_button.h"
#include "ui/label.h"
#include "ui/main_window_layout.h"
#include "ui/progress_bar.h"
#include "ui/pump_pacer.h"
#include "ui/run_state.h"
#include "ui/window.h"

namespace pell::ui {

class MainWindow : public Window, public Host {
public:
    // `language` is the program's one: the window shows whatever it holds at each ApplyLanguage.
    explicit MainWindow(const LanguageState& language);

    // Start-up steps 5 to 10: made hidden, bars at 0, layered but opaque, disabled, shown, one pump.
    bool Open();
    // The engine the START button runs (it lives as long as the window).
    void Attach(Engine& engine) { engine_ = &engine; }
    const MainState& State() const { return state_; }

    // Seams for the pieces that plug in later, one line each:
    // - the language picker: selecting a language re-applies captions, fonts and the button faces;
    void ApplyLanguage();
    // - the language picker stands at LanguageBoxRect(); it is placed whenever the window lays out its
    //   children at a new DPI, told when the window enables or greys it, and closes its panel on every
    //   click on the window (Form_Click);
    PixelRect LanguageBoxRect() const { return scale_.Rect(mainwin::kLanguageBox); }
    void SetPickerHandlers(std::function<void(HWND parent, int dpi)> onLayout, std::function<void(bool enabled)> onEnable,
                           std::function<void()> onFormClick);
    // - the update check: StartUpdateCheck (ui/update_check.cpp) ends by calling FinishUpdateCheck, and
    //   writes its progress into the status line;
    void FinishUpdateCheck();
    void SetStatusText(const std::wstring& text) { label2_.SetText(text); }
    // - the about box opens from the About button (it stays enabled during a run);
    void SetAboutHandler(std::function<void()> onAbout) { onAbout_ = std::move(onAbout); }
    // - CLOSE runs these first (the about box's tune is stopped and its file deleted there).
    void SetBeforeCloseHandler(std::function<void()> beforeClose) { beforeClose_ = std::move(beforeClose); }
    // The language the window shows now; the about box follows it.
    const Translation& CurrentTranslation() const { return language_.translation; }
    int CurrentCharset() const { return language_.currentCharset; }

    void DisableGUI();
    void EnableGUI() override;

    // The Host a run reports to.
    std::wstring DetailsText() const override;
    std::size_t DetailsLength() const override;
    void SetDetailsText(const std::wstring& text) override;
    void AppendDetailsText(const std::wstring& text) override;
    void SetDetailsCaret(std::size_t position) override;
    void SetProg1(double value) override;
    void SetProg2(double value) override;
    void DoEvents() override;
    int MsgBox(int code, bool yesNo) override;
    std::wstring Caption() const override { return Text(); }
    void SetTerm(bool term) override { state_.term = term; }
    void EndProgram() override { endRequested_ = true; }

protected:
    void OnPaint(HDC dc, const RECT& client) override;
    void OnTimer(UINT_PTR id) override;
    void OnClick() override { FormClick(); }
    bool OnClose() override;
    void OnMessage(WindowMessage& m) override;

private:
    void CreateChildren();
    // The window's outer place in `work` at the current DPI: centred, inside it, the details box
    // shortened (squeeze_) when the screen is too small for the whole window.
    PixelRect FitTo(const PixelRect& work);
    void Layout(int dpi);
    // What START and a restore both do first, when the window accepts it: the glow stopped, the run
    // state entered, the window greyed. False when the window is not idle.
    bool BeginWork();
    void Start();
    // The system menu's "Restore a previous cleaning...": a folder, a confirmation, the restore's lines.
    void RestorePrevious();
    // The window in front again, ready for keys, once a run or a restore is over: its boxes, the folder
    // picker and the programs it starts (the restart command, a browser) take the activation away.
    void ReturnToUser();
    void TakeActivation();
    void Close();
    void FormClick();
    void DrawButtonFaces(Rgb startColour, Rgb closeColour);
    // Hands what waits to the controls: the details text and caret, the bars' new fills.
    void ShowWaiting();
    void FlushDetails() const;

    const LanguageState& language_;
    Engine* engine_ = nullptr;
    MainState state_;
    GlowState glow_;
    PumpPacer pacer_;
    Scale scale_;
    double squeeze_ = 0;  // twips the details box gives up so the window fits the screen
    Artwork art_;
    int artDpi_ = 0;

    DrawnButton start_{ButtonRole::Start};   // Command2
    DrawnButton close_{ButtonRole::Close};   // Command1
    DrawnButton about_{ButtonRole::Other};   // cmdAbout
    ProgressBar bar1_{1}, bar2_{2};
    Label label3_, label4_, label6_, label1_, label2_;
    HWND details_ = nullptr;  // txtDetails
    // What the run wrote that the details box does not show yet, and the caret it asked for.
    mutable std::wstring detailsWaiting_;
    mutable std::optional<std::size_t> caretWaiting_;
    mutable std::size_t detailsShown_ = 0;
    mutable bool detailsReplace_ = false;  // the waiting text replaces the box's instead of following it
    Font detailsFont_;
    Brush windowBrush_;

    std::function<void(HWND, int)> onPickerLayout_;
    std::function<void(bool)> onPickerEnable_;
    std::function<void()> onFormClick_;
    std::function<void()> onAbout_;
    std::function<void()> beforeClose_;
    bool endRequested_ = false;
    bool pageAsked_ = false;           // the run opens the password page at the user's word
    std::uint64_t reclaimUntil_ = 0;   // tick until which a lost activation is taken back (0: none)
};

}  // namespace pell::ui
