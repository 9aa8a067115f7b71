// The interface languages, the start-up choice and the selection steps that switch the program to one.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/system.h"
#include "i18n/translation.h"

namespace pell {

struct Language {
    int index;             // picker position, 0..22
    int resourceId;        // type "LANGUAGE"; 0 for the one language without a translation
    int codePage;          // of the resource's text
    int charset;           // Windows font character set
    std::string_view pickerName;  // UTF-8, in the language's own script
    std::string_view systemName;  // English system language name that selects it at start-up; empty: none
    std::string_view stem;        // resources/lang/<stem>.txt
};

inline constexpr int kLanguageCount = 23;
inline constexpr int kEnglishIndex = 6;

const std::array<Language, kLanguageCount>& Languages();

// The start-up default for the system's English language name: the first language whose system name is
// exactly equal (case-sensitive, whole name), English when none is.
int LanguageIndexForSystemName(std::wstring_view systemName);

// What a language change does to the main window. The window implements it; tests record it.
class LanguageView {
public:
    virtual ~LanguageView() = default;
    // The picker box's font: "Times New Roman" with character set 0, then with `charset`.
    virtual void SetPickerCharset(int charset) = 0;
    // Tops of the "Total Progress" and "Details" labels, in twips.
    virtual void MoveProgressLabels(int label4Top, int label6Top) = 0;
    virtual void DrawLanguageName(int index) = 0;
    virtual void HideLanguagePanel() = 0;
    // Paints the picker box and lays out its panel; once, at start-up.
    virtual void DrawLanguageBox() = 0;
    // Fonts of the details box and the labels to `charset`, the label captions (lines 1-3), the About
    // button, and START and CLOSE redrawn through EnableGUI or DisableGUI, whichever state they are in.
    virtual void ShowTranslation(const Translation& translation, int charset) = 0;
};

// Where the translations come from: the program's resources, read in their code pages by the system.
class LanguageResources {
public:
    explicit LanguageResources(System& sys) : sys_(sys) {}
    virtual ~LanguageResources() = default;
    virtual std::optional<std::string> Bytes(int resourceId) = 0;
    std::wstring Decode(int codePage, std::string_view bytes) {
        return sys_.FromCodePage(static_cast<unsigned>(codePage), std::string(bytes));
    }

private:
    System& sys_;
};

// The selected language: the loaded translation (captions and message table) and CurrentCharset.
struct LanguageState {
    Translation translation;
    std::int16_t currentCharset = 0;
    int index = -1;  // -1 until a translation is loaded
};

// Loads the translation of language `index` into `state` and shows it. A language without a resource,
// or a resource that is missing or not 40 lines, leaves the state and the window as they were and
// returns false with the reason.
bool LoadLanguage(int index, LanguageResources& resources, LanguageState& state, LanguageView& view,
                  std::wstring& error);

// The selection steps, as a click on the picker entry runs them: picker font, label positions, the
// name in the box, the panel closed, CurrentCharset, then LoadLanguage.
bool SelectLanguage(int index, LanguageResources& resources, LanguageState& state, LanguageView& view,
                    std::wstring& error);

// Start-up: the default for the system language name, loaded, then selected. Falls back to English
// when the default's translation cannot be loaded; false only when English cannot be either.
bool StartUpLanguage(std::wstring_view systemName, LanguageResources& resources, LanguageState& state,
                     LanguageView& view, std::wstring& error);

}  // namespace pell
