// Where the trace goes on Windows: the debugger's output, and the file the console program's --trace names.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "base/trace.h"

namespace pell::win32 {

// Sends every trace line to OutputDebugString (a debugger, DebugView, Wine's debugstr channel) for as long
// as it lives.
class DebuggerTrace final : public TraceSink {
public:
    DebuggerTrace() : attached_(*this) {}
    void Write(std::string_view line) override;

private:
    TraceTo attached_;
};

// A trace file: opened for appending (created when missing; others may read it meanwhile), each line
// with its UTC time, attached to the trace for as long as it lives. A run adds at most about `limit`
// bytes: the line that would pass it is replaced by one saying that the rest was dropped, so a looping
// failure cannot fill the disk of a machine that runs the program unattended every day.
class TraceFile final : public TraceSink {
public:
    static constexpr std::uint64_t kDefaultLimit = std::uint64_t{1} << 20;

    // Nothing, and the reason in `error`, when `path` cannot be opened for appending or is no file on a
    // disk (a device or a pipe could block every write).
    static std::unique_ptr<TraceFile> Open(const std::wstring& path, std::wstring& error,
                                           std::uint64_t limit = kDefaultLimit);
    ~TraceFile() override;
    TraceFile(const TraceFile&) = delete;
    TraceFile& operator=(const TraceFile&) = delete;

    void Write(std::string_view line) override;

private:
    TraceFile(void* file, std::uint64_t limit);
    void Append(std::string_view line);

    void* file_;
    std::uint64_t limit_;
    std::uint64_t written_ = 0;
    bool full_ = false;
    TraceTo attached_{*this};  // declared last: detached before the file closes
};

}  // namespace pell::win32
