// The language picker: the box, its arrow and the panel drawn, hover, the arrow toggling the panel,
// picking an entry.
#include "ui/language_picker.h"

#include <algorithm>

#include "base/text.h"
#include "ui/language_picker_layout.h"

namespace pell::ui {
namespace {

static_assert(picker::kEntryCount == kLanguageCount);

constexpr int kIdBox = 40, kIdPanel = 41, kIdFirstEntry = 300;  // entry i is kIdFirstEntry + i

const Language& LanguageAt(int index) { return Languages()[static_cast<std::size_t>(index)]; }

Font PickerFont(int charset, int dpi) {
    return MakeFont({L"Times New Roman", picker::kFontPoints, false, charset}, dpi);
}

// A rectangle as the picker draws it: filled, with a one-pixel black outline.
void OutlinedRect(HDC dc, const RECT& r, Rgb fill) {
    FillRectColour(dc, r, fill);
    ::FrameRect(dc, &r, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
}

// A child window of the picker; it is placed later, at the window's DPI.
void MakeChild(Window& w, HWND parent, const wchar_t* className, DWORD style, int id, std::wstring text = {}) {
    CreateArgs args;
    args.parent = parent;
    args.className = className;
    args.style = WS_CHILD | style;
    args.rect = {0, 0, 1, 1};
    args.id = id;
    args.text = std::move(text);
    w.Create(args);
}

// The panel lies over the window's other children while it is open: they must not paint over it.
void ClipSiblingsOf(HWND parent) {
    for (HWND child = ::GetWindow(parent, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT))
        ::SetWindowLongPtrW(child, GWL_STYLE, ::GetWindowLongPtrW(child, GWL_STYLE) | WS_CLIPSIBLINGS);
}

}  // namespace

// --- an entry ---

void LanguageEntry::Create(HWND panel, int index) {
    index_ = index;
    MakeChild(*this, panel, L"PellworthLanguageEntry", WS_VISIBLE, kIdFirstEntry + index,
              Utf8ToWide(LanguageAt(index).pickerName));
    Enable(picker::Selectable(index));
}

void LanguageEntry::Place(const Scale& scale) {
    Move(scale.Rect(picker::EntryRect(index_)));
    font_ = PickerFont(picker::EntryHasOwnCharset(index_) ? LanguageAt(index_).charset : 0, scale.dpi);
    Invalidate();
}

void LanguageEntry::SetHandlers(std::function<void(int)> onHover, std::function<void(int)> onPick) {
    onHover_ = std::move(onHover);
    onPick_ = std::move(onPick);
}

void LanguageEntry::SetHighlight(bool on) {
    if (on == highlighted_) return;
    highlighted_ = on;
    Invalidate();
}

void LanguageEntry::OnPaint(HDC dc, const RECT& client) {
    FillRectColour(dc, client, highlighted_ ? picker::kHighlight : picker::kPanel);
    HGDIOBJ old = ::SelectObject(dc, font_.get());
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ToColorRef(Enabled() ? colour::kWhite : colour::kDisabled));
    RECT r = client;
    const std::wstring name = Text();
    ::DrawTextW(dc, name.c_str(), static_cast<int>(name.size()), &r, DT_CENTER | DT_TOP | DT_NOPREFIX);
    ::SelectObject(dc, old);
}

void LanguageEntry::OnClick() {
    if (Enabled() && onPick_) onPick_(index_);
}

void LanguageEntry::OnMessage(WindowMessage& m) {
    if (m.msg == WM_MOUSEMOVE && onHover_) onHover_(index_);
    m.handled = false;
}

// --- the panel ---

void LanguagePanel::OnPaint(HDC dc, const RECT& client) { OutlinedRect(dc, client, picker::kPanel); }

// --- the box ---

void LanguageBox::SetName(const std::wstring& name, int charset) {
    name_ = name;
    charset_ = charset;
    font_ = PickerFont(charset, scale_.dpi);
    SetText(name);
    Invalidate();
}

void LanguageBox::SetArrowColour(Rgb colour) {
    arrow_ = colour;
    Invalidate();
}

void LanguageBox::Place(const PixelRect& rect, const Scale& scale) {
    scale_ = scale;
    Move(rect);
    font_ = PickerFont(charset_, scale.dpi);
    Invalidate();
}

void LanguageBox::OnPaint(HDC dc, const RECT& client) {
    // The two rectangles end one line short of the box's right and bottom edges, which stay the
    // window's colour.
    const int nameRight = scale_.Px(picker::kNameWidth);
    const int right = client.right - scale_.Px(8), bottom = client.bottom - scale_.Px(8);
    FillRectColour(dc, client, colour::kWindow);
    OutlinedRect(dc, {0, 0, nameRight + 1, bottom + 1}, picker::kNameFill);
    OutlinedRect(dc, {nameRight, 0, right + 1, bottom + 1}, picker::kArrowFill);
    for (const PixelRect& p : picker::DropArrow(scale_.dpi)) FillRectColour(dc, ToRect(p), arrow_);
    if (::GetFocus() == hwnd()) {
        const int inset = std::max(2, scale_.Px(30));
        DrawFocusMark(dc, {inset, inset, nameRight - inset + 1, bottom - inset + 1});
    }

    if (name_.empty()) return;
    HGDIOBJ old = ::SelectObject(dc, font_.get());
    SIZE size{};
    ::GetTextExtentPoint32W(dc, name_.c_str(), static_cast<int>(name_.size()), &size);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ToColorRef(colour::kWhite));
    const int x = scale_.Px(picker::kNameCentre) - size.cx / 2;
    const int y = (client.bottom - size.cy) / 2;
    ::ExtTextOutW(dc, x, y, 0, nullptr, name_.c_str(), static_cast<UINT>(name_.size()), nullptr);
    ::SelectObject(dc, old);
}

void LanguageBox::OnMessage(WindowMessage& m) {
    switch (m.msg) {
    case WM_GETDLGCODE:
        m.result = DLGC_WANTALLKEYS;
        return;
    case WM_KEYDOWN:
        if (m.wparam == VK_TAB) MoveFocusOnTab(::GetParent(hwnd()), hwnd());
        else if (!onKey_ || !onKey_(m.wparam)) ::SendMessageW(::GetParent(hwnd()), m.msg, m.wparam, m.lparam);
        return;
    case WM_KILLFOCUS:
        // Tab away from an open list closes it, as Esc would.
        if (onKey_) onKey_(VK_ESCAPE);
        Invalidate();
        return;
    case WM_SETFOCUS:
        Invalidate();
        return;
    default:
        m.handled = false;
    }
}

void LanguageBox::OnClick() {
    // Only a release over the arrow area acts; the name part does nothing.
    const DWORD at = ::GetMessagePos();
    POINT p{static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at))};
    ::ScreenToClient(hwnd(), &p);
    if (p.x > scale_.Px(picker::kNameWidth) && onArrow_) onArrow_();
}

// --- the picker ---

void LanguagePicker::Place(HWND parent, const TwipRect& box, int dpi) {
    if (parent == nullptr || dpi == dpi_) return;
    const Scale scale{dpi};
    if (box_.hwnd() == nullptr) {
        ClipSiblingsOf(parent);
        MakeChild(box_, parent, L"PellworthLanguageBox", WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP, kIdBox);
        box_.SetArrowHandler([this] { TogglePanel(); });
        box_.SetKeyHandler([this](WPARAM key) { return Key(key); });
        // Hidden until the arrow opens it.
        MakeChild(panel_, parent, L"PellworthLanguagePanel", WS_CLIPCHILDREN | WS_CLIPSIBLINGS, kIdPanel);
        for (int i = 0; i < kLanguageCount; ++i) {
            LanguageEntry& entry = entries_[static_cast<std::size_t>(i)];
            entry.Create(panel_.hwnd(), i);
            entry.SetHandlers([this](int index) { Hover(index); }, [this](int index) { pick_(index); });
        }
    }
    dpi_ = dpi;
    box_.Place(scale.Rect(box), scale);
    panel_.Move(scale.Rect(picker::PanelRect(box)));
    for (LanguageEntry& entry : entries_) entry.Place(scale);
    Enable(enabled_);
    if (nameIndex_ >= 0) DrawLanguageName(nameIndex_);
}

void LanguagePicker::Enable(bool enabled) {
    enabled_ = enabled;
    if (box_.hwnd() == nullptr) return;
    box_.Enable(enabled);
    box_.SetArrowColour(enabled ? picker::kArrowEnabled : colour::kDisabled);
}

void LanguagePicker::DrawLanguageName(int index) {
    nameIndex_ = index;
    if (box_.hwnd() != nullptr) box_.SetName(Utf8ToWide(LanguageAt(index).pickerName), boxCharset_);
}

void LanguagePicker::HideLanguagePanel() {
    if (panel_.hwnd() != nullptr) panel_.Show(false);
}

void LanguagePicker::DrawLanguageBox() {
    if (box_.hwnd() != nullptr) box_.Invalidate();
}

bool LanguagePicker::PanelOpen() const { return ::IsWindowVisible(panel_.hwnd()) != FALSE; }

void LanguagePicker::TogglePanel() {
    const bool open = PanelOpen();
    ::SetWindowPos(panel_.hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    panel_.Show(!open);
}

void LanguagePicker::Hover(int index) {
    highlight_ = index;
    for (int i = 0; i < kLanguageCount; ++i) entries_[static_cast<std::size_t>(i)].SetHighlight(i == index);
}

bool LanguagePicker::Key(WPARAM key) {
    if (!enabled_) return false;
    if (!PanelOpen()) {
        if (key != VK_RETURN && key != VK_SPACE && key != VK_DOWN && key != VK_UP) return false;
        TogglePanel();
        Hover(picker::Selectable(nameIndex_) ? nameIndex_ : picker::MoveHighlight(-1, picker::Arrow::Down));
        return true;
    }
    switch (key) {
    case VK_UP: Hover(picker::MoveHighlight(highlight_, picker::Arrow::Up)); return true;
    case VK_DOWN: Hover(picker::MoveHighlight(highlight_, picker::Arrow::Down)); return true;
    case VK_LEFT: Hover(picker::MoveHighlight(highlight_, picker::Arrow::Left)); return true;
    case VK_RIGHT: Hover(picker::MoveHighlight(highlight_, picker::Arrow::Right)); return true;
    case VK_RETURN:
    case VK_SPACE:
        // The selection steps close the panel.
        if (picker::Selectable(highlight_)) pick_(highlight_);
        return true;
    case VK_ESCAPE: HideLanguagePanel(); return true;
    default: return false;
    }
}

}  // namespace pell::ui
