#pragma once
// Every export that draws, called once with ordinary arguments. Before vlInit
// there is nothing to draw on, so each must fail alike; the native tests and
// the DLL tests run the same table.
#include <cstdint>
#include <vector>

#include "velmora_api.h"

namespace vl::test {

constexpr const char* kNoCanvasError = "EInvalidOperation: Canvas does not allow drawing";

struct DrawingCall {
    const char* name;
    double (*call)(const VelmoraApi&);
};

inline const DrawingCall kDrawingCalls[] = {
    {"vlDrawColor", [](const VelmoraApi& v) { return v.vlDrawColor(10, 20, 30); }},
    {"vlDrawRectangle", [](const VelmoraApi& v) { return v.vlDrawRectangle(0, 0, 5, 5); }},
    {"vlDrawText", [](const VelmoraApi& v) { return v.vlDrawText(1, 1, "Hi"); }},
    {"vlDrawSprite", [](const VelmoraApi& v) { return v.vlDrawSprite(0, 1, 1); }},
    {"vlDrawScreen", [](const VelmoraApi& v) { return v.vlDrawScreen(); }},
    {"vlRaycastingScreen", [](const VelmoraApi& v) { return v.vlRaycastingScreen(); }},
    {"vlCopyBackBuffer", [](const VelmoraApi& v) {
         static std::vector<uint8_t> frame(800 * 600 * 4);
         return v.vlCopyBackBuffer(frame.data(), 0);
     }},
    // Arguments it would refuse after vlInit: the missing canvas is told first.
    {"vlCopyBackBuffer(null)", [](const VelmoraApi& v) { return v.vlCopyBackBuffer(nullptr, 0); }},
    {"vlCopyBackBuffer(format 7)", [](const VelmoraApi& v) {
         static std::vector<uint8_t> frame(800 * 600 * 4);
         return v.vlCopyBackBuffer(frame.data(), 7);
     }},
};

}  // namespace vl::test
