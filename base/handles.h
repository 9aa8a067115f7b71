// Owners for handles obtained through the System seam: each closes its handle exactly once.
#pragma once

#include <cstdint>
#include <string>

#include "base/owner.h"
#include "base/system.h"

namespace pell {

// Closes a handle through the seam it was obtained from.
template <typename H, long (System::*Close)(H)>
struct SeamCloser {
    using Handle = H;
    static constexpr H None() { return 0; }
    static bool Valid(H h) { return h != 0; }
    void operator()(H h) const { (sys->*Close)(h); }
    System* sys;
};

// A handle obtained through `sys`, closed by the seam call `Close` when the owner goes away or is reset.
// 0 is "none". Movable, not copyable: one owner at a time.
template <typename H, long (System::*Close)(H)>
class SeamHandle : public Owner<SeamCloser<H, Close>> {
public:
    explicit SeamHandle(System& sys, H handle = 0) : Owner<SeamCloser<H, Close>>(handle, {&sys}) {}

protected:
    System& sys() const { return *this->closer().sys; }
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
