// The reference renderer's sources, compiled into the unit tests as one
// unit (the test build only picks up files directly in tests/render).
#include "render/reference/floor_ceiling.cpp"
#include "render/reference/frame.cpp"
#include "render/reference/sprites.cpp"
#include "render/reference/walls.cpp"
