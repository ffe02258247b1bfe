// The platform layer's windows and browser view as screen readers see them.
#pragma once

namespace vx {

// Windows answer as windows (dialogs as dialogs) named by their caption, labels as the text they
// show, images as graphics. Once is enough.
void InstallToolkitAccessibility();
// The browser view answers as the document it shows. Once is enough.
void InstallWebAccessibility();

}  // namespace vx
