#include "scene.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace demo {

namespace {

bool failed(double result) { return result == -1.0; }

std::string callError(const VelmoraApi& api, const std::string& what) {
    const char* reason = api.vlGetLastError();
    return what + " failed" + (reason && *reason ? std::string(": ") + reason : std::string());
}

std::string joinPath(const std::string& dir, const std::string& file) {
    if (dir.empty()) return file;
    const char last = dir.back();
    return (last == '/' || last == '\\') ? dir + file : dir + "/" + file;
}

void fill(const VelmoraApi& api, int r, int g, int b, int x1, int y1, int x2, int y2) {
    api.vlDrawColor(r, g, b);
    api.vlDrawRectangle(x1, y1, x2, y2);
}

int lerp(int a, int b, int step, int steps) { return a + (b - a) * step / steps; }

// ---------------------------------------------------------------- the look

// The look's keys of the level file; true for any other key, which is left
// for later versions of the file.
bool readLookKey(const std::string& key, std::istringstream& words, Level& level) {
    LevelLook& look = level.look;
    if (key == "fog") {
        look.fog = bool(words >> look.fogRed >> look.fogGreen >> look.fogBlue >> look.fogStart >> look.fogEnd);
        return look.fog;
    }
    if (key == "floorrow" || key == "ceilingrow") {
        LevelLook::Row row;
        if (!(words >> row.x >> row.cells) || row.x < 0 || row.x >= level.rowCount ||
            int(row.cells.size()) != level.rowLength)
            return false;
        (key == "floorrow" ? look.floorRows : look.ceilingRows).push_back(row);
        return true;
    }
    if (key == "scale") {
        LevelLook::Scale scale;
        if (!(words >> scale.texture >> scale.width >> scale.height >> scale.lift)) return false;
        look.scales.push_back(scale);
        return true;
    }
    if (key == "look") {
        LevelLook::Tilt tilt;
        if (!(words >> tilt.waypoint >> tilt.pitch) || tilt.waypoint < 0) return false;
        look.tilts.push_back(tilt);
        return true;
    }
    return true;
}

// The floor and ceiling tiles and the sprites' sizes; after the map (whose
// size clears the tiles) and the sprites.
bool setupLook(const VelmoraApi& api, Scene& scene, std::string& error) {
    const LevelLook& look = scene.level.look;
    if (look.fog) api.vlSetFogColor(look.fogRed, look.fogGreen, look.fogBlue);
    for (const LevelLook::Row& r : look.floorRows) {
        if (*api.vlLoadFloorMap(r.x, r.cells.c_str()) == '\0') {
            error = callError(api, "vlLoadFloorMap(" + std::to_string(r.x) + ")");
            return false;
        }
    }
    for (const LevelLook::Row& r : look.ceilingRows) {
        if (*api.vlLoadCeilingMap(r.x, r.cells.c_str()) == '\0') {
            error = callError(api, "vlLoadCeilingMap(" + std::to_string(r.x) + ")");
            return false;
        }
    }
    for (const LevelLook::Scale& s : look.scales) {
        for (size_t i = 0; i < scene.level.sprites.size(); ++i) {
            if (scene.level.sprites[i].texture != s.texture) continue;
            if (failed(api.vlSetSpriteScale(scene.spriteIds[i], s.width, s.height, s.lift))) {
                error = callError(api, "vlSetSpriteScale(" + std::to_string(i) + ")");
                return false;
            }
        }
    }
    scene.pitch = 0;
    return true;
}

// Each frame: the pitch, and the fog while it is on.
void applyLook(const VelmoraApi& api, const Scene& scene) {
    const LevelLook& look = scene.level.look;
    api.vlSetPitch(scene.pitch);
    if (scene.fog && look.fog) api.vlSetFog(look.fogStart, look.fogEnd);
    else api.vlSetFog(0, 0);
}

// The tour's view eases, a few rows a frame, to the pitch of the last tilt
// whose waypoint it has reached; integers only, so every target agrees.
void easePitch(Scene& scene) {
    constexpr int kRowsPerFrame = 2;
    int target = 0;
    for (const LevelLook::Tilt& t : scene.level.look.tilts)
        if (size_t(t.waypoint) <= scene.waypoint) target = t.pitch;
    const int step = target - scene.pitch;
    tilt(scene, step > kRowsPerFrame ? kRowsPerFrame : step < -kRowsPerFrame ? -kRowsPerFrame : step);
}

}  // namespace

bool loadLevel(const std::string& path, Level& level, std::string& error) {
    std::ifstream in(path);
    if (!in) {
        error = "cannot open " + path;
        return false;
    }
    level = Level{};
    std::string line;
    int lineNumber = 0;
    while (std::getline(in, line)) {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::istringstream words(line);
        std::string key;
        if (!(words >> key) || key[0] == '#') continue;
        bool ok = true;
        if (key == "texture") {
            Level::Texture t;
            ok = bool(words >> t.index >> t.file);
            level.textures.push_back(t);
        } else if (key == "flat") {
            Level::Flat f;
            ok = bool(words >> f.index >> f.red >> f.green >> f.blue);
            level.flats.push_back(f);
        } else if (key == "floor") {
            ok = bool(words >> level.floorTexture);
        } else if (key == "ceiling") {
            ok = bool(words >> level.ceilingTexture);
        } else if (key == "map") {
            ok = bool(words >> level.rowLength >> level.rowCount) && level.rowLength > 0 && level.rowCount > 0;
            if (ok) level.rows.assign(size_t(level.rowCount), std::string(size_t(level.rowLength), '1'));
        } else if (key == "row") {
            int x = -1;
            std::string cells;
            ok = bool(words >> x >> cells) && x >= 0 && x < level.rowCount && int(cells.size()) == level.rowLength;
            if (ok) level.rows[size_t(x)] = cells;
        } else if (key == "sprite") {
            Level::Sprite s;
            ok = bool(words >> s.x >> s.y >> s.texture);
            level.sprites.push_back(s);
        } else if (key == "start") {
            ok = bool(words >> level.start.x >> level.start.y >> level.startDir.x >> level.startDir.y);
        } else if (key == "walk") {
            Point p;
            ok = bool(words >> p.x >> p.y);
            level.walk.push_back(p);
        } else if (key == "logo") {
            ok = bool(words >> level.logo);
        } else if (key == "patrol") {
            ok = bool(words >> level.patrolSprite >> level.patrolFrom.x >> level.patrolFrom.y >> level.patrolTo.x >>
                      level.patrolTo.y >> level.patrolSeconds) &&
                 level.patrolSeconds > 0;
        } else {
            ok = readLookKey(key, words, level);  // unknown keys are left for later versions of the file
        }
        if (!ok) {
            error = path + ":" + std::to_string(lineNumber) + ": cannot read '" + line + "'";
            return false;
        }
    }
    if (level.rows.empty()) {
        error = path + ": no map";
        return false;
    }
    return true;
}

int cellAt(const Level& level, int x, int y) {
    if (x < 0 || y < 0 || x >= level.rowCount || y >= level.rowLength) return 1;
    return level.rows[size_t(x)][size_t(y)] - '0';
}

bool setupScene(const VelmoraApi& api, const std::string& assetsDir, Scene& scene, std::string& error) {
    if (!loadLevel(joinPath(assetsDir, "world.txt"), scene.level, error)) return false;
    const Level& level = scene.level;

    // The view fills the back buffer. Both sizes must be set before the
    // first textured frame: the depth buffer and texel addressing use them.
    api.vlSetWindowSize(kViewWidth, kViewHeight);
    api.vlSetTextureSize(64, 64);
    for (const Level::Texture& t : level.textures) {
        const std::string path = joinPath(assetsDir, t.file);
        if (failed(api.vlLoadTexture(t.index, path.c_str()))) {
            error = callError(api, "vlLoadTexture(" + path + ")");
            return false;
        }
    }
    for (const Level::Flat& f : level.flats) api.vlSetFlatWallColor(f.index, f.red, f.green, f.blue);
    api.vlSetFloorCeilTexture(level.floorTexture, level.ceilingTexture);

    api.vlSetMapSize(level.rowLength, level.rowCount);
    for (int x = 0; x < level.rowCount; ++x) {
        if (*api.vlLoadMap(x, level.rows[size_t(x)].c_str()) == '\0') {
            error = callError(api, "vlLoadMap(" + std::to_string(x) + ")");
            return false;
        }
    }

    scene.spriteIds.clear();
    for (const Level::Sprite& s : level.sprites) scene.spriteIds.push_back(int(api.vlAddSprite(s.x, s.y, s.texture)));
    if (!setupLook(api, scene, error)) return false;

    // vlLoadBitmap cannot tell a missing file from image 0 by its result,
    // so check for the file first.
    const std::string logo = joinPath(assetsDir, level.logo);
    if (!level.logo.empty() && std::ifstream(logo)) {
        const double index = api.vlLoadBitmap(logo.c_str());
        if (failed(index)) {
            error = callError(api, "vlLoadBitmap(" + logo + ")");
            return false;
        }
        scene.logo = int(index);
    }

    // Direction and plane at right angles; 0.66 wide gives about 66 degrees.
    const double length = std::sqrt(level.startDir.x * level.startDir.x + level.startDir.y * level.startDir.y);
    Camera& c = scene.camera;
    c.posX = level.start.x;
    c.posY = level.start.y;
    c.dirX = level.startDir.x / length;
    c.dirY = level.startDir.y / length;
    c.planeX = -c.dirY * 0.66;
    c.planeY = c.dirX * 0.66;
    scene.waypoint = 0;
    scene.seconds = 0;
    return true;
}

void turn(Camera& c, double cosAngle, double sinAngle) {
    const double dirX = c.dirX, planeX = c.planeX;
    c.dirX = dirX * cosAngle - c.dirY * sinAngle;
    c.dirY = dirX * sinAngle + c.dirY * cosAngle;
    c.planeX = planeX * cosAngle - c.planeY * sinAngle;
    c.planeY = planeX * sinAngle + c.planeY * cosAngle;
}

void tilt(Scene& scene, int rows) {
    const int pitch = scene.pitch + rows;
    scene.pitch = pitch > kMaxPitch ? kMaxPitch : pitch < -kMaxPitch ? -kMaxPitch : pitch;
}

void walkForward(Scene& scene, double distance) {
    // Keep a margin from walls so the camera never stands in a wall's face
    // (that would fill the view with one wall slice).
    constexpr double kMargin = 0.25;
    Camera& c = scene.camera;
    const double dx = c.dirX * distance, dy = c.dirY * distance;
    const double probeX = c.posX + dx + (dx > 0 ? kMargin : -kMargin);
    if (cellAt(scene.level, int(std::floor(probeX)), int(std::floor(c.posY))) == 0) c.posX += dx;
    const double probeY = c.posY + dy + (dy > 0 ? kMargin : -kMargin);
    if (cellAt(scene.level, int(std::floor(c.posX)), int(std::floor(probeY))) == 0) c.posY += dy;
}

bool scriptedStep(Scene& scene, int frame) {
    // cos and sin of 0.06 radians, written out so that no platform's
    // trigonometry decides where the camera goes.
    constexpr double kCos = 0.99820053993520419, kSin = 0.059964006479444595;
    constexpr double kStep = 0.05;  // cells per frame
    scene.seconds = frame / kScriptedFps;
    easePitch(scene);
    Camera& c = scene.camera;
    while (scene.waypoint < scene.level.walk.size()) {
        const Point target = scene.level.walk[scene.waypoint];
        const double tx = target.x - c.posX, ty = target.y - c.posY;
        const double distance = std::sqrt(tx * tx + ty * ty);
        if (distance < 1e-9) {
            ++scene.waypoint;
            continue;
        }
        const double cross = c.dirX * ty - c.dirY * tx;  // > 0: the target is to the right
        const double dot = c.dirX * tx + c.dirY * ty;
        if (dot <= 0 || std::fabs(cross) > kSin * distance) {
            // Turn on the spot, one step per frame.
            turn(c, kCos, cross >= 0 ? kSin : -kSin);
            return true;
        }
        // Facing the target (within one step): look straight at it and walk.
        c.dirX = tx / distance;
        c.dirY = ty / distance;
        c.planeX = -c.dirY * 0.66;
        c.planeY = c.dirX * 0.66;
        if (distance <= kStep) {
            c.posX = target.x;
            c.posY = target.y;
            ++scene.waypoint;
        } else {
            c.posX += c.dirX * kStep;
            c.posY += c.dirY * kStep;
        }
        return true;
    }
    return false;
}

void prepareFrame(const VelmoraApi& api, Scene& scene) {
    const Level& level = scene.level;
    if (level.patrolSprite >= 0 && size_t(level.patrolSprite) < scene.spriteIds.size()) {
        // A triangle wave between the two points, one round trip per period.
        const double phase = std::fmod(scene.seconds, level.patrolSeconds) / level.patrolSeconds;
        const double t = phase < 0.5 ? 2 * phase : 2 - 2 * phase;
        api.vlSetSpritePos(scene.spriteIds[size_t(level.patrolSprite)],
                           level.patrolFrom.x + (level.patrolTo.x - level.patrolFrom.x) * t,
                           level.patrolFrom.y + (level.patrolTo.y - level.patrolFrom.y) * t);
    }
    const Camera& c = scene.camera;
    api.vlSetPlayerPos(c.posX, c.posY);
    api.vlSetPlayerDir(c.dirX, c.dirY);
    api.vlSetPlane(c.planeX, c.planeY);
    api.vlSetRenderMode(scene.mode);
    applyLook(api, scene);

    // The library never clears the back buffer: whatever a frame does not
    // write (sky and ground in flat mode, a line under each wall in textured
    // mode) shows the previous frame's HUD unless it is painted first.
    const int horizon = kViewHeight / 2 + scene.pitch, ground = kViewHeight - horizon;
    if (scene.mode == 1) {
        constexpr int kBands = 20;
        for (int i = 0; i < kBands; ++i) {
            const int top = horizon * i / kBands, bottom = horizon * (i + 1) / kBands;
            fill(api, lerp(34, 150, i, kBands), lerp(56, 186, i, kBands), lerp(120, 226, i, kBands), 0, top,
                 kViewWidth, bottom);
            const int gTop = horizon + ground * i / kBands, gBottom = horizon + ground * (i + 1) / kBands;
            fill(api, lerp(54, 124, i, kBands), lerp(48, 108, i, kBands), lerp(40, 84, i, kBands), 0, gTop,
                 kViewWidth, gBottom);
        }
    } else if (scene.fog && level.look.fog) {
        // The row under each wall is one of those the frame leaves; far off,
        // where the fog has turned the floor to its own colour, a dark row
        // would show.
        fill(api, level.look.fogRed, level.look.fogGreen, level.look.fogBlue, 0, 0, kViewWidth, kViewHeight);
    } else {
        fill(api, 16, 12, 10, 0, 0, kViewWidth, kViewHeight);
    }
}

void drawOverlays(const VelmoraApi& api, const Scene& scene) {
    if (scene.logo >= 0) api.vlDrawSprite(scene.logo, 12, kViewHeight - 44 - 12);
    if (!scene.minimap) return;

    const Level& level = scene.level;
    constexpr int kCell = 6;
    const int left = kViewWidth - level.rowCount * kCell - 12, top = 28;
    const int right = left + level.rowCount * kCell, bottom = top + level.rowLength * kCell;
    fill(api, 200, 160, 60, left - 2, top - 2, right + 2, bottom + 2);
    fill(api, 20, 18, 28, left, top, right, bottom);
    // On the minimap world x goes right and world y down, which keeps it
    // the same way round as the view. Walls are drawn in runs along x, one
    // colour at a time.
    for (const Level::Flat& f : level.flats) {
        api.vlDrawColor(f.red, f.green, f.blue);
        for (int y = 0; y < level.rowLength; ++y) {
            for (int x = 0; x < level.rowCount;) {
                if (cellAt(level, x, y) != f.index) {
                    ++x;
                    continue;
                }
                int end = x;
                while (end < level.rowCount && cellAt(level, end, y) == f.index) ++end;
                api.vlDrawRectangle(left + x * kCell, top + y * kCell, left + end * kCell, top + (y + 1) * kCell);
                x = end;
            }
        }
    }
    api.vlDrawColor(240, 210, 110);
    for (const Level::Sprite& s : level.sprites) {
        if (&s - level.sprites.data() == level.patrolSprite) continue;
        const int x = left + int(s.x * kCell), y = top + int(s.y * kCell);
        api.vlDrawRectangle(x - 1, y - 1, x + 1, y + 1);
    }
    const Camera& c = scene.camera;
    const int px = left + int(c.posX * kCell), py = top + int(c.posY * kCell);
    api.vlDrawColor(255, 70, 60);
    for (int k = 1; k <= 3; ++k) {  // a short line of dots along the view direction
        const int x = px + int(c.dirX * k * 3), y = py + int(c.dirY * k * 3);
        api.vlDrawRectangle(x - 1, y - 1, x + 1, y + 1);
    }
    api.vlDrawRectangle(px - 2, py - 2, px + 2, py + 2);
}

std::string hudText(const Scene& scene, double fps, double renderMs) {
    char text[200];
    std::snprintf(text, sizeof text,
                  "%5.1f fps   render %5.2f ms   x %5.2f  y %5.2f   %s     1/2 mode  M map  F fog  PgUp/PgDn look  arrows/WASD move  Esc quit",
                  fps, renderMs, scene.camera.posX, scene.camera.posY, scene.mode == 1 ? "flat" : "textured");
    return text;
}

void drawHud(const VelmoraApi& api, const std::string& text) {
    fill(api, 14, 12, 22, 0, 0, kViewWidth, 19);
    api.vlDrawColor(236, 232, 214);  // text takes the colour set last
    api.vlDrawText(8, 3, text.c_str());
}

uint32_t checksum(const std::vector<uint32_t>& pixels) {
    uint32_t h = 2166136261u;
    for (uint32_t p : pixels) {
        for (int shift = 0; shift < 24; shift += 8) {
            h ^= (p >> shift) & 0xFF;
            h *= 16777619u;
        }
    }
    return h;
}

bool isChecksumFrame(int frame, int every) { return every > 0 && (frame + 1) % every == 0; }

std::string checksumLine(int frame, int mode, uint32_t sum) {
    char line[64];
    std::snprintf(line, sizeof line, "checksum frame %d mode %d %08x", frame, mode, unsigned(sum));
    return line;
}

}  // namespace demo
