// The pacing of the run's yields to the window.
#include "ui/pump_pacer.h"

namespace pell::ui {

bool PumpPacer::Due(std::uint64_t nowMs) {
    if (first_ || nowMs < last_ || nowMs - last_ >= interval_) {
        first_ = false;
        last_ = nowMs;
        return true;
    }
    return false;
}

}  // namespace pell::ui
