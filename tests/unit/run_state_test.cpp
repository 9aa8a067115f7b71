// The main window through start-up, a run and idle: which requests each state serves, and how often a
// run lets the window serve its messages.
#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>

#include "ui/pump_pacer.h"
#include "ui/run_state.h"

namespace pell::ui {
namespace {

TEST(RunState, RulesDecideWhichHandlersRun) {
    using R = Request;
    MainState s;
    auto accepts = [&s](std::initializer_list<R> yes) {
        for (R r : {R::Start, R::Close, R::About, R::CloseFromSystem, R::PickLanguage}) {
            bool expected = std::find(yes.begin(), yes.end(), r) != yes.end();
            EXPECT_EQ(state::Accepts(s, r), expected) << "request " << static_cast<int>(r);
        }
    };
    // Loading and the update check: only About; closing is refused.
    state::DisableGUI(s);
    accepts({R::About});
    EXPECT_FALSE(s.glowRunning);
    // Idle.
    state::Finish(s);
    accepts({R::Start, R::Close, R::About, R::CloseFromSystem, R::PickLanguage});
    EXPECT_TRUE(s.glowRunning);
    // START: the glow stops; during the run only About.
    state::BeginRun(s);
    accepts({R::About});
    EXPECT_FALSE(s.glowRunning);
    // The run's normal end: Term, then EnableGUI, while the START handler is still on the stack.
    s.term = true;
    state::EnableGUI(s);
    EXPECT_FALSE(state::Accepts(s, R::Start)) << "no second run from inside the first";
    EXPECT_TRUE(state::Accepts(s, R::CloseFromSystem));
    state::EndRun(s);
    accepts({R::Start, R::Close, R::About, R::CloseFromSystem, R::PickLanguage});
    EXPECT_TRUE(s.glowRunning) << "the glow starts again after a run";
}

TEST(RunState, PumpsArePacedNotPerCall) {
    PumpPacer pacer(15);
    int pumps = 0;
    // Ten thousand progress calls over 300 ms of run: about 20 pumps, not ten thousand.
    for (int i = 0; i < 10000; ++i) pumps += pacer.Due(1000 + i * 300 / 10000) ? 1 : 0;
    EXPECT_GE(pumps, 19);
    EXPECT_LE(pumps, 21);
    EXPECT_TRUE(PumpPacer(15).Due(0)) << "the first call pumps";
    PumpPacer back(15);
    back.Due(5000);
    EXPECT_TRUE(back.Due(10)) << "a clock that went back does not stop the pumping";
}

}  // namespace
}  // namespace pell::ui
