/* Velmora: a software raycasting renderer for 32-bit Windows hosts.
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

#ifdef __cplusplus
extern "C" {
#endif

double VL_CALL vlInit(double window);                      /* Sets defaults, makes the 800x600 back buffer for window (an HWND); returns 1.0. */
double VL_CALL vlFree(void);                               /* Does nothing; the engine stays usable. */
double VL_CALL vlTest(void);                               /* Does nothing. */
double VL_CALL vlSetWindowSize(double width, double height); /* Sets the rendered view's size (default 512x384, at most 800x600). */
double VL_CALL vlSetRenderMode(double mode);               /* 1 = flat walls, 2 = textured walls, floor, ceiling and sprites; others draw nothing. */
double VL_CALL vlSetTextureSize(double width, double height); /* Sets the texel size used to address textures (64x64 for loaded textures). */
double VL_CALL vlSetPlayerPos(double x, double y);         /* Sets the camera position in map cells. */
double VL_CALL vlSetPlayerDir(double x, double y);         /* Sets the camera direction vector. */
double VL_CALL vlSetPlane(double x, double y);             /* Sets the camera plane vector (field of view); default (0, 0.66). */
double VL_CALL vlSetFloorCeilTexture(double floor, double ceiling); /* Chooses the floor and ceiling textures; 0 draws none. */
double VL_CALL vlSetMapSize(double rowLength, double rowCount); /* Sizes the map grid, keeping cells that remain. */
const char* VL_CALL vlLoadMap(double row, const char* cells); /* Loads one map row from digits; returns the row text. */
double VL_CALL vlSetFlatWallColor(double index, double red, double green, double blue); /* Sets the flat colour of wall kind index. */
double VL_CALL vlLoadTexture(double index, const char* path); /* Loads a BMP file as 64x64 texture index. */
double VL_CALL vlAddSprite(double x, double y, double texture); /* Adds a sprite; returns its index. */
double VL_CALL vlSetSpritePos(double index, double x, double y); /* Moves a sprite. */
double VL_CALL vlLoadBitmap(const char* path);             /* Loads a BMP file as an overlay image; returns its index (-1.0 if no such file). */
double VL_CALL vlRaycastingScreen(void);                   /* Renders one frame of the view into the back buffer. */
double VL_CALL vlDrawColor(double red, double green, double blue); /* Sets the colour of rectangles and text. */
double VL_CALL vlDrawRectangle(double x1, double y1, double x2, double y2); /* Fills x1 <= x < x2, y1 <= y < y2 on the back buffer. */
double VL_CALL vlDrawText(double x, double y, const char* text); /* Draws one line of text with a transparent background. */
double VL_CALL vlDrawSprite(double index, double x, double y); /* Draws overlay image index with its top-left corner at (x, y). */
double VL_CALL vlDrawScreen(void);                         /* Copies the back buffer to the window; returns 1.0. */
const char* VL_CALL vlGetLastError(void);                  /* "Class: message" of the last failed call, or "" if none failed. */

#ifdef __cplusplus
}
#endif

#endif /* VELMORA_H */
