// How often a run lets the window serve its pending messages.
#pragma once

#include <cstdint>

namespace pell::ui {

// Serves pending window messages at the rate a person can see, not once per call: the run reports
// progress tens of thousands of times and every pump is a round trip to the window system.
class PumpPacer {
public:
    explicit PumpPacer(std::uint64_t intervalMs = 15) : interval_(intervalMs) {}
    // True when a pump is due at `nowMs` (and counts it as done).
    bool Due(std::uint64_t nowMs);

private:
    std::uint64_t interval_;
    std::uint64_t last_ = 0;
    bool first_ = true;
};

}  // namespace pell::ui
