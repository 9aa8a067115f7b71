// The product's fixed names, versions and addresses.
#pragma once

#include <string>

namespace pell {

inline constexpr int kVersionMajor = 4;
inline constexpr int kVersionMinor = 6;  // version 4.06 prints its minor number as 6
inline constexpr wchar_t kDatabaseVersion[] = L"6.70";
inline constexpr wchar_t kProductName[] = L"Pellworth Remover";

// The maker's web site as line 13 of every translation names it, the update server, and the maker's
// redirect host (the password-advice page and the about box's links). Reserved names: nothing real is
// ever contacted by a test.
inline constexpr wchar_t kMakerSite[] = L"www.pellworth.example";
inline constexpr wchar_t kUpdateHost[] = L"update.pellworth.example";
inline constexpr wchar_t kRedirectHost[] = L"go.pellworth.example";

// Link N of the maker's redirect host: its page "/" with the query "?id=N". The redirect host maps the
// numbers to the current pages, so the program never needs a new build when a page moves.
inline std::wstring RedirectLink(int id) {
    return std::wstring(L"http://") + kRedirectHost + L"/?id=" + std::to_wstring(id);
}

// The page message box 4 offers: on the site its text names.
inline std::wstring DownloadPage() { return std::wstring(L"http://") + kMakerSite + L"/download.php"; }

// The caption carries the database version; the run reads it back from there.
inline std::wstring MainCaption() {
    return std::wstring(kProductName) + std::wstring(23, L' ') + L"Virus Database   " + kDatabaseVersion;
}

}  // namespace pell
