// The trace's sinks and the description of a caught exception.
#include "base/trace.h"

#include <algorithm>
#include <exception>
#include <string>
#include <vector>

#include "base/runtime_error.h"
#include "base/text.h"

namespace pell {
namespace {

// Enough for any path and any error text; a line past it comes from data no one should read whole.
constexpr std::size_t kMaxLineCharacters = 2000;

std::vector<TraceSink*>& Sinks() {
    static std::vector<TraceSink*> sinks;
    return sinks;
}

std::wstring DescribeCaught() {
    try {
        throw;
    } catch (const RuntimeError& error) {
        return L"error " + std::to_wstring(error.Number()) + L" from " + error.Source() + L": " + error.Description();
    } catch (const std::exception& error) {
        return Utf8ToWide(error.what());
    } catch (...) {
        return L"an exception of no known kind";
    }
}

}  // namespace

TraceTo::TraceTo(TraceSink& sink) : sink_(sink) { Sinks().push_back(&sink_); }

TraceTo::~TraceTo() {
    auto& sinks = Sinks();
    sinks.erase(std::remove(sinks.begin(), sinks.end(), &sink_), sinks.end());
}

void Trace(std::wstring_view where, std::wstring_view what) {
    if (Sinks().empty()) return;
    std::wstring line(where);
    line += L": ";
    line += what.substr(0, kMaxLineCharacters);
    if (what.size() > kMaxLineCharacters) line += L"...";
    std::replace_if(line.begin(), line.end(), [](wchar_t c) { return c < 0x20 || c == 0x7F; }, L' ');
    const std::string utf8 = WideToUtf8(line);
    const std::vector<TraceSink*> sinks = Sinks();  // a sink may attach or detach another
    for (TraceSink* sink : sinks) sink->Write(utf8);
}

void TraceCaught(std::wstring_view where) {
    if (Sinks().empty() || !std::current_exception()) return;
    Trace(where, DescribeCaught());
}

}  // namespace pell
