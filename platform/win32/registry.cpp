// Registry operations: open (in a view), create, enumerate values and subkeys, query, set, write a
// string, delete, close.
#include <algorithm>

#include "platform/win32/last_error.h"

namespace pell::win32 {
namespace {

HKEY RootKey(RegRoot root) {
    switch (root) {
        case RegRoot::LocalMachine: return HKEY_LOCAL_MACHINE;
        case RegRoot::Users: return HKEY_USERS;
        case RegRoot::CurrentUser: break;
    }
    return HKEY_CURRENT_USER;
}

bool IsStringType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

// Value names are at most 16383 characters; data has no limit but memory, so its buffer grows to what
// the call asks for, a bounded number of times (the value may change between two calls).
constexpr DWORD kMaxValueNameChars = 16384;
constexpr DWORD kFirstDataBytes = 512;
constexpr int kMaxEnumAttempts = 8;

}  // namespace

long Win32System::RegOpenKey(RegRoot root, const std::wstring& path, RegKey& key) {
    return RegOpenKeyView(root, path, regview::Own, key);
}

long Win32System::RegOpenKeyView(RegRoot root, const std::wstring& path, std::uint32_t view, RegKey& key) {
    HKEY h = nullptr;
    LONG rc = ::RegOpenKeyExW(RootKey(root), path.c_str(), 0, MAXIMUM_ALLOWED | view, &h);
    lastError_ = static_cast<std::uint32_t>(rc);
    if (rc == ERROR_SUCCESS) key = ToSeam(h);
    return rc;
}

long Win32System::RegEnumValue(RegKey key, std::uint32_t index, RegValue& value) {
    std::vector<wchar_t> name(256);
    std::vector<BYTE> data(kFirstDataBytes);
    for (int attempt = 0;; ++attempt) {
        DWORD nameChars = static_cast<DWORD>(name.size());
        DWORD dataBytes = static_cast<DWORD>(data.size());
        DWORD type = REG_NONE;
        LONG rc = ::RegEnumValueW(FromSeam<HKEY>(key), index, name.data(), &nameChars, nullptr, &type,
                                  data.data(), &dataBytes);
        lastError_ = static_cast<std::uint32_t>(rc);
        if (rc == ERROR_MORE_DATA && attempt + 1 < kMaxEnumAttempts) {
            // Which of the two buffers was short is not reported: give the name its maximum and the
            // data what the call asked for (or double, when it asked for nothing more).
            name.resize(kMaxValueNameChars);
            data.resize(std::max<std::size_t>(static_cast<std::size_t>(dataBytes) + 2, data.size() * 2));
            continue;
        }
        if (rc != ERROR_SUCCESS) return rc;

        value.name.assign(name.data(), nameChars);
        if (IsStringType(type)) {
            // Characters as the narrow call counts them: the text plus its one terminator.
            std::size_t chars = (static_cast<std::size_t>(dataBytes) + 1) / 2;
            data.resize(std::max<std::size_t>(data.size(), chars * 2));
            const wchar_t* text = reinterpret_cast<const wchar_t*>(data.data());
            if (dataBytes % 2 != 0) data[dataBytes] = 0;
            value.data.assign(text, chars);
            if (!value.data.empty() && value.data.back() == L'\0') value.data.pop_back();
            value.dataLength = dataBytes == 0 ? 0 : static_cast<std::uint32_t>(value.data.size() + 1);
        } else {
            value.data.assign(data.begin(), data.begin() + dataBytes);
            value.dataLength = dataBytes;
        }
        return rc;
    }
}

long Win32System::RegEnumKey(RegKey key, std::uint32_t index, std::wstring& name) {
    wchar_t buffer[256];  // key names are at most 255 characters
    DWORD chars = 256;
    LONG rc = ::RegEnumKeyExW(FromSeam<HKEY>(key), index, buffer, &chars, nullptr, nullptr, nullptr, nullptr);
    lastError_ = static_cast<std::uint32_t>(rc);
    if (rc == ERROR_SUCCESS) name.assign(buffer, chars);
    return rc;
}

long Win32System::RegDeleteValue(RegKey key, const std::wstring& name) {
    LONG rc = ::RegDeleteValueW(FromSeam<HKEY>(key), name.c_str());
    lastError_ = static_cast<std::uint32_t>(rc);
    return rc;
}

long Win32System::RegDeleteKey(RegKey key, const std::wstring& subkey) {
    LONG rc = ::RegDeleteKeyW(FromSeam<HKEY>(key), subkey.c_str());
    lastError_ = static_cast<std::uint32_t>(rc);
    return rc;
}

long Win32System::RegSetStringValue(RegKey key, const std::wstring& name, const std::wstring& data) {
    const DWORD bytes = static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t));  // with the terminator
    LONG rc = ::RegSetValueExW(FromSeam<HKEY>(key), name.c_str(), 0, REG_SZ,
                               reinterpret_cast<const BYTE*>(data.c_str()), bytes);
    lastError_ = static_cast<std::uint32_t>(rc);
    return rc;
}

long Win32System::RegCloseKey(RegKey key) {
    LONG rc = ::RegCloseKey(FromSeam<HKEY>(key));
    lastError_ = static_cast<std::uint32_t>(rc);
    return rc;
}

long Win32System::RegQueryValue(RegKey key, const std::wstring& name, std::uint32_t& type,
                                std::vector<std::uint8_t>& data) {
    std::vector<BYTE> buffer(kFirstDataBytes);
    for (int attempt = 0;; ++attempt) {
        DWORD bytes = static_cast<DWORD>(buffer.size());
        DWORD kind = REG_NONE;
        LONG rc = ::RegQueryValueExW(FromSeam<HKEY>(key), name.c_str(), nullptr, &kind, buffer.data(), &bytes);
        lastError_ = static_cast<std::uint32_t>(rc);
        if (rc == ERROR_MORE_DATA && attempt + 1 < kMaxEnumAttempts) {
            buffer.resize(std::max<std::size_t>(bytes, buffer.size() * 2));
            continue;
        }
        if (rc != ERROR_SUCCESS) return rc;
        type = kind;
        data.assign(buffer.begin(), buffer.begin() + bytes);
        return rc;
    }
}

long Win32System::RegCreateKey(RegRoot root, const std::wstring& path, RegKey& key) {
    HKEY h = nullptr;
    LONG rc = ::RegCreateKeyExW(RootKey(root), path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                                nullptr, &h, nullptr);
    lastError_ = static_cast<std::uint32_t>(rc);
    if (rc == ERROR_SUCCESS) key = ToSeam(h);
    return rc;
}

long Win32System::RegSetValue(RegKey key, const std::wstring& name, std::uint32_t type,
                              const std::vector<std::uint8_t>& data) {
    LONG rc = ::RegSetValueExW(FromSeam<HKEY>(key), name.c_str(), 0, type, data.data(),
                               static_cast<DWORD>(data.size()));
    lastError_ = static_cast<std::uint32_t>(rc);
    return rc;
}

}  // namespace pell::win32
