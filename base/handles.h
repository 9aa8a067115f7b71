// Owners for handles obtained through the System seam: each closes its handle exactly once.
#pragma once

#include <utility>

#include "base/system.h"

namespace pell {

// An open registry key; closed when the owner goes away unless closed earlier.
class OpenKey {
public:
    explicit OpenKey(System& sys) : sys_(&sys) {}
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;
    OpenKey(OpenKey&& other) noexcept : sys_(other.sys_), key_(std::exchange(other.key_, 0)) {}
    ~OpenKey() { Close(); }

    // RegOpenKey's result: 0 = opened.
    long Open(RegRoot root, const std::wstring& path) {
        Close();
        RegKey key = 0;
        long rc = sys_->RegOpenKey(root, path, key);
        if (rc == code::Success) key_ = key;
        return rc;
    }
    // The same in a registry view (regview::Key32, regview::Key64).
    long Open(RegRoot root, const std::wstring& path, std::uint32_t view) {
        if (view == regview::Own) return Open(root, path);
        Close();
        RegKey key = 0;
        long rc = sys_->RegOpenKeyView(root, path, view, key);
        if (rc == code::Success) key_ = key;
        return rc;
    }
    void Close() {
        if (key_ != 0) sys_->RegCloseKey(std::exchange(key_, 0));
    }
    RegKey get() const { return key_; }
    bool is_open() const { return key_ != 0; }

private:
    System* sys_;
    RegKey key_ = 0;
};

// An open file; closed when the owner goes away.
class OpenFileHandle {
public:
    explicit OpenFileHandle(System& sys) : sys_(&sys) {}
    OpenFileHandle(const OpenFileHandle&) = delete;
    OpenFileHandle& operator=(const OpenFileHandle&) = delete;
    ~OpenFileHandle() { Close(); }

    // OpenFile's BOOL result: nonzero = opened.
    long Open(const std::wstring& path, FileAccess access, FileDisposition disposition) {
        Close();
        FileHandle h = 0;
        long ok = sys_->OpenFile(path, access, disposition, h);
        if (ok) file_ = h;
        return ok;
    }
    void Close() {
        if (file_ != 0) sys_->CloseFile(std::exchange(file_, 0));
    }
    FileHandle get() const { return file_; }

private:
    System* sys_;
    FileHandle file_ = 0;
};

}  // namespace pell
