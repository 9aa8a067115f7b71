// The language table, the start-up default and the selection steps, against the translation sources.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "base/host.h"
#include "base/text.h"
#include "base/product.h"
#include "i18n/language.h"
#include "tests/fake/fake_machine.h"

namespace pell {
namespace {

std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// The translations as the build converted them to their code pages, read back through the machine's
// decoders, as the program reads its resources.
class SourceResources : public LanguageResources {
public:
    SourceResources() : LanguageResources(machine_) {}
    std::set<int> missing;
    std::optional<std::string> Bytes(int resourceId) override {
        if (missing.count(resourceId)) return std::nullopt;
        for (const Language& l : Languages())
            if (l.resourceId == resourceId && resourceId != 0)
                return FileBytes(PELL_TRANSLATION_DIR "/" + std::string(l.stem) + ".cp" + std::to_string(l.codePage) + ".txt");
        return std::nullopt;
    }

private:
    test::FakeMachine machine_;
};

// Records what the window was asked to do, one line per call.
class RecordingView : public LanguageView {
public:
    std::vector<std::string> calls;
    void SetPickerCharset(int charset) override { calls.push_back("picker font " + std::to_string(charset)); }
    void MoveProgressLabels(int top4, int top6) override {
        calls.push_back("labels " + std::to_string(top4) + " " + std::to_string(top6));
    }
    void DrawLanguageName(int index) override { calls.push_back("name " + std::to_string(index)); }
    void HideLanguagePanel() override { calls.push_back("panel hidden"); }
    void DrawLanguageBox() override { calls.push_back("picker built"); }
    void ShowTranslation(const Translation& t, int charset) override {
        calls.push_back("show " + WideToUtf8(t.StartCaption()) + " " + std::to_string(charset));
    }
};

TEST(Language, TheStartUpDefaultIsAnExactSystemNameOrEnglish) {
    int named = 0;
    for (const Language& l : Languages()) {
        if (l.systemName.empty()) continue;
        ++named;
        EXPECT_EQ(LanguageIndexForSystemName(Utf8ToWide(l.systemName)), l.index) << l.systemName;
    }
    EXPECT_EQ(named, 18);
    struct Case {
        const wchar_t* name;
        int index;
    };
    for (const Case& c : {Case{L"German", 9}, Case{L"Portuguese", 18}, Case{L"Brazilian", 2}, Case{L"Dutch", 6},
                          Case{L"English", 6}, Case{L"Klingon", 6}, Case{L"", 6}, Case{L"german", 6},
                          Case{L"German ", 6}, Case{L"Germa", 6}, Case{L"Chinese", 6}, Case{L"Japanese", 6}})
        EXPECT_EQ(LanguageIndexForSystemName(c.name), c.index) << WideToUtf8(c.name);
}

TEST(Language, TheTableMatchesTheTranslationsAndTheirCodePages) {
    std::set<int> ids;
    for (std::size_t i = 0; i < Languages().size(); ++i) {
        const Language& l = Languages()[i];
        EXPECT_EQ(l.index, static_cast<int>(i));
        if (l.resourceId != 0) {
            EXPECT_EQ(l.resourceId, 100 + l.index);
            ids.insert(l.resourceId);
        }
    }
    EXPECT_EQ(ids.size(), 22u);
    EXPECT_EQ(ids.count(114), 0u);
    EXPECT_EQ(Languages()[kEnglishIndex].stem, "english");
}

// Every converted translation decodes to its source, the maker's site filled in: each code page's
// decoder gives back every character the converter put in.
TEST(Language, EveryTranslationReadsBackInItsCodePageAsItsSource) {
    SourceResources resources;
    for (const Language& l : Languages()) {
        if (l.resourceId == 0) continue;
        std::wstring expected = ReplaceAll(Utf8ToWide(FileBytes(PELL_SOURCE_DIR "/resources/lang/" + std::string(l.stem) + ".txt")),
                                           L"@MAKER_SITE@", kMakerSite);
        expected = ReplaceAll(expected, L"\n", L"\r\n");
        expected.resize(expected.size() - 2);  // the source's last break; the resource has none
        EXPECT_EQ(resources.Decode(l.codePage, *resources.Bytes(l.resourceId)), expected) << l.stem;
    }
}

// The numbers of the first 40 lines stay (box code + 9, status code + 18); the later texts follow line 40
// in every language, translated, with their placeholders and breaks where the English has them.
TEST(Language, TheLaterLinesFollowTheMessageTableInEveryLanguageInItsOwnWords) {
    SourceResources resources;
    Translation english;
    std::wstring error;
    ASSERT_TRUE(Translation::Parse(resources.Decode(1252, *resources.Bytes(106)), english, error)) << WideToUtf8(error);
    EXPECT_EQ(english.MessageBoxText(box::NoRegistryAccess), english.Line(17));
    EXPECT_EQ(english.MessageBoxText(box::VirusRemoved), ReplaceAll(english.Line(14), L" >> ", L"\r\n"));
    EXPECT_EQ(english.Line(40).rfind(L"Enabling: ", 0), 0u);
    EXPECT_EQ(english.MessageBoxText(0), L"");
    EXPECT_EQ(english.MessageBoxText(10), L"");
    EXPECT_EQ(english.MessageBoxText(box::LeftBehind),
              L"Some infected items could not be removed: they will be removed when the computer restarts, or they "
              L"need your attention (see Details).\r\nYour computer will restart automatically in 2 minutes. Please "
              L"save all of your work.");
    EXPECT_EQ(english.Line(textline::RestoreMenu), L"Restore a previous cleaning...");
    EXPECT_EQ(english.Filled(textline::RunRecord, L"D:\\Logs\\run.jsonl"), L"The record of this run: D:\\Logs\\run.jsonl");

    for (const Language& l : Languages()) {
        if (l.resourceId == 0 || l.index == kEnglishIndex) continue;
        SCOPED_TRACE(l.stem);
        Translation t;
        ASSERT_TRUE(Translation::Parse(resources.Decode(l.codePage, *resources.Bytes(l.resourceId)), t, error));
        for (int n = textline::LeftBehindBox; n <= textline::Last; ++n)
            EXPECT_NE(t.Line(n), english.Line(n)) << "line " << n << " is still English";
        const std::wstring box9 = t.MessageBoxText(box::LeftBehind);
        EXPECT_EQ(SplitAtCrLf(box9).size(), 2u) << WideToUtf8(box9);
        EXPECT_EQ(SplitAtCrLf(t.Shown(textline::RestoreQuestion)).size(), 2u);
        EXPECT_NE(t.Filled(textline::LeftBehindCount, L"37").find(L"37"), std::wstring::npos);
        EXPECT_EQ(t.Filled(textline::RunRecord, L"D:\\r.jsonl").find(L"%%"), std::wstring::npos);
    }
}

// A translation of the older form (40 lines) is refused whole, not shown with texts missing.
TEST(Language, AFortyLineTranslationIsRefused) {
    SourceResources resources;
    std::wstring text = resources.Decode(1252, *resources.Bytes(106));
    for (int n = 0; n < Translation::kLineCount - Translation::kMessageTableEnd; ++n) text.resize(text.rfind(L"\r\n"));
    Translation t;
    std::wstring error;
    EXPECT_FALSE(Translation::Parse(text, t, error));
    EXPECT_EQ(error, L"translation has 40 lines, expected 48");
}

TEST(Language, SelectingALanguageRunsTheStepsInOrderAndSetsTheGlobals) {
    SourceResources resources;
    LanguageState state;
    RecordingView view;
    std::wstring error;
    ASSERT_TRUE(StartUpLanguage(L"German", resources, state, view, error)) << WideToUtf8(error);
    // Loaded once with the program's start character set, then selected.
    EXPECT_EQ(view.calls, (std::vector<std::string>{"show START 0", "picker built", "picker font 0", "labels 2520 3360",
                                                     "name 9", "panel hidden", "show START 0"}));
    EXPECT_EQ(state.index, 9);
    EXPECT_EQ(state.translation.CloseCaption(), L"BEENDEN");
    EXPECT_EQ(state.translation.Message(29), L"Fertig!");

    struct Case {
        int index;
        int charset;
        const char* labels;
        const wchar_t* ok;     // line 6
        const wchar_t* done;   // line 39, status code 21
    };
    const Case cases[] = {
        {8, 0, "labels 2520 3360", L"OK", L"Termin\u00E9 !"},
        {19, 204, "labels 2520 3360", L"OK", L"\u0413\u043E\u0442\u043E\u0432\u043E!"},
        {3, 134, "labels 2280 3120", L"\u786E\u5B9A", L"\u5B8C\u6210\uFF01"},
        {4, 136, "labels 2280 3120", L"\u78BA\u5B9A", L"\u5B8C\u6210\uFF01"},
        {17, 238, "labels 2520 3360", L"OK", L"Gotowe!"},
        {6, 0, "labels 2520 3360", L"OK", L"Done!"},
    };
    for (const Case& c : cases) {
        view.calls.clear();
        ASSERT_TRUE(SelectLanguage(c.index, resources, state, view, error)) << c.index << WideToUtf8(error);
        EXPECT_EQ(state.currentCharset, c.charset);
        EXPECT_EQ(state.index, c.index);
        EXPECT_EQ(view.calls[0], "picker font " + std::to_string(c.charset));
        EXPECT_EQ(view.calls[1], c.labels);
        EXPECT_EQ(view.calls[2], "name " + std::to_string(c.index));
        EXPECT_EQ(view.calls[3], "panel hidden");
        EXPECT_EQ(view.calls[4].rfind("show ", 0), 0u);
        EXPECT_TRUE(view.calls[4].size() > 2 && view.calls[4].substr(view.calls[4].rfind(' ') + 1) == std::to_string(c.charset));
        EXPECT_EQ(state.translation.OkCaption(), c.ok);
        EXPECT_EQ(state.translation.Message(29), c.done);
    }
}

TEST(Language, ALanguageThatCannotLoadLeavesTheCurrentOne) {
    SourceResources resources;
    resources.missing = {110, 109};
    LanguageState state;
    RecordingView view;
    std::wstring error;
    // The system's language is German, whose resource is gone: English instead.
    ASSERT_TRUE(StartUpLanguage(L"German", resources, state, view, error));
    EXPECT_EQ(state.index, kEnglishIndex);
    ASSERT_TRUE(SelectLanguage(19, resources, state, view, error));

    view.calls.clear();
    EXPECT_FALSE(SelectLanguage(10, resources, state, view, error));  // Greek: missing
    EXPECT_NE(error.find(L"110"), std::wstring::npos);
    EXPECT_FALSE(SelectLanguage(14, resources, state, view, error));  // Japanese: no translation at all
    EXPECT_EQ(state.index, 19);
    EXPECT_EQ(state.currentCharset, 204);
    EXPECT_EQ(state.translation.Message(29), L"\u0413\u043E\u0442\u043E\u0432\u043E!");
    // The box shows Russian again after each refusal.
    EXPECT_EQ(view.calls.back(), "name 19");
    EXPECT_FALSE(SelectLanguage(23, resources, state, view, error));

    resources.missing.insert(106);
    LanguageState fresh;
    EXPECT_FALSE(StartUpLanguage(L"German", resources, fresh, view, error));
    EXPECT_EQ(fresh.index, -1);
}

}  // namespace
}  // namespace pell
