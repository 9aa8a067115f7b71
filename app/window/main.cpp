// PellworthRemover.exe: the window program. Wiring only: the start-up steps in their order, then the
// window's message loop.
#include "app/start_up/start_up.h"
#include "engine/engine.h"
#include "i18n/language.h"
#include "platform/win32/multimedia.h"
#include "platform/win32/trace_sinks.h"
#include "platform/win32/win32_system.h"
#include "ui/about_box.h"
#include "ui/language_picker.h"
#include "ui/main_window.h"
#include "ui/main_window_layout.h"
#include "ui/message_box.h"
#include "ui/run_state.h"
#include "ui/update_check.h"

namespace {

using namespace pell;

// A fault of the program itself (its own resources broken): said in the skin's box, then the end.
int Refuse(const std::wstring& text, int code) {
    ui::MessageBoxWindow box(text, L"OK", L"", 0);
    box.ShowModal(nullptr);
    return code;
}

int Run() {
    win32::DebuggerTrace debugger;
    win32::Win32System system;
    win32::ProgramLanguageResources resources(system);
    LanguageState language;  // the captions, the message table and CurrentCharset: the program's one
    ui::MainWindow window(language);
    std::wstring error;

    // The picker's entries run the selection steps, only while the window lets the language change.
    ui::LanguagePicker picker([&window](const Translation&, int) { window.ApplyLanguage(); },
                              [&](int index) {
                                  if (!ui::state::Accepts(window.State(), ui::Request::PickLanguage)) return;
                                  std::wstring why;
                                  if (!SelectLanguage(index, resources, language, picker, why))
                                      Refuse(L"This language cannot be shown: " + why, 0);
                              });
    window.SetPickerHandlers([&picker](HWND parent, int dpi) { picker.Place(parent, ui::mainwin::kLanguageBox, dpi); },
                             [&picker](bool enabled) { picker.Enable(enabled); }, [&picker] { picker.ClosePanel(); });

    // 1. The language of the user's system (English when it has no translation here).
    if (!StartUpLanguage(system.LocaleLanguageName(), resources, language, picker, error))
        return Refuse(L"The translations of this program are missing or broken: " + error, 70);

    // 2. A second copy (window or console program) is refused.
    win32::InstanceGuard instance;
    if (instance.AnotherRunning()) {
        ui::MultilingualMsgBox(nullptr, language.translation, language.currentCharset, box::AlreadyRunning, 0);
        return 4;
    }

    // 3, 4. The detection tables.
    Engine engine(system, window, language.translation);
    if (startup::LoadBoundDetections(engine, error) != startup::BoundDetections::Loaded)
        return Refuse(L"The signature database was refused, so nothing can be scanned: " + error, 5);
    window.Attach(engine);
    // The service export waits for regedit: the window keeps painting and its timers and sockets go on.
    system.ServeMessagesWhileWaiting([&window] { window.DoEvents(); });

    // 5 to 10, then 11.
    if (!window.Open()) return 70;
    // The about box and its hidden tune, whose file is named after the window; CLOSE takes the file away.
    about::HiddenTune tune(system, win32::SendMultimediaCommand, [] { return win32::LoadResourceBytes(L"EEGG", 1); },
                           reinterpret_cast<std::uintptr_t>(window.hwnd()));
    window.SetAboutHandler([&] {
        const Translation& shown = window.CurrentTranslation();
        ui::AboutBox box(shown.AboutCaption(), shown.OkCaption(), window.CurrentCharset(), system, tune);
        box.ShowModal(window.hwnd());
    });
    window.SetBeforeCloseHandler([&] { tune.StopAndDelete(); });
    const auto updateCheck = ui::StartUpdateCheck(window, engine);

    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    // The window may also go by Alt+F4 or a close from outside once idle: the tune file goes with it.
    tune.StopAndDelete();
    return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    // The autorun pass looks at every drive: an empty card reader must not stop the run with a system box.
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    return Run();
}
