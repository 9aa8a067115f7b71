// The autorun stages (Run, per-user Run, RunServices) and the policy restoration.
#include "engine/stages.h"

namespace pell {

void CleanMachineRun(Engine&, RunFlags&) {}
void CleanUserRun(Engine&, RunFlags&) {}
void CleanRunServices(Engine&, RunFlags&) {}
void RestorePolicies(Engine&) {}

}  // namespace pell
