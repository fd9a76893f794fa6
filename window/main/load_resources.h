#pragma once

namespace tarvelo::window {

// Registers the program's pictures (":/splash.jpg", ":/tarvelo.png"). They are
// compiled into a static library, whose unreferenced resource object the linker
// would drop; call this before the first use. Calling it again does nothing more.
void loadResources();

}  // namespace tarvelo::window
