// Owners for handles obtained through the System seam: each closes its handle exactly once.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "base/system.h"

namespace pell {

// A handle obtained through `sys`, closed by the seam call `Close` when the owner goes away or is reset.
// 0 is "none". Movable, not copyable: one owner at a time.
template <typename H, long (System::*Close)(H)>
class SeamHandle {
public:
    explicit SeamHandle(System& sys, H handle = 0) : sys_(&sys), handle_(handle) {}
    SeamHandle(const SeamHandle&) = delete;
    SeamHandle& operator=(const SeamHandle&) = delete;
    SeamHandle(SeamHandle&& other) noexcept : sys_(other.sys_), handle_(std::exchange(other.handle_, 0)) {}
    SeamHandle& operator=(SeamHandle&& other) noexcept {
        if (this != &other) {
            reset();
            sys_ = other.sys_;
            handle_ = std::exchange(other.handle_, 0);
        }
        return *this;
    }
    ~SeamHandle() { reset(); }

    H get() const { return handle_; }
    bool valid() const { return handle_ != 0; }
    // Closes the handle held (if any) and holds `handle` instead.
    void reset(H handle = 0) {
        if (handle_ != 0) (sys_->*Close)(std::exchange(handle_, 0));
        handle_ = handle;
    }

protected:
    System& sys() const { return *sys_; }

private:
    System* sys_;
    H handle_;
};

// A handle of the service control manager or of a service.
using OpenServiceHandle = SeamHandle<ScHandle, &System::CloseServiceHandle>;
// A process or access-token handle.
using OpenProcessHandle = SeamHandle<ProcHandle, &System::CloseHandle>;

// An open registry key.
class OpenKey : public SeamHandle<RegKey, &System::RegCloseKey> {
public:
    using SeamHandle::SeamHandle;

    // RegOpenKey's result: 0 = opened.
    long Open(RegRoot root, const std::wstring& path) {
        reset();
        RegKey key = 0;
        long rc = sys().RegOpenKey(root, path, key);
        if (rc == code::Success) reset(key);
        return rc;
    }
    // The same in a registry view (regview::Key32, regview::Key64).
    long Open(RegRoot root, const std::wstring& path, std::uint32_t view) {
        if (view == regview::Own) return Open(root, path);
        reset();
        RegKey key = 0;
        long rc = sys().RegOpenKeyView(root, path, view, key);
        if (rc == code::Success) reset(key);
        return rc;
    }
};

// An open file.
class OpenFileHandle : public SeamHandle<FileHandle, &System::CloseFile> {
public:
    using SeamHandle::SeamHandle;

    // OpenFile's BOOL result: nonzero = opened.
    long Open(const std::wstring& path, FileAccess access, FileDisposition disposition) {
        reset();
        FileHandle file = 0;
        long ok = sys().OpenFile(path, access, disposition, file);
        if (ok) reset(file);
        return ok;
    }
};

}  // namespace pell
