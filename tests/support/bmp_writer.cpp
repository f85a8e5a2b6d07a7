#include "support/bmp_writer.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace vl::test {
namespace {

void put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}
void put32(std::vector<uint8_t>& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}
void set32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = uint8_t(v >> (8 * i));
}

}  // namespace

std::vector<uint8_t> encodeBmp(const BmpFields& fields) {
    std::vector<uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    put32(out, 0);  // file size, set below
    put32(out, 0);  // reserved
    put32(out, 0);  // pixel offset, set below

    const bool core = fields.headerSize == 12;
    put32(out, fields.headerSize);
    if (core) {
        put16(out, uint32_t(fields.width));
        put16(out, uint32_t(fields.height));
        put16(out, fields.planes);
        put16(out, fields.bitsPerPixel);
    } else {
        std::vector<uint8_t> info;
        put32(info, uint32_t(fields.width));
        put32(info, uint32_t(fields.height));
        put16(info, fields.planes);
        put16(info, fields.bitsPerPixel);
        put32(info, fields.compression);
        put32(info, fields.imageSize);
        put32(info, 2835);  // 72 dpi
        put32(info, 2835);
        put32(info, fields.coloursUsed ? *fields.coloursUsed : uint32_t(fields.palette.size()));
        put32(info, 0);  // colours important
        for (uint32_t m : fields.masks) put32(info, m);  // header bytes 40..51
        info.resize(fields.headerSize >= 4 ? fields.headerSize - 4 : 0, 0);
        out.insert(out.end(), info.begin(), info.end());
    }
    if (fields.headerSize == 40 && fields.compression == 3)
        for (uint32_t m : fields.masks) put32(out, m);

    for (uint32_t c : fields.palette) {
        out.push_back(uint8_t(c >> 16));
        out.push_back(uint8_t(c >> 8));
        out.push_back(uint8_t(c));
        if (!core) out.push_back(0);
    }
    out.insert(out.end(), fields.gap, fields.gapByte);
    const uint32_t pixelsAt = uint32_t(out.size());
    out.insert(out.end(), fields.pixels.begin(), fields.pixels.end());

    set32(out, 2, uint32_t(out.size()));
    set32(out, 10, fields.pixelOffset ? *fields.pixelOffset : pixelsAt);
    return out;
}

std::vector<uint8_t> packRows(int32_t width, int32_t height, int bitsPerPixel,
                              const std::function<uint32_t(int32_t x, int32_t y)>& value) {
    const int32_t rows = height < 0 ? -height : height;
    const size_t stride = (size_t(width) * bitsPerPixel + 31) / 32 * 4;
    std::vector<uint8_t> out(stride * rows, 0);
    for (int32_t y = 0; y < rows; ++y) {
        uint8_t* row = out.data() + stride * size_t(height < 0 ? y : rows - 1 - y);
        for (int32_t x = 0; x < width; ++x) {
            const uint32_t v = value(x, y);
            switch (bitsPerPixel) {
                case 1: row[x / 8] |= uint8_t((v & 1) << (7 - x % 8)); break;
                case 4: row[x / 2] |= uint8_t((v & 0xF) << (x % 2 ? 0 : 4)); break;
                case 8: row[x] = uint8_t(v); break;
                case 16:
                    row[2 * x] = uint8_t(v);
                    row[2 * x + 1] = uint8_t(v >> 8);
                    break;
                case 24:  // colour 0x00BBGGRR stored blue, green, red
                    row[3 * x] = uint8_t(v >> 16);
                    row[3 * x + 1] = uint8_t(v >> 8);
                    row[3 * x + 2] = uint8_t(v);
                    break;
                case 32:
                    for (int i = 0; i < 4; ++i) row[4 * x + i] = uint8_t(v >> (8 * i));
                    break;
                default: throw std::invalid_argument("packRows: unsupported depth");
            }
        }
    }
    return out;
}

void writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!f) throw std::runtime_error("cannot write " + path);
}

std::vector<uint8_t> readWholeFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    if (!f) throw std::runtime_error("cannot read " + path);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

}  // namespace vl::test
