// SmartScan: identification of running and autorun programs by MD5 digest.
#include "engine/stages.h"

namespace pell {

void SmartScan(Engine&) {}

}  // namespace pell
