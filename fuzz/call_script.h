#pragma once
// Turns a stream of bytes into calls of the exported functions, with the
// doubles a buggy host script produces (NaN, infinities, -0.0, huge, tiny,
// ties, wrapped integers), arbitrary strings and arbitrary file contents.
// Shared by the export fuzzer and the soak test.
#include <unistd.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

#include "velmora.h"

namespace vl::fuzz {

struct ByteStream {
    const uint8_t* data;
    size_t size;
    size_t at = 0;

    bool done() const { return at >= size; }
    uint8_t byte() { return at < size ? data[at++] : 0; }
    double real() {
        static const double special[] = {
            std::numeric_limits<double>::quiet_NaN(), -std::numeric_limits<double>::quiet_NaN(),
            std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
            -0.0, 0.0, 0.5, 1.5, 2.5, -2.5, 1e-6, 1e300, -1e300, DBL_MIN, 4.9e-324, DBL_MAX,
            2147483648.0, 4294967298.0, 9223372036854775808.0, -9223372036854775808.0, 0.66, -1.0, 64, 512, 384, 800, 600};
        const uint8_t selector = byte();
        if (selector < 48) return special[selector % (sizeof special / sizeof special[0])];
        if (selector < 224) return double(int8_t(byte())) + (selector & 3) * 0.25;
        double v;
        uint8_t raw[8];
        for (uint8_t& b : raw) b = byte();
        std::memcpy(&v, raw, 8);
        return v;
    }
    std::string text(size_t maxLength) {
        const size_t length = std::min<size_t>(byte() % (maxLength + 1), size - std::min(at, size));
        std::string s(reinterpret_cast<const char*>(data + at), length);
        at += length;
        return s;
    }
};

// A path for a load: a file written with bytes from the stream, or one of the
// awkward names a host may pass.
inline std::string loadPath(ByteStream& in) {
    switch (in.byte() % 8) {
    case 0: return "";
    case 1: return "/nonexistent/velmora.bmp";
    case 2: return "/tmp";
    default: {
        const std::string path = "/tmp/velmora-fuzz-" + std::to_string(getpid()) + ".bmp";
        std::string contents = in.text(255);
        if (in.byte() & 1) contents = "BM" + contents;
        if (FILE* f = std::fopen(path.c_str(), "wb")) {
            std::fwrite(contents.data(), 1, contents.size(), f);
            std::fclose(f);
        }
        return path;
    }
    }
}

// Performs one export call; frames are counted so a script stays cheap.
inline void oneCall(ByteStream& in, int& framesLeft) {
    switch (in.byte() % 33) {
    case 0:  // rarer than the others: it makes fresh 800x600 surfaces
        if (in.byte() < 32) vlInit(in.real());
        break;
    case 1: { const double w = in.real(); vlSetWindowSize(w, in.real()); break; }
    case 2: vlSetRenderMode(in.byte() % 4); break;
    case 3: vlSetRenderMode(in.real()); break;
    case 4: { const double w = in.real(); vlSetTextureSize(w, in.real()); break; }
    case 5: { const double x = in.real(); vlSetPlayerPos(x, in.real()); break; }
    case 6: { const double x = in.real(); vlSetPlayerDir(x, in.real()); break; }
    case 7: { const double x = in.real(); vlSetPlane(x, in.real()); break; }
    case 8: { const double f = in.real(); vlSetFloorCeilTexture(f, in.real()); break; }
    case 9: { const double l = in.real(); vlSetMapSize(l, in.real()); break; }
    case 10: { const double r = in.real(); const std::string t = in.text(40);
               vlLoadMap(r, (in.byte() & 7) ? t.c_str() : nullptr); break; }
    case 11: { const double i = in.real(), r = in.real(), g = in.real(); vlSetFlatWallColor(i, r, g, in.real()); break; }
    case 12: { const double i = in.real(); vlLoadTexture(i, loadPath(in).c_str()); break; }
    case 13: { const double x = in.real(), y = in.real(); vlAddSprite(x, y, in.real()); break; }
    case 14: { const double i = in.real(), x = in.real(); vlSetSpritePos(i, x, in.real()); break; }
    case 15: vlLoadBitmap(loadPath(in).c_str()); break;
    case 16: if (framesLeft > 0) { --framesLeft; vlRaycastingScreen(); } break;
    case 17: { const double r = in.real(), g = in.real(); vlDrawColor(r, g, in.real()); break; }
    case 18: { const double a = in.real(), b = in.real(), c = in.real(); vlDrawRectangle(a, b, c, in.real()); break; }
    case 19: { const double x = in.real(), y = in.real(); const std::string t = in.text(40);
               vlDrawText(x, y, (in.byte() & 7) ? t.c_str() : nullptr); break; }
    case 20: { const double i = in.real(), x = in.real(); vlDrawSprite(i, x, in.real()); break; }
    case 21: vlDrawScreen(); break;
    case 22: vlFree(); vlTest(); break;
    case 23: { const double x = in.real(), y = in.real(), dx = in.real(); vlCastRay(x, y, dx, in.real());
               vlGetRayHit(in.real()); break; }
    case 24: { const double r = in.real(), g = in.real(); vlSetFogColor(r, g, in.real());
               const double s = in.real(); vlSetFog(s, in.real()); break; }
    case 25: vlSetPitch(in.byte() < 128 ? in.real() : double(int(in.byte()) - 128)); break;
    case 26: { const double r = in.real(); const std::string t = in.text(40);
               if (in.byte() & 1) vlLoadFloorMap(r, t.c_str()); else vlLoadCeilingMap(r, t.c_str()); break; }
    case 27: { const double i = in.real(), w = in.real(), h = in.real(); vlSetSpriteScale(i, w, h, in.real()); break; }
    case 28: { const double x = in.real(); vlPickSprite(x, in.real()); break; }
    case 29: vlSetPresentation((in.byte() & 1) ? in.real() : in.byte() % 4); break;
    case 30: { const double l = in.real(), t = in.real(), r = in.real(); vlSetPresentArea(l, t, r, in.real()); break; }
    case 31: vlSetWindow(in.real()); break;
    default: (void)std::strlen(vlGetLastError()); break;
    }
}

// Ends a script the way a host's frame does, in every render mode.
inline void finishFrame() {
    for (double mode : {1.0, 2.0, 3.0}) {
        vlSetRenderMode(mode);
        vlRaycastingScreen();
    }
    vlDrawColor(10, 20, 30);
    vlDrawRectangle(0, 0, 800, 20);
    vlDrawText(5, 5, "fuzz");
    vlDrawSprite(0, 0, 0);
    vlDrawScreen();
}

}  // namespace vl::fuzz
