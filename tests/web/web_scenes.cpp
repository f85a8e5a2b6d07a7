// The native side of the browser build's test and benchmark. The browser page
// cannot run our C++ scene tables, so this tool runs them on the native
// build's exports and writes down every call it makes, with the files the
// calls read, for the page to replay through velmora.js:
//
//   web_scenes golden DIR   the golden-frame scenes, and text scenes drawn
//                           with every byte value, into DIR/golden.json and
//                           DIR/golden/ (the scenes' BMP files)
//   web_scenes bench DIR    the benchmark world of bench/bench_scene.h into
//                           DIR/bench.json and DIR/bench/, with the native
//                           build's median frame times measured here
//
// Each scene carries the checksum the page must find on its canvas: the
// stored golden checksum, or for the text scenes the native build's own.
// Strings are written as byte arrays, which the page decodes as windows-1252
// (the browser's decoder), so the module receives exactly these bytes.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "bench_scene.h"
#include "engine/engine.h"
#include "support/bmp_writer.h"
#include "support/golden_frames.h"
#include "velmora_api.h"

namespace {

std::string g_calls;  // the JSON array of the calls so far, without brackets

void put(std::string& out, double v) {
    if (std::isnan(v) || std::isinf(v)) {  // JSON has no such numbers
        out += std::isnan(v) ? "{\"d\":\"NaN\"}" : v > 0 ? "{\"d\":\"Infinity\"}" : "{\"d\":\"-Infinity\"}";
        return;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", v);  // enough digits to give back the same double
    out += text;
}
void put(std::string& out, const char* s) {
    out += "{\"b\":[";
    for (const char* p = s; p && *p; ++p) out += (p == s ? "" : ",") + std::to_string(unsigned(uint8_t(*p)));
    out += "]}";
}
void put(std::string&, void*) {}  // no recorded call passes a pointer

// Each export's recording twin: writes ["name", args...] and calls the native
// export, so the native engine renders alongside.
template <auto Native, const char* Name>
struct Recorded;
template <class R, class... A, R (*Native)(A...), const char* Name>
struct Recorded<Native, Name> {
    static R call(A... args) {
        std::string entry = std::string(g_calls.empty() ? "" : ",\n") + "[\"" + Name + "\"";
        ((entry += ",", put(entry, args)), ...);
        g_calls += entry + "]";
        return Native(args...);
    }
};

#define VL_NAME(name) constexpr char name##Name[] = #name;
VELMORA_EXPORTS(VL_NAME)
#undef VL_NAME

VelmoraApi recordingApi() {
    VelmoraApi api;
#define VL_RECORD(name) api.name = &Recorded<&::name, name##Name>::call;
    VELMORA_EXPORTS(VL_RECORD)
#undef VL_RECORD
    return api;
}

std::string takeCalls() {
    std::string calls = "[" + g_calls + "]";
    g_calls.clear();
    return calls;
}

uint64_t backBufferChecksum() {
    const vl::Surface& bb = vl::globalEngine().backBuffer;
    std::vector<uint32_t> px;
    for (int y = 0; y < bb.height; ++y)
        for (int x = 0; x < bb.width; ++x) px.push_back(vl::pixelAt(bb, x, y));
    return vl::golden::checksum(px);
}

std::string hex(uint64_t v) {
    char text[17];
    std::snprintf(text, sizeof text, "%016" PRIx64, v);
    return text;
}

std::string sceneJson(const std::string& name, const std::string& calls, uint64_t checksum) {
    return "{\"name\":\"" + name + "\",\"checksum\":\"" + hex(checksum) + "\",\"calls\":" + calls + "}";
}

// Text in the built-in face, which every build without a system font uses:
// every byte value but 0, in lines of 32, partly off the edges of the back
// buffer, over a rendered frame and over plain colour.
void drawEveryByte(const VelmoraApi& api, int left, int top) {
    for (int line = 0; line < 8; ++line) {
        char text[33];
        for (int k = 0; k < 32; ++k) text[k] = char(std::max(1, line * 32 + k));
        text[32] = '\0';
        api.vlDrawColor(255 - line * 30, 80 + line * 20, 40 + line * 25);
        api.vlDrawText(left, top + line * 14, text);
    }
}

int golden(const std::string& dir) {
    const VelmoraApi api = recordingApi();
    ::mkdir((dir + "/golden").c_str(), 0777);
    vl::golden::writeAssets(dir + "/golden");
    api.vlInit(0);
    vl::golden::setupWorld(api, "golden");  // relative: the page's files lie at the same place
    if (*api.vlGetLastError()) {
        std::fprintf(stderr, "web_scenes: the golden world did not load: %s\n", api.vlGetLastError());
        return 1;
    }
    const std::string setup = takeCalls();
    std::string scenes;
    const auto expected = vl::golden::loadGolden(vl::golden::goldenPath());
    const auto& names = vl::golden::frameNames();
    for (size_t i = 0; i < names.size(); ++i) {
        vl::golden::renderFrame(api, i);
        const auto it = expected.find(names[i]);
        if (it == expected.end()) {
            std::fprintf(stderr, "web_scenes: %s has no stored checksum\n", names[i].c_str());
            return 1;
        }
        scenes += (i ? ",\n" : "") + sceneJson(names[i], takeCalls(), it->second);
    }
    vl::golden::renderFrame(api, 1);
    drawEveryByte(api, -3, 4);
    drawEveryByte(api, 500, 540);
    scenes += ",\n" + sceneJson("text-every-byte-over-textured", takeCalls(), backBufferChecksum());
    api.vlDrawColor(20, 30, 40);
    api.vlDrawRectangle(0, 0, 800, 600);
    drawEveryByte(api, 40, 200);
    api.vlDrawText(790, 300, "clipped at the right edge");
    scenes += ",\n" + sceneJson("text-every-byte", takeCalls(), backBufferChecksum());
    const std::string json = "{\"setup\":" + setup + ",\n\"scenes\":[" + scenes + "]}\n";
    vl::test::writeFile(dir + "/golden.json", std::vector<uint8_t>(json.begin(), json.end()));
    return 0;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// The world of bench_scene.h, its first scene (textured 512 x 384, 64
// sprites), built through the exports as a host would.
int bench(const std::string& dir) {
    using namespace vl::bench;
    const Scene& scene = kScenes[0];
    const VelmoraApi api = recordingApi();
    ::mkdir((dir + "/bench").c_str(), 0777);
    for (int t = 1; t <= kTextureCount; ++t) {
        vl::test::BmpFields f;
        f.width = f.height = kTextureSide;
        f.pixels = vl::test::packRows(kTextureSide, kTextureSide, 24, [t](int32_t x, int32_t y) { return texel(t, x, y); });
        vl::test::writeBmpFile(dir + "/bench/tex" + std::to_string(t) + ".bmp", f);
    }
    api.vlInit(0);
    api.vlSetTextureSize(kTextureSide, kTextureSide);
    for (int k = 1; k <= kWallTextures; ++k) {
        const uint32_t c = flatColour(k);
        api.vlSetFlatWallColor(k, c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
    }
    for (int t = 1; t <= kTextureCount; ++t) api.vlLoadTexture(t, ("bench/tex" + std::to_string(t) + ".bmp").c_str());
    api.vlSetMapSize(kMapSide, kMapSide);
    for (int x = 0; x < kMapSide; ++x) {
        std::string row;
        for (int y = 0; y < kMapSide; ++y) row += char('0' + mapCell(x, y));
        api.vlLoadMap(x, row.c_str());
    }
    for (int i = 0; i < scene.sprites; ++i) {
        double x, y;
        spritePosition(i, scene.sprites, x, y);
        api.vlAddSprite(x, y, scene.spriteTexture);
    }
    api.vlSetFloorCeilTexture(kFloorTexture, kCeilingTexture);
    api.vlSetWindowSize(scene.width, scene.height);
    api.vlSetRenderMode(scene.mode);
    if (*api.vlGetLastError()) {
        std::fprintf(stderr, "web_scenes: the benchmark world did not load: %s\n", api.vlGetLastError());
        return 1;
    }
    const std::string setup = takeCalls();

    // The camera walk, and the native times taken as the page takes them:
    // a warm-up walk, then each frame timed alone; the median of a walk, and
    // the best of kRounds walks, since the machine is shared and a busy
    // moment slows a whole walk.
    constexpr int kFrames = 200, kRounds = 5;
    std::string poses;
    for (int n = 0; n < kFrames; ++n) {
        const Pose p = cameraPose(n);
        poses += std::string(n ? ",[" : "[");
        for (double v : {p.posX, p.posY, p.dirX, p.dirY, p.planeX, p.planeY}) {
            put(poses, v);
            poses += ",";
        }
        poses.back() = ']';
    }
    std::vector<uint8_t> copy(size_t(vl::kBackBufferWidth) * vl::kBackBufferHeight * 4);
    double bestFrame = 1e9, bestCopy = 1e9;
    for (int round = 0; round <= kRounds; ++round) {
        std::vector<double> frameTimes, copyTimes;
        for (int n = 0; n < kFrames; ++n) {
            const Pose p = cameraPose(n);
            ::vlSetPlayerPos(p.posX, p.posY);
            ::vlSetPlayerDir(p.dirX, p.dirY);
            ::vlSetPlane(p.planeX, p.planeY);
            using Clock = std::chrono::steady_clock;
            const auto start = Clock::now();
            ::vlRaycastingScreen();
            const auto rendered = Clock::now();
            ::vlCopyBackBuffer(copy.data(), 0);
            const auto copied = Clock::now();
            frameTimes.push_back(std::chrono::duration<double, std::milli>(rendered - start).count());
            copyTimes.push_back(std::chrono::duration<double, std::milli>(copied - rendered).count());
        }
        if (round == 0) continue;  // the warm-up
        bestFrame = std::min(bestFrame, median(frameTimes));
        bestCopy = std::min(bestCopy, median(copyTimes));
    }
    char native[160];
    std::snprintf(native, sizeof native, "{\"frame\":%.4f,\"copy\":%.4f}", bestFrame, bestCopy);
    const std::string json = std::string("{\"scene\":\"") + scene.name + "\",\"native\":" + native +
                             ",\"setup\":" + setup + ",\"poses\":[" + poses + "]}\n";
    vl::test::writeFile(dir + "/bench.json", std::vector<uint8_t>(json.begin(), json.end()));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc == 3 ? argv[1] : "";
    if (mode != "golden" && mode != "bench") {
        std::fputs("usage: web_scenes golden|bench DIR\n", stderr);
        return 2;
    }
    const std::string dir = argv[2];
    ::mkdir(dir.c_str(), 0777);
    // The calls name files relative to DIR, as the page names them relative
    // to the module's file system root.
    if (::chdir(dir.c_str()) != 0) {
        std::fprintf(stderr, "web_scenes: cannot enter %s\n", dir.c_str());
        return 1;
    }
    return mode == "golden" ? golden(".") : bench(".");
}
