// The trace: what the program caught and chose not to pass on, written where whoever diagnoses a failure
// can read it. Nothing depends on it; with no sink attached a trace line goes nowhere.
#pragma once

#include <string_view>

namespace pell {

class TraceSink {
public:
    virtual ~TraceSink() = default;
    // One line of UTF-8 text, without a line end and without control characters.
    virtual void Write(std::string_view line) = 0;
};

// Attaches `sink` to the trace for as long as it lives. The trace is used from the one thread that runs
// the program's message loop, as everything else is.
class TraceTo {
public:
    explicit TraceTo(TraceSink& sink);
    ~TraceTo();
    TraceTo(const TraceTo&) = delete;
    TraceTo& operator=(const TraceTo&) = delete;

private:
    TraceSink& sink_;
};

// "where: what" to every attached sink. A control character (a line break an answer from the network
// carried, say) becomes a blank, so one call is always one line; a very long text is cut.
void Trace(std::wstring_view where, std::wstring_view what);

// Only inside a catch block: the exception being handled, as a line of `where` ("error 10061 from
// CSocketMaster.PostSocket: Connection refused." for the program's run-time errors).
void TraceCaught(std::wstring_view where);

}  // namespace pell
