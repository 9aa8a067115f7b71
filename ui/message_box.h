// The translated message box: its own modal window in the skin, sized to its text by the layout
// rules, with OK or Yes and No; the result is 1, 6, 7 or 0 (closed without a button).
#pragma once

#include <string>

#include "i18n/translation.h"
#include "ui/drawn_button.h"
#include "ui/label.h"
#include "ui/window.h"

namespace pell::ui {

class MessageBoxWindow : public Window {
public:
    // `button2` empty: one OK-style button, centred.
    MessageBoxWindow(std::wstring text, std::wstring button1, std::wstring button2, int charset);

    // Shows the box over `owner` (disabled meanwhile; may be null) and returns when it is answered.
    // Other windows' messages, timers and sockets are served by its loop as usual.
    int ShowModal(HWND owner);

protected:
    bool OnClose() override;
    void OnPaint(HDC dc, const RECT& client) override;
    void OnMessage(WindowMessage& m) override;

private:
    void Build(HWND owner);
    void Arrange();
    int InkWidth(HDC labelDc, const RECT& measured);
    void Answer(int result);

    std::wstring text_, button1Caption_, button2Caption_;
    int charset_;
    Scale scale_;
    Label message_;
    DrawnButton picture1_{ButtonRole::Picture1};
    DrawnButton picture2_{ButtonRole::Other};
    int returnVal_ = 0;
    bool done_ = false;
};

// MultilingualMsgBox: a message-box code (box::) from `translation`, buttons 0 (OK) or 4 (Yes, No).
int MultilingualMsgBox(HWND owner, const Translation& translation, int charset, int code, int buttons);

}  // namespace pell::ui
