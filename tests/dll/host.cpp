#include "host.h"

#include <gtest/gtest.h>

const char* const kExportNames[37] = {
    "vlInit", "vlFree", "vlTest", "vlSetWindowSize", "vlSetRenderMode", "vlSetTextureSize",
    "vlSetPlayerPos", "vlSetPlayerDir", "vlSetPlane", "vlSetFloorCeilTexture", "vlSetMapSize", "vlLoadMap",
    "vlSetFlatWallColor", "vlLoadTexture", "vlAddSprite", "vlSetSpritePos", "vlLoadBitmap",
    "vlRaycastingScreen", "vlDrawColor", "vlDrawRectangle", "vlDrawText", "vlDrawSprite", "vlDrawScreen",
    "vlCopyBackBuffer", "vlGetLastError", "vlSetFogColor", "vlSetFog", "vlSetPitch", "vlLoadFloorMap",
    "vlLoadCeilingMap", "vlSetSpriteScale", "vlPickSprite", "vlCastRay", "vlGetRayHit", "vlSetPresentation",
    "vlSetPresentArea", "vlSetWindow"};

static HMODULE module() {
    static HMODULE m = LoadLibraryA("Velmora.dll");
    return m;
}

FARPROC exportByName(const char* name) {
    HMODULE m = module();
    if (!m) {
        ADD_FAILURE() << "Velmora.dll did not load, error " << GetLastError();
        return nullptr;
    }
    FARPROC f = GetProcAddress(m, name);
    if (!f) ADD_FAILURE() << "missing export " << name;
    return f;
}

Velmora& velmora() {
    static Velmora v = [] {
        Velmora r;
        r.module = module();
#define RESOLVE(name) r.name = reinterpret_cast<decltype(r.name)>(reinterpret_cast<void*>(exportByName(#name)))
        RESOLVE(vlInit); RESOLVE(vlFree); RESOLVE(vlTest); RESOLVE(vlSetWindowSize); RESOLVE(vlSetRenderMode);
        RESOLVE(vlSetTextureSize); RESOLVE(vlSetPlayerPos); RESOLVE(vlSetPlayerDir); RESOLVE(vlSetPlane);
        RESOLVE(vlSetFloorCeilTexture); RESOLVE(vlSetMapSize); RESOLVE(vlLoadMap); RESOLVE(vlSetFlatWallColor);
        RESOLVE(vlLoadTexture); RESOLVE(vlAddSprite); RESOLVE(vlSetSpritePos); RESOLVE(vlLoadBitmap);
        RESOLVE(vlRaycastingScreen); RESOLVE(vlDrawColor); RESOLVE(vlDrawRectangle); RESOLVE(vlDrawText);
        RESOLVE(vlDrawSprite); RESOLVE(vlDrawScreen); RESOLVE(vlCopyBackBuffer);
        RESOLVE(vlGetLastError); RESOLVE(vlCastRay); RESOLVE(vlGetRayHit);
        RESOLVE(vlSetPresentation); RESOLVE(vlSetPresentArea); RESOLVE(vlSetWindow);
#undef RESOLVE
        return r;
    }();
    return v;
}

HMODULE loadFreshCopy(const char* copyName, VelmoraApi& api) {
    if (!CopyFileA("Velmora.dll", copyName, FALSE)) {
        ADD_FAILURE() << "cannot copy Velmora.dll to " << copyName;
        return nullptr;
    }
    HMODULE module = LoadLibraryA(copyName);
    if (!module) {
        ADD_FAILURE() << copyName << " did not load, error " << GetLastError();
        return nullptr;
    }
    bool complete = true;
#define VL_RESOLVE(name)                                                                                     \
    api.name = reinterpret_cast<decltype(api.name)>(reinterpret_cast<void*>(GetProcAddress(module, #name))); \
    if (!api.name) {                                                                                         \
        ADD_FAILURE() << "missing export " #name;                                                            \
        complete = false;                                                                                    \
    }
    VELMORA_EXPORTS(VL_RESOLVE)
#undef VL_RESOLVE
    return complete ? module : nullptr;
}

void pumpMessages() { vl::host::pumpMessages(); }

HWND testWindow() {
    static HWND window = vl::host::makeWindow("Velmora test host");
    return window;
}

std::vector<uint32_t> readWindow(HWND window, int width, int height) {
    return vl::host::readWindow(window, width, height);
}

std::string tempPath(const std::string& name) {
    char dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    return std::string(dir) + name;
}
