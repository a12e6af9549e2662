#pragma once
// kelvo-scene's screenshots: frames read back from GL and saved as PNG
// images, the viewer's own code (material/Screenshot.h) under the names the
// tool uses.

#include "material/Screenshot.h"

namespace kelvo::authoring {

using Capture = qor::FrameCapture;
using qor::captureBackBuffer;
using qor::savePng;

}  // namespace kelvo::authoring
