#pragma once
// Stands in for emscripten's header when the browser module's text
// conversions are compiled natively for their tests: the one macro they use.
#define EMSCRIPTEN_KEEPALIVE __attribute__((used))
