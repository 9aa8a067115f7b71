// The autorun, policy and hosts scenarios against the fake machine (the same ones run under Wine).
#include "tests/fake/fake_machine.h"
#include "tests/scenarios/autorun_scenarios.h"

namespace pell::test {
namespace {

TEST(FakeStageScenario, AutorunStagesRemoveWormValues) {
    FakeMachine machine;
    AutorunStagesRemoveWormValues(machine, machine, L"C:\\pelltest\\autoruns");
}

TEST(FakeStageScenario, PoliciesAreRestored) {
    FakeMachine machine;
    PoliciesAreRestored(machine, machine, L"C:\\pelltest\\policies");
}

TEST(FakeStageScenario, HostsFileIsCleaned) {
    FakeMachine machine;
    HostsFileIsCleaned(machine, machine, L"C:\\pelltest\\hosts\\system32", L"C:\\pelltest\\hosts");
}

}  // namespace
}  // namespace pell::test
