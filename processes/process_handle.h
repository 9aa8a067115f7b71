// An owner for process and token handles obtained through the System seam: closed exactly once.
#pragma once

#include <utility>

#include "base/system.h"

namespace pell {

class ProcessHandleOwner {
public:
    ProcessHandleOwner(System& sys, ProcHandle handle) : sys_(&sys), handle_(handle) {}
    ProcessHandleOwner(const ProcessHandleOwner&) = delete;
    ProcessHandleOwner& operator=(const ProcessHandleOwner&) = delete;
    ProcessHandleOwner(ProcessHandleOwner&& other) noexcept
        : sys_(other.sys_), handle_(std::exchange(other.handle_, 0)) {}
    ~ProcessHandleOwner() { Close(); }

    void Close() {
        if (handle_ != 0) sys_->CloseHandle(std::exchange(handle_, 0));
    }
    ProcHandle get() const { return handle_; }
    explicit operator bool() const { return handle_ != 0; }

private:
    System* sys_;
    ProcHandle handle_;
};

}  // namespace pell
