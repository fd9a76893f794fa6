#include "window/main/load_resources.h"

#include <QtGlobal>

// The resource initialiser is declared by the macro in the enclosing namespace, so
// it has to be called from outside ours.
static void registerTarveloResources() { Q_INIT_RESOURCE(tarvelo); }

namespace tarvelo::window {

void loadResources() { registerTarveloResources(); }

}  // namespace tarvelo::window
