#pragma once
// The library as the demo sees it: a table of function pointers. The Windows
// demo fills it from Velmora.dll with GetProcAddress, by name; the native
// replay tool fills it with the functions of the core library it links. The
// scene code in between cannot tell the two apart.
#include "velmora.h"

#define VELMORA_EXPORTS(X)                                                                            \
    X(vlInit) X(vlFree) X(vlTest) X(vlSetWindowSize) X(vlSetRenderMode) X(vlSetTextureSize)         \
    X(vlSetPlayerPos) X(vlSetPlayerDir) X(vlSetPlane) X(vlSetFloorCeilTexture) X(vlSetMapSize)      \
    X(vlLoadMap) X(vlSetFlatWallColor) X(vlLoadTexture) X(vlAddSprite) X(vlSetSpritePos)            \
    X(vlLoadBitmap) X(vlRaycastingScreen) X(vlDrawColor) X(vlDrawRectangle) X(vlDrawText)           \
    X(vlDrawSprite) X(vlDrawScreen) X(vlCopyBackBuffer) X(vlGetLastError) X(vlSetFogColor) X(vlSetFog)      \
    X(vlSetPitch) X(vlLoadFloorMap) X(vlLoadCeilingMap) X(vlSetSpriteScale) X(vlPickSprite) X(vlCastRay)     \
    X(vlGetRayHit) X(vlSetPresentation) X(vlSetPresentArea) X(vlSetWindow)

struct VelmoraApi {
#define VL_API_MEMBER(name) decltype(&::name) name = nullptr;
    VELMORA_EXPORTS(VL_API_MEMBER)
#undef VL_API_MEMBER
};
