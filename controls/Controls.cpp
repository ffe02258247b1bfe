#include "Controls.h"

#include "Accessible.h"
#include "Action.h"
#include "GlowButton.h"
#include "GradientPanel.h"
#include "ImageList.h"
#include "PictureControl.h"
#include "ShapeButton.h"
#include "ToolPanels.h"

namespace vx {

void RegisterControlClasses() {
    InstallControlsAccessibility();
    RegisterAction();
    RegisterImageList();
    RegisterGlowButton();
    RegisterGradientPanel();
    RegisterToolPanels();
    RegisterShapeButton();
    RegisterPictureControl();
}

}  // namespace vx
