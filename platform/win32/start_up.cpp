// The start-up steps both programs share.
#include "platform/win32/start_up.h"

#include "platform/win32/owners.h"
#include "signatures/database.h"

namespace pell::win32 {
namespace {

// More than a million digests' worth: not a list of detections (a device or a growing file).
constexpr std::size_t kMaxExtraBytes = 64u << 20;

// The whole of a file's bytes; nothing when it cannot be opened or read, or exceeds `limit`.
std::optional<std::string> ReadFileBytes(const std::wstring& path, std::size_t limit) {
    UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file.valid()) return std::nullopt;
    std::string bytes;
    char buffer[65536];
    DWORD read = 0;
    for (;;) {
        if (!::ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr)) return std::nullopt;
        if (read == 0) return bytes;
        if (bytes.size() + read > limit) return std::nullopt;
        bytes.append(buffer, read);
    }
}

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

bool LoadEnglish(ProgramLanguageResources& resources, LanguageState& language, std::wstring& error) {
    NoView nothing;
    return LoadLanguage(kEnglishIndex, resources, language, nothing, error);
}

BoundDetections LoadBoundDetections(DetectionTables& tables, std::wstring& error) {
    auto bytes = LoadResourceBytes(L"SIGDB", 1);
    if (!bytes) {
        error = L"the signature database is missing from this program";
        return BoundDetections::Missing;
    }
    return LoadSignatures(*bytes, tables, error) ? BoundDetections::Loaded : BoundDetections::Refused;
}

std::optional<ExtraDetections> AddExtraDetections(DetectionTables& tables, const std::wstring& path) {
    auto text = ReadFileBytes(path, kMaxExtraBytes);
    if (!text) return std::nullopt;
    ExtraDetections extra;
    extra.added = AppendExtraDetections(tables, *text, extra.rejected);
    return extra;
}

}  // namespace pell::win32
