// VelmoraReference.dll: the library with the reference renderer (the
// formulas as first written) in place of src/render, so that the DLL
// benchmark can time both renderers in one process. The engine calls the
// renderer through this function only; the literal renderer makes its
// staging buffers on its first frame.
#include "render/frame.h"
#include "render/reference/frame.h"

namespace vl {

void renderFrame(const RenderSettings& settings, const Camera& camera, World& world, FrameBuffers& frame,
                 Surface& backBuffer) {
    reference::renderFrame(settings, camera, world, frame, backBuffer);
}

}  // namespace vl
