// The start-up steps both programs share.
#include "app/start_up/start_up.h"

#include "base/files.h"
#include "signatures/database.h"

namespace pell::startup {
namespace {

// More than a million digests' worth: not a list of detections (a device or a growing file).
constexpr std::size_t kMaxExtraBytes = 64u << 20;

// A translation loaded where nothing shows it.
class NoView final : public LanguageView {
public:
    void SetPickerCharset(int) override {}
    void MoveProgressLabels(int, int) override {}
    void DrawLanguageName(int) override {}
    void HideLanguagePanel() override {}
    void DrawLanguageBox() override {}
    void ShowTranslation(const Translation&, int) override {}
};

}  // namespace

bool LoadEnglish(win32::ProgramLanguageResources& resources, LanguageState& language, std::wstring& error) {
    NoView nothing;
    return LoadLanguage(kEnglishIndex, resources, language, nothing, error);
}

BoundDetections LoadBoundDetections(DetectionTables& tables, std::wstring& error) {
    auto bytes = win32::LoadResourceBytes(L"SIGDB", 1);
    if (!bytes) {
        error = L"the signature database is missing from this program";
        return BoundDetections::Missing;
    }
    return LoadSignatures(*bytes, tables, error) ? BoundDetections::Loaded : BoundDetections::Refused;
}

std::optional<ExtraDetections> AddExtraDetections(System& sys, DetectionTables& tables, const std::wstring& path,
                                                  std::wstring& error) {
    std::string text;
    error = ReadPlainFile(sys, path, text, kMaxExtraBytes);
    if (!error.empty()) return std::nullopt;
    ExtraDetections extra;
    extra.added = AppendExtraDetections(tables, text, extra.rejected);
    return extra;
}

}  // namespace pell::startup
