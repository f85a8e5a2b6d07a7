#pragma once
// The native build's exports as the demo's table of function pointers, so
// tables of calls written against it run both natively and through the DLL.
#include "velmora_api.h"

namespace vl::test {

inline VelmoraApi nativeApi() {
    VelmoraApi api;
#define VL_NATIVE(name) api.name = &::name;
    VELMORA_EXPORTS(VL_NATIVE)
#undef VL_NATIVE
    return api;
}

}  // namespace vl::test
