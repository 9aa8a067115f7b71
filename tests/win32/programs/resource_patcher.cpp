// Rewrites one resource of a copy of a program, so a test can run it with a damaged or missing
// signature database:  resource_patcher.exe EXE TYPE ID BYTESFILE   (replace)
//                      resource_patcher.exe EXE TYPE ID --delete     (remove)
// Removal rewrites the whole resource section without that one resource (Wine's UpdateResource
// answers success to a removal but keeps the resource).
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "platform/win32/win32_api.h"

namespace {

struct Resource {
    std::wstring type, name;  // "#n" for numeric ids
    WORD language;
    std::string bytes;
};

std::wstring Key(LPCWSTR id) {
    return IS_INTRESOURCE(id) ? L"#" + std::to_wstring(reinterpret_cast<ULONG_PTR>(id)) : std::wstring(id);
}
LPCWSTR Id(const std::wstring& key) {
    return key[0] == L'#' ? MAKEINTRESOURCEW(std::wcstoul(key.c_str() + 1, nullptr, 10)) : key.c_str();
}

std::vector<Resource> ReadAll(const wchar_t* exe) {
    std::vector<Resource> all;
    HMODULE module = ::LoadLibraryExW(exe, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module == nullptr) return all;
    struct Walk {
        HMODULE module;
        std::vector<Resource>* out;
    } walk{module, &all};
    ::EnumResourceTypesW(module, [](HMODULE m, LPWSTR type, LONG_PTR p) -> BOOL {
        return ::EnumResourceNamesW(m, type, [](HMODULE m, LPCWSTR type, LPWSTR name, LONG_PTR p) -> BOOL {
            return ::EnumResourceLanguagesW(m, type, name, [](HMODULE m, LPCWSTR type, LPCWSTR name, WORD lang, LONG_PTR p) -> BOOL {
                auto* w = reinterpret_cast<Walk*>(p);
                HRSRC found = ::FindResourceExW(m, type, name, lang);
                HGLOBAL loaded = found ? ::LoadResource(m, found) : nullptr;
                const char* data = loaded ? static_cast<const char*>(::LockResource(loaded)) : nullptr;
                if (data) w->out->push_back(Resource{Key(type), Key(name), lang, std::string(data, ::SizeofResource(m, found))});
                return TRUE;
            }, p);
        }, p);
    }, reinterpret_cast<LONG_PTR>(&walk));
    ::FreeLibrary(module);
    return all;
}

}  // namespace

int main() {
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    if (argv == nullptr || argc != 5) {
        std::fputs("usage: resource_patcher EXE TYPE ID BYTESFILE|--delete\n", stderr);
        return 2;
    }
    const std::wstring type = argv[2], name = std::wstring(L"#") + argv[3];
    const bool remove = std::wcscmp(argv[4], L"--delete") == 0;
    std::vector<Resource> all = ReadAll(argv[1]);
    if (all.empty()) return 3;

    std::string bytes;
    if (!remove) {
        HANDLE file = ::CreateFileW(argv[4], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) return 3;
        char buffer[4096];
        DWORD read = 0;
        while (::ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0) bytes.append(buffer, read);
        ::CloseHandle(file);
    }

    HANDLE update = ::BeginUpdateResourceW(argv[1], TRUE);
    if (update == nullptr) return 4;
    bool ok = true, replaced = false;
    for (auto& r : all) {
        bool target = _wcsicmp(r.type.c_str(), type.c_str()) == 0 && r.name == name;
        if (target && remove) continue;
        if (target) {
            r.bytes = bytes;
            replaced = true;
        }
        ok = ok && ::UpdateResourceW(update, Id(r.type), Id(r.name), r.language, r.bytes.data(),
                                     static_cast<DWORD>(r.bytes.size()));
    }
    if (!::EndUpdateResourceW(update, !ok)) return 5;
    return ok && (remove || replaced) ? 0 : 6;
}
