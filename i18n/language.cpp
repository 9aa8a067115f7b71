// The language table, the start-up default and the selection steps.
#include "i18n/language.h"

#include <algorithm>

namespace pell {
namespace {

constexpr int kCharsetGb2312 = 134;
constexpr int kCharsetBig5 = 136;

// The Chinese captions sit higher; their labels move up to make room.
constexpr int kLabel4Top = 2520, kLabel6Top = 3360;
constexpr int kLabel4TopChinese = 2280, kLabel6TopChinese = 3120;

bool ValidIndex(int index) { return index >= 0 && index < kLanguageCount; }

const Language& At(int index) { return Languages()[static_cast<std::size_t>(index)]; }

// Selection steps 1 to 3: the picker box's font, the labels' places and the language's name.
void ShowLanguageBox(int index, LanguageView& view) {
    const int charset = At(index).charset;
    view.SetPickerCharset(charset);
    const bool chinese = charset == kCharsetGb2312 || charset == kCharsetBig5;
    view.MoveProgressLabels(chinese ? kLabel4TopChinese : kLabel4Top, chinese ? kLabel6TopChinese : kLabel6Top);
    view.DrawLanguageName(index);
}

}  // namespace

const std::array<Language, kLanguageCount>& Languages() {
    static constexpr std::array<Language, kLanguageCount> kLanguages = {{
#define PELL_LANGUAGE(index, resourceId, codePage, charset, pickerName, systemName, stem) \
    {index, resourceId, codePage, charset, pickerName, systemName, stem},
#include "i18n/languages.inc"
#undef PELL_LANGUAGE
    }};
    return kLanguages;
}

int LanguageIndexForSystemName(std::wstring_view systemName) {
    if (systemName.empty()) return kEnglishIndex;
    for (const Language& language : Languages()) {
        const std::string_view name = language.systemName;
        if (std::equal(name.begin(), name.end(), systemName.begin(), systemName.end(),
                       [](char a, wchar_t b) { return static_cast<wchar_t>(static_cast<unsigned char>(a)) == b; }))
            return language.index;
    }
    return kEnglishIndex;
}

bool LoadLanguage(int index, LanguageResources& resources, LanguageState& state, LanguageView& view,
                  std::wstring& error) {
    if (!ValidIndex(index) || At(index).resourceId == 0) {
        error = L"language " + std::to_wstring(index) + L" has no translation";
        return false;
    }
    const Language& language = At(index);
    std::optional<std::string> bytes = resources.Bytes(language.resourceId);
    if (!bytes) {
        error = L"translation resource " + std::to_wstring(language.resourceId) + L" is missing";
        return false;
    }
    Translation loaded;
    if (!Translation::Parse(resources.Decode(language.codePage, *bytes), loaded, error)) {
        error = L"translation resource " + std::to_wstring(language.resourceId) + L": " + error;
        return false;
    }
    state.translation = std::move(loaded);
    state.index = index;
    view.ShowTranslation(state.translation, state.currentCharset);
    return true;
}

bool SelectLanguage(int index, LanguageResources& resources, LanguageState& state, LanguageView& view,
                    std::wstring& error) {
    if (!ValidIndex(index)) {
        error = L"language " + std::to_wstring(index) + L" does not exist";
        return false;
    }
    ShowLanguageBox(index, view);
    view.HideLanguagePanel();
    const std::int16_t previousCharset = state.currentCharset;
    state.currentCharset = static_cast<std::int16_t>(At(index).charset);
    if (LoadLanguage(index, resources, state, view, error)) return true;
    // The old translation stays, and with it its character set, its name in the box and its labels' places.
    state.currentCharset = previousCharset;
    if (ValidIndex(state.index)) ShowLanguageBox(state.index, view);
    return false;
}

bool StartUpLanguage(std::wstring_view systemName, LanguageResources& resources, LanguageState& state,
                     LanguageView& view, std::wstring& error) {
    auto start = [&](int index, std::wstring& why) {
        if (!LoadLanguage(index, resources, state, view, why)) return false;
        view.DrawLanguageBox();
        return SelectLanguage(index, resources, state, view, why);
    };
    const int index = LanguageIndexForSystemName(systemName);
    if (start(index, error)) return true;
    if (index == kEnglishIndex) return false;
    std::wstring englishError;
    if (start(kEnglishIndex, englishError)) return true;
    error += L"; " + englishError;
    return false;
}

}  // namespace pell
