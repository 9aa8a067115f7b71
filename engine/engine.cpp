// The engine's shared state and its details-channel shortcut.
#include "engine/engine.h"

#include "i18n/details.h"

namespace pell {

void Engine::Details(float code, std::wstring_view arg) { WriteDetails(host, *translation, code, arg); }

}  // namespace pell
