/* Velmora's functions as plain C declarations, with no preprocessor lines,
 * for LuaJIT's ffi.cdef and Python's cffi. Every function uses the C calling
 * convention (__cdecl on 32-bit Windows), the default of both. See velmora.h
 * for C and C++ hosts and API.md for what each function does.
 * Written by tools/make_ffi_header.py from velmora.h; do not edit. */
double vlInit(double window);                      /* Sets defaults, makes the 800x600 back buffer for window (HWND; X11 window id on Linux); returns 1.0. */
double vlFree(void);                               /* Does nothing; the engine stays usable. */
double vlTest(void);                               /* Does nothing. */
double vlSetWindowSize(double width, double height); /* Sets the rendered view's size (default 512x384, at most 800x600). */
double vlSetRenderMode(double mode);               /* 1 = flat walls, 2 = textured walls, floor, ceiling and sprites; others draw nothing. */
double vlSetTextureSize(double width, double height); /* Sets the texel size used to address textures (64x64 for loaded textures). */
double vlSetPlayerPos(double x, double y);         /* Sets the camera position in map cells. */
double vlSetPlayerDir(double x, double y);         /* Sets the camera direction vector. */
double vlSetPlane(double x, double y);             /* Sets the camera plane vector (field of view); default (0, 0.66). */
double vlSetFloorCeilTexture(double floor, double ceiling); /* Chooses the floor and ceiling textures; 0 draws none. */
double vlSetMapSize(double rowLength, double rowCount); /* Sizes the map grid, keeping cells that remain. */
const char* vlLoadMap(double row, const char* cells); /* Loads one map row from digits; returns the row text. */
double vlSetFlatWallColor(double index, double red, double green, double blue); /* Sets the flat colour of wall kind index. */
double vlLoadTexture(double index, const char* path); /* Loads a BMP file as 64x64 texture index. */
double vlAddSprite(double x, double y, double texture); /* Adds a sprite; returns its index. */
double vlSetSpritePos(double index, double x, double y); /* Moves a sprite. */
double vlLoadBitmap(const char* path);             /* Loads a BMP file as an overlay image; returns its index (-1.0 if no such file). */
double vlRaycastingScreen(void);                   /* Renders one frame of the view into the back buffer. */
double vlDrawColor(double red, double green, double blue); /* Sets the colour of rectangles and text. */
double vlDrawRectangle(double x1, double y1, double x2, double y2); /* Fills x1 <= x < x2, y1 <= y < y2 on the back buffer. */
double vlDrawText(double x, double y, const char* text); /* Draws one line of text with a transparent background. */
double vlDrawSprite(double index, double x, double y); /* Draws overlay image index with its top-left corner at (x, y). */
double vlDrawScreen(void);                         /* Copies the back buffer to the window; returns 1.0. */
double vlCopyBackBuffer(void* destination, double format); /* Writes the 800x600 back buffer, rows top-down, 4 bytes a pixel (0: R,G,B,255; 1: B,G,R,255); returns 1920000.0. */
const char* vlGetLastError(void);                  /* "Class: message" of the last failed call, or "" if none failed. */
double vlSetFogColor(double red, double green, double blue); /* Sets the colour distant pixels fade to. */
double vlSetFog(double start, double end);         /* Fades pixels from distance start (none) to end (all fog colour); off while end <= start. */
double vlSetPitch(double rows);                    /* Moves the horizon down by rows (looking up; negative looks down), at most 10000. */
const char* vlLoadFloorMap(double row, const char* cells); /* Loads one row of floor textures per cell (0: the default floor); returns the row text. */
const char* vlLoadCeilingMap(double row, const char* cells); /* Loads one row of ceiling textures per cell (0: the default ceiling); returns the row text. */
double vlSetSpriteScale(double index, double width, double height, double lift); /* Sizes a sprite in wall heights and lifts its bottom edge off the floor. */
double vlPickSprite(double screenX, double screenY); /* Index of the sprite the last textured frame shows at that pixel, or -1.0 (no error) for none. */
double vlCastRay(double x, double y, double dirX, double dirY); /* Marches a ray as the renderer does; returns the distance to the wall it meets. */
double vlGetRayHit(double what);                   /* What the last successful vlCastRay met: 0/1 wall cell x/y, 2 side, 3 kind, 4/5 hit point x/y. */
double vlSetPresentation(double mode);             /* How vlDrawScreen fits the area to the window: 0 1:1 at the top-left, 1 stretch, 2 fit, 3 whole multiples. */
double vlSetPresentArea(double left, double top, double right, double bottom); /* The part of the back buffer vlDrawScreen shows (default 0, 0, 800, 600). */
double vlSetWindow(double window);                 /* Presents into another window from now on, keeping all other state; returns 1.0. */
