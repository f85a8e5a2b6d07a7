/* Velmora: a software raycasting renderer for Windows (32- and 64-bit) and
 * Linux hosts.
 *
 * Every function takes doubles and zero-terminated 8-bit strings and returns
 * a double (vlLoadMap returns a string). Doubles used as integers are rounded
 * to the nearest integer, ties to even. A call that fails returns -1.0
 * (vlLoadMap: an empty string) and leaves its reason in vlGetLastError().
 * Usable from C and C++; load the DLL by name or link its import library. */
#ifndef VELMORA_H
#define VELMORA_H

#if defined(_WIN32) && !defined(_WIN64)
#define VL_CALL __cdecl
#else
#define VL_CALL
#endif
/* Windows exports by the library's module-definition file; elsewhere only
 * these functions are visible in the shared library. */
#if !defined(_WIN32) && defined(__GNUC__)
#define VL_API __attribute__((visibility("default")))
#else
#define VL_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

VL_API double VL_CALL vlInit(double window);                      /* Sets defaults, makes the 800x600 back buffer for window (HWND; X11 window id on Linux); returns 1.0. */
VL_API double VL_CALL vlFree(void);                               /* Does nothing; the engine stays usable. */
VL_API double VL_CALL vlTest(void);                               /* Does nothing. */
VL_API double VL_CALL vlSetWindowSize(double width, double height); /* Sets the rendered view's size (default 512x384, at most 800x600). */
VL_API double VL_CALL vlSetRenderMode(double mode);               /* 1 = flat walls, 2 = textured walls, floor, ceiling and sprites; others draw nothing. */
VL_API double VL_CALL vlSetTextureSize(double width, double height); /* Sets the texel size used to address textures (64x64 for loaded textures). */
VL_API double VL_CALL vlSetPlayerPos(double x, double y);         /* Sets the camera position in map cells. */
VL_API double VL_CALL vlSetPlayerDir(double x, double y);         /* Sets the camera direction vector. */
VL_API double VL_CALL vlSetPlane(double x, double y);             /* Sets the camera plane vector (field of view); default (0, 0.66). */
VL_API double VL_CALL vlSetFloorCeilTexture(double floor, double ceiling); /* Chooses the floor and ceiling textures; 0 draws none. */
VL_API double VL_CALL vlSetMapSize(double rowLength, double rowCount); /* Sizes the map grid, keeping cells that remain. */
VL_API const char* VL_CALL vlLoadMap(double row, const char* cells); /* Loads one map row from digits; returns the row text. */
VL_API double VL_CALL vlSetFlatWallColor(double index, double red, double green, double blue); /* Sets the flat colour of wall kind index. */
VL_API double VL_CALL vlLoadTexture(double index, const char* path); /* Loads a BMP file as 64x64 texture index. */
VL_API double VL_CALL vlAddSprite(double x, double y, double texture); /* Adds a sprite; returns its index. */
VL_API double VL_CALL vlSetSpritePos(double index, double x, double y); /* Moves a sprite. */
VL_API double VL_CALL vlLoadBitmap(const char* path);             /* Loads a BMP file as an overlay image; returns its index (-1.0 if no such file). */
VL_API double VL_CALL vlRaycastingScreen(void);                   /* Renders one frame of the view into the back buffer. */
VL_API double VL_CALL vlDrawColor(double red, double green, double blue); /* Sets the colour of rectangles and text. */
VL_API double VL_CALL vlDrawRectangle(double x1, double y1, double x2, double y2); /* Fills x1 <= x < x2, y1 <= y < y2 on the back buffer. */
VL_API double VL_CALL vlDrawText(double x, double y, const char* text); /* Draws one line of text with a transparent background. */
VL_API double VL_CALL vlDrawSprite(double index, double x, double y); /* Draws overlay image index with its top-left corner at (x, y). */
VL_API double VL_CALL vlDrawScreen(void);                         /* Copies the back buffer to the window; returns 1.0. */
VL_API double VL_CALL vlCopyBackBuffer(void* destination, double format); /* Writes the 800x600 back buffer, rows top-down, 4 bytes a pixel (0: R,G,B,255; 1: B,G,R,255); returns 1920000.0. */
VL_API const char* VL_CALL vlGetLastError(void);                  /* "Class: message" of the last failed call, or "" if none failed. */
VL_API double VL_CALL vlSetFogColor(double red, double green, double blue); /* Sets the colour distant pixels fade to. */
VL_API double VL_CALL vlSetFog(double start, double end);         /* Fades pixels from distance start (none) to end (all fog colour); off while end <= start. */
VL_API double VL_CALL vlSetPitch(double rows);                    /* Moves the horizon down by rows (looking up; negative looks down), at most 10000. */
VL_API const char* VL_CALL vlLoadFloorMap(double row, const char* cells); /* Loads one row of floor textures per cell (0: the default floor); returns the row text. */
VL_API const char* VL_CALL vlLoadCeilingMap(double row, const char* cells); /* Loads one row of ceiling textures per cell (0: the default ceiling); returns the row text. */
VL_API double VL_CALL vlSetSpriteScale(double index, double width, double height, double lift); /* Sizes a sprite in wall heights and lifts its bottom edge off the floor. */
VL_API double VL_CALL vlPickSprite(double screenX, double screenY); /* Index of the sprite the last textured frame shows at that pixel, or -1.0 (no error) for none. */
VL_API double VL_CALL vlCastRay(double x, double y, double dirX, double dirY); /* Marches a ray as the renderer does; returns the distance to the wall it meets. */
VL_API double VL_CALL vlGetRayHit(double what);                   /* What the last successful vlCastRay met: 0/1 wall cell x/y, 2 side, 3 kind, 4/5 hit point x/y. */
VL_API double VL_CALL vlSetPresentation(double mode);             /* How vlDrawScreen fits the area to the window: 0 1:1 at the top-left, 1 stretch, 2 fit, 3 whole multiples. */
VL_API double VL_CALL vlSetPresentArea(double left, double top, double right, double bottom); /* The part of the back buffer vlDrawScreen shows (default 0, 0, 800, 600). */
VL_API double VL_CALL vlSetWindow(double window);                 /* Presents into another window from now on, keeping all other state; returns 1.0. */

#ifdef __cplusplus
}
#endif

#endif /* VELMORA_H */
