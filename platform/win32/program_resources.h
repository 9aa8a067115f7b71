// The program's own resources (its translations among them), and the test for a second running copy.
#pragma once

#include <optional>
#include <string>

#include "i18n/language.h"
#include "platform/win32/owners.h"

namespace pell::win32 {

// The bytes of resource `id` of type `type` ("LANGUAGE", "SIGDB", ...) in this program; nothing when
// the program has no such resource.
std::optional<std::string> LoadResourceBytes(const wchar_t* type, int id);

// The translations as this program carries them: its LANGUAGE resources, read in their code pages.
class ProgramLanguageResources : public LanguageResources {
public:
    using LanguageResources::LanguageResources;
    std::optional<std::string> Bytes(int resourceId) override { return LoadResourceBytes(L"LANGUAGE", resourceId); }
};

// Every program of the product holds this name while it runs, so the window and the console program
// refuse to run beside each other as well as beside themselves.
inline constexpr wchar_t kInstanceMutexName[] = L"Local\\PellworthRemover.Running";

// Holds the product's named mutex for as long as it lives.
class InstanceGuard {
public:
    explicit InstanceGuard(const wchar_t* name = kInstanceMutexName);
    // True when another program held the name already (this one must not run).
    bool AnotherRunning() const { return anotherRunning_; }

private:
    UniqueHandle mutex_;
    bool anotherRunning_ = false;
};

}  // namespace pell::win32
