#include "engine/guard.h"

namespace vl {

#if defined(__i386__) || defined(__x86_64__)

__attribute__((noinline)) FloatState enterLibraryFloatState() {
    FloatState saved;
    // fnstenv also masks every x87 exception as a side effect; the control
    // word then sets all masked, 64-bit precision, round to nearest.
    __asm__ volatile("fnstenv %0" : "=m"(saved.x87));
    __asm__ volatile("stmxcsr %0" : "=m"(saved.mxcsr));
    const uint16_t control = 0x037F;
    const uint32_t mxcsr = 0x1F80;  // all masked, round to nearest, no flush to zero
    __asm__ volatile("fldcw %0" : : "m"(control));
    __asm__ volatile("ldmxcsr %0" : : "m"(mxcsr));
    return saved;
}

__attribute__((noinline)) void leaveLibraryFloatState(const FloatState& saved) {
    // Restoring the whole environment also drops the flags our arithmetic
    // raised, so no pending exception fires in the host's next instruction.
    __asm__ volatile("fldenv %0" : : "m"(saved.x87));
    __asm__ volatile("ldmxcsr %0" : : "m"(saved.mxcsr));
}

#else

FloatState enterLibraryFloatState() { return FloatState{}; }
void leaveLibraryFloatState(const FloatState&) {}

#endif

}  // namespace vl
