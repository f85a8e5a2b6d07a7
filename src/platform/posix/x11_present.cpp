// Presentation into X11 windows. Placeholder until the X11 backend lands:
// window 0 presents nothing, as for a headless host.
#include "platform/platform.h"

namespace vl::platform {

bool presentImage(int32_t windowHandle, const uint8_t*, int32_t, int32_t, std::string& error) {
    if (windowHandle == 0) return true;
    error = "X11 presentation is not available in this build";
    return false;
}

}  // namespace vl::platform
