// The trace: what a catch block lets go is written, described, one line a call, to the attached sinks only.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "base/runtime_error.h"
#include "base/trace.h"

namespace pell {
namespace {

struct Lines : TraceSink {
    std::vector<std::string> lines;
    void Write(std::string_view line) override { lines.emplace_back(line); }
};

template <typename Thrown>
void CatchAndTrace(const Thrown& thrown) {
    try {
        throw thrown;
    } catch (...) {
        TraceCaught(L"Where");
    }
}

TEST(Trace, DescribesWhatWasCaughtOneLineACall) {
    Lines sink;
    {
        TraceTo attached(sink);
        CatchAndTrace(RuntimeError(10061, L"CSocketMaster.PostSocket", L"Connection refused."));
        CatchAndTrace(std::runtime_error("disk full"));
        CatchAndTrace(42);
        Trace(L"UpdateCheck", L"HTTP/1.1 404 Not Found\r\nServer: x\t\u00E9");
        TraceCaught(L"outside any catch block");
    }
    Trace(L"UpdateCheck", L"nobody listens any more");
    EXPECT_EQ(sink.lines, (std::vector<std::string>{
                              "Where: error 10061 from CSocketMaster.PostSocket: Connection refused.",
                              "Where: disk full",
                              "Where: an exception of no known kind",
                              "UpdateCheck: HTTP/1.1 404 Not Found  Server: x \xC3\xA9",
                          }));
    Lines other;
    TraceTo attached(other);
    Trace(L"W", std::wstring(5000, L'x'));
    ASSERT_EQ(other.lines.size(), 1u);
    EXPECT_EQ(other.lines[0].size(), 3 + 2000 + 3u);  // "W: ", the cut text, "..."
}

}  // namespace
}  // namespace pell
