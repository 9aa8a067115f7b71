// The shared scenarios against the real machine under Wine.
#include "tests/scenarios/run_value_scenario.h"
#include "tests/win32/win32_test_support.h"

namespace pell::test {
namespace {

using Win32Scenario = Win32Test;

TEST_F(Win32Scenario, RunValueAndFileAreRemoved) { RunValueAndFileAreRemoved(planter, sys, Folder()); }

}  // namespace
}  // namespace pell::test
