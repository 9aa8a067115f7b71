// The shared scenarios against the fake machine.
#include "tests/fake/fake_machine.h"
#include "tests/scenarios/run_value_scenario.h"

namespace pell::test {
namespace {

TEST(FakeScenario, RunValueAndFileAreRemoved) {
    FakeMachine machine;
    RunValueAndFileAreRemoved(machine, machine, L"C:\\PellScenario");
}

}  // namespace
}  // namespace pell::test
