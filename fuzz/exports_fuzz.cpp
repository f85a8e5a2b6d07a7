// A byte stream as a sequence of export calls on a fresh engine.
#include <cstddef>
#include <cstdint>

#include "call_script.h"
#include "engine/engine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Copying a record made once by vlInit reuses the big buffers' memory;
    // making them anew for every input would spend most of the time in page
    // faults.
    static const vl::EngineState initialised = [] {
        vl::EngineState st;
        vl::init(st, 0);
        return st;
    }();
    vl::fuzz::ByteStream in{data, size};
    // Most scripts start like a host does; a few call before vlInit.
    if (in.byte() % 16)
        vl::globalEngine() = initialised;
    else
        vl::globalEngine() = vl::EngineState{};
    // A small view keeps each script cheap; scripts can still ask for more.
    vlSetWindowSize(in.byte() % 97, in.byte() % 73);
    int framesLeft = 4;
    for (int calls = 0; calls < 200 && !in.done(); ++calls) vl::fuzz::oneCall(in, framesLeft);
    vl::fuzz::finishFrame();
    return 0;
}
