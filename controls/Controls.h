// The styled controls as one family for the windows' layouts.
#pragma once

namespace vx {

// Makes every styled control (and the settings classes they stream) known to layouts, and the
// controls known to screen readers.
void RegisterControlClasses();

}  // namespace vx
