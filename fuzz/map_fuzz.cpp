// Arbitrary row text into arbitrary grid sizes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/error.h"
#include "world/world.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    vl::MapGrid grid;
    size_t at = 4;
    try {
        vl::setMapSize(grid, int32_t(int8_t(data[0])), int32_t(int8_t(data[1])));
    } catch (const vl::Error&) {
    }
    int32_t row = int32_t(int8_t(data[2]));
    while (at < size) {
        // The length byte is consumed first, so the row can take at most what remains after it.
        const size_t wanted = data[at] % 64;
        ++at;
        const size_t length = std::min(wanted, size - at);
        try {
            vl::loadMapRow(grid, row, std::string(reinterpret_cast<const char*>(data + at), length));
        } catch (const vl::Error& e) {
            if (e.className != "EConvertError") __builtin_trap();
        }
        at += length;
        row += int32_t(int8_t(data[3])) % 3;
        if (at < size && data[at] == 0xFF) {
            try {
                vl::setMapSize(grid, int32_t(int8_t(data[at - 1])), row);
            } catch (const vl::Error&) {
            }
        }
    }
    return 0;
}
