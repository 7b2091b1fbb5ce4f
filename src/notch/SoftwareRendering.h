#pragma once

namespace fadebin {

// Makes every Qt Quick window of the program render with Qt Quick's software backend.
// Must run before the first window is created. The GL backend costs about three times
// the memory for a panel that draws a few flat shapes.
void useSoftwareRendering();

} // namespace fadebin
