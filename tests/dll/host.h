#pragma once
// A test host that uses Velmora.dll the way a game host does: loaded by name,
// every export resolved by name, only doubles and strings passed, and pixels
// read back from a real window.
#include "window.h"

#include <cstdint>
#include <string>
#include <vector>

#include "velmora_api.h"

typedef double(__cdecl* Fn0)();
typedef double(__cdecl* Fn1)(double);
typedef double(__cdecl* Fn2)(double, double);
typedef double(__cdecl* Fn3)(double, double, double);
typedef double(__cdecl* Fn4)(double, double, double, double);
typedef const char*(__cdecl* FnMap)(double, const char*);
typedef double(__cdecl* FnPathIndex)(double, const char*);
typedef double(__cdecl* FnPath)(const char*);
typedef double(__cdecl* FnText)(double, double, const char*);
typedef const char*(__cdecl* FnError)();
typedef double(__cdecl* FnCopy)(void*, double);

struct Velmora {
    HMODULE module = nullptr;
    Fn1 vlInit;
    Fn0 vlFree, vlTest;
    Fn2 vlSetWindowSize;
    Fn1 vlSetRenderMode;
    Fn2 vlSetTextureSize, vlSetPlayerPos, vlSetPlayerDir, vlSetPlane, vlSetFloorCeilTexture, vlSetMapSize;
    FnMap vlLoadMap;
    Fn4 vlSetFlatWallColor;
    FnPathIndex vlLoadTexture;
    Fn3 vlAddSprite, vlSetSpritePos;
    FnPath vlLoadBitmap;
    Fn0 vlRaycastingScreen;
    Fn3 vlDrawColor;
    Fn4 vlDrawRectangle;
    FnText vlDrawText;
    Fn3 vlDrawSprite;
    Fn0 vlDrawScreen;
    FnCopy vlCopyBackBuffer;
    FnError vlGetLastError;
    Fn4 vlCastRay;
    Fn1 vlGetRayHit;
    Fn1 vlSetPresentation;
    Fn4 vlSetPresentArea;
    Fn1 vlSetWindow;
};

// The names the DLL must export, exactly.
extern const char* const kExportNames[37];

// Loads Velmora.dll once per process; a missing export fails the test that asks.
Velmora& velmora();
// Resolves one export by name; records a test failure if it is missing.
FARPROC exportByName(const char* name);
// Loads a copy of Velmora.dll under copyName: a separate module with an engine
// of its own, as the library is right after loading. Fills api from it; null
// (and a test failure) when the copy or an export is missing.
HMODULE loadFreshCopy(const char* copyName, VelmoraApi& api);

// A visible top-level window with an 800 x 600 client area.
HWND testWindow();
void pumpMessages();
// The window's client area as 0x00BBGGRR values, row-major, read with BitBlt.
std::vector<uint32_t> readWindow(HWND window, int width = 800, int height = 600);
inline uint32_t rgb(int r, int g, int b) { return uint32_t(r) | (uint32_t(g) << 8) | (uint32_t(b) << 16); }

// A path under the test's temporary folder.
std::string tempPath(const std::string& name);
