// The main window's language picker: the box with the current language's own name and the drop arrow
// (pctLangSelect), and the panel under it with one entry per language (pctDropDown, lblLanguage).
#pragma once

#include <array>
#include <functional>
#include <string>

#include "i18n/language.h"
#include "ui/window.h"

namespace pell::ui {

// One entry of the panel: the language's name in its own script and character set, highlighted while
// it is the last entry the mouse touched; the Chinese and Japanese entries are greyed and take no input.
class LanguageEntry : public Window {
public:
    void Create(HWND panel, int index);
    void Place(const Scale& scale);
    void SetHandlers(std::function<void(int)> onHover, std::function<void(int)> onPick);
    void SetHighlight(bool on);

protected:
    void OnPaint(HDC dc, const RECT& client) override;
    void OnClick() override;
    void OnMessage(WindowMessage& m) override;

private:
    int index_ = 0;
    Font font_;
    bool highlighted_ = false;
    std::function<void(int)> onHover_, onPick_;
};

class LanguagePanel : public Window {
protected:
    void OnPaint(HDC dc, const RECT& client) override;
};

class LanguageBox : public Window {
public:
    void SetName(const std::wstring& name, int charset);
    void SetArrowColour(Rgb colour);
    void Place(const PixelRect& rect, const Scale& scale);
    void SetArrowHandler(std::function<void()> onArrow) { onArrow_ = std::move(onArrow); }
    // Keys pressed while the box has the keyboard focus (Tab aside); true when the picker took the key.
    void SetKeyHandler(std::function<bool(WPARAM key)> onKey) { onKey_ = std::move(onKey); }

protected:
    void OnPaint(HDC dc, const RECT& client) override;
    void OnClick() override;
    void OnMessage(WindowMessage& m) override;

private:
    Scale scale_;
    Font font_;
    int charset_ = 0;
    std::wstring name_;
    Rgb arrow_ = colour::kDisabled;
    std::function<void()> onArrow_;
    std::function<bool(WPARAM)> onKey_;
};

// The picker as a whole: the LanguageView the selection steps drive. The captions themselves are the
// main window's (`show`); a click on an entry asks `pick` to select that language.
class LanguagePicker : public LanguageView {
public:
    using Show = std::function<void(const Translation&, int charset)>;
    using Pick = std::function<void(int index)>;
    LanguagePicker(Show show, Pick pick) : show_(std::move(show)), pick_(std::move(pick)) {}

    // Made on `parent` with the box at `box` (twips) the first time; moved and rescaled when the DPI
    // changes. Until then the selection steps are remembered and shown once it exists.
    void Place(HWND parent, const TwipRect& box, int dpi);
    // DisableGUI / EnableGUI: the box takes no clicks while disabled and its arrow is grey.
    void Enable(bool enabled);
    // Form_Click and the focus watch.
    void ClosePanel() { HideLanguagePanel(); }

    // LanguageView
    void SetPickerCharset(int charset) override { boxCharset_ = charset; }
    void MoveProgressLabels(int, int) override {}  // the main window places them by CurrentCharset
    void DrawLanguageName(int index) override;
    void HideLanguagePanel() override;
    void DrawLanguageBox() override;
    void ShowTranslation(const Translation& translation, int charset) override { show_(translation, charset); }

private:
    void TogglePanel();
    void Hover(int index);
    // The keyboard on the box: Enter, Space or an arrow opens the panel on the current language; in the
    // open panel the arrows move the highlight, Enter or Space picks, Esc closes.
    bool Key(WPARAM key);
    bool PanelOpen() const;

    Show show_;
    Pick pick_;
    int dpi_ = 0;
    bool enabled_ = false;
    int boxCharset_ = 0;
    int nameIndex_ = -1;
    int highlight_ = -1;  // the highlighted entry, by mouse or keyboard
    LanguageBox box_;
    LanguagePanel panel_;
    std::array<LanguageEntry, kLanguageCount> entries_;
};

}  // namespace pell::ui
