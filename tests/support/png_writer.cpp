#include "support/png_writer.h"

#include <algorithm>

namespace vl::test {
namespace {

void put32be(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(v >> shift));
}

uint32_t crc32(const uint8_t* p, size_t n, uint32_t crc = 0) {
    crc = ~crc;
    for (size_t i = 0; i < n; ++i) {
        crc ^= p[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

// A zlib stream of one deflate block with the fixed Huffman codes, each run
// of a repeated byte coded as matches at distance 1: small files for images
// with flat areas, so the decoder must grow its buffers as real files make it.
}  // namespace

std::vector<uint8_t> zlibRunLength(const std::vector<uint8_t>& data) {
    std::vector<uint8_t> out = {0x78, 0x01};
    uint32_t acc = 0;
    int held = 0;
    auto bits = [&](uint32_t v, int n) {  // extra bits and headers: least significant first
        for (int i = 0; i < n; ++i) {
            acc |= ((v >> i) & 1) << held;
            if (++held == 8) out.push_back(uint8_t(acc)), acc = 0, held = 0;
        }
    };
    auto code = [&](uint32_t c, int n) {  // Huffman codes: most significant first
        for (int i = n - 1; i >= 0; --i) bits((c >> i) & 1, 1);
    };
    auto symbol = [&](uint32_t sym) {
        if (sym < 144) code(0x30 + sym, 8);
        else if (sym < 256) code(0x190 + sym - 144, 9);
        else if (sym < 280) code(sym - 256, 7);
        else code(0xC0 + sym - 280, 8);
    };
    static const uint16_t base[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                      31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
    static const uint8_t extra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
    bits(1, 1), bits(1, 2);  // the final block, fixed codes
    for (size_t i = 0; i < data.size();) {
        size_t run = 0;
        while (i > 0 && i + run < data.size() && run < 258 && data[i + run] == data[i - 1]) ++run;
        if (run < 3) {
            symbol(data[i++]);
            continue;
        }
        int k = 28;
        while (base[k] > run) --k;
        symbol(257 + uint32_t(k));
        bits(uint32_t(run - base[k]), extra[k]);
        code(0, 5);  // distance 1
        i += run;
    }
    symbol(256);
    if (held) out.push_back(uint8_t(acc));
    uint32_t a = 1, b = 0;
    for (uint8_t byte : data) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    put32be(out, (b << 16) | a);
    return out;
}

namespace {

// The filtered rows of the pixels (x0 + k * dx, y0 + j * dy): the whole
// image, or one Adam7 pass. Each row uses filter 1, each byte less the byte
// one pixel before it, so flat areas become runs of zeros.
void appendRows(const PngFields& f, uint32_t x0, uint32_t y0, uint32_t dx, uint32_t dy, std::vector<uint8_t>& out) {
    const int channels = pngChannels(f.colourType);
    const size_t pixelBytes = std::max(1, channels * f.bitDepth / 8);
    std::vector<uint8_t> row;
    for (uint32_t y = y0; y < f.height; y += dy) {
        if (x0 >= f.width) return;  // an empty pass has no rows at all
        row.clear();
        uint32_t bits = 0, held = 0;
        for (uint32_t x = x0; x < f.width; x += dx) {
            const std::array<uint16_t, 4> s = f.samples(x, y);
            for (int c = 0; c < channels; ++c) {
                if (f.bitDepth == 16) {
                    row.push_back(uint8_t(s[c] >> 8));
                    row.push_back(uint8_t(s[c]));
                    continue;
                }
                // Any depth below 16 packs, even one a PNG may not have.
                held = (held << f.bitDepth) | (s[c] & ((1u << f.bitDepth) - 1));
                for (bits += f.bitDepth; bits >= 8; bits -= 8) row.push_back(uint8_t(held >> (bits - 8)));
                held &= (1u << bits) - 1;
            }
        }
        if (bits) row.push_back(uint8_t(held << (8 - bits)));  // the row ends on a byte
        out.push_back(1);
        for (size_t i = 0; i < row.size(); ++i) out.push_back(uint8_t(row[i] - (i >= pixelBytes ? row[i - pixelBytes] : 0)));
    }
}

}  // namespace

int pngChannels(uint8_t colourType) {
    switch (colourType) {
        case 2: return 3;
        case 4: return 2;
        case 6: return 4;
        default: return 1;
    }
}

std::vector<uint8_t> pngChunk(const char type[4], const std::vector<uint8_t>& body) {
    std::vector<uint8_t> out;
    put32be(out, uint32_t(body.size()));
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), body.begin(), body.end());
    put32be(out, crc32(out.data() + 4, body.size() + 4));
    return out;
}

std::vector<uint8_t> pngStart(const PngFields& f) {
    std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> ihdr;
    put32be(ihdr, f.width);
    put32be(ihdr, f.height);
    ihdr.insert(ihdr.end(), {f.bitDepth, f.colourType, 0, 0, uint8_t(f.interlaced ? 1 : 0)});
    const std::vector<uint8_t> chunk = pngChunk("IHDR", ihdr);
    out.insert(out.end(), chunk.begin(), chunk.end());
    return out;
}

std::vector<uint8_t> encodePng(const PngFields& f) {
    std::vector<uint8_t> out = pngStart(f);
    auto add = [&out](const char* type, const std::vector<uint8_t>& body) {
        const std::vector<uint8_t> chunk = pngChunk(type, body);
        out.insert(out.end(), chunk.begin(), chunk.end());
    };
    if (!f.palette.empty()) {
        std::vector<uint8_t> plte;
        for (const auto& rgb : f.palette) plte.insert(plte.end(), rgb.begin(), rgb.end());
        add("PLTE", plte);
    }
    if (!f.transparency.empty()) add("tRNS", f.transparency);
    std::vector<uint8_t> rows;
    if (!f.interlaced) {
        appendRows(f, 0, 0, 1, 1, rows);
    } else {
        static const uint32_t pass[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                            {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
        for (const auto& p : pass) appendRows(f, p[0], p[1], p[2], p[3], rows);
    }
    add("IDAT", zlibRunLength(rows));
    add("IEND", {});
    return out;
}

}  // namespace vl::test
