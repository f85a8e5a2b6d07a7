#pragma once
// The error boundary every export runs in. Two things must never cross into
// the host: a C++ exception (it would end a host written in another language)
// and our floating-point state. Some hosts run with floating-point traps
// unmasked or another rounding mode, while the renderer divides by zero in
// legitimate cases, so each call masks everything and rounds to nearest, then
// gives the host its own state back.
#include <cstdint>
#include <new>
#include <string>

#include "base/error.h"

namespace vl {

struct FloatState {
    uint8_t x87[28];  // the x87 environment: control, status and tag words
    uint32_t mxcsr;
};

// Out of line on purpose: on 32-bit x86 a double result travels on the x87
// stack, so the host's state must be back before that value is loaded, which
// a call boundary guarantees.
FloatState enterLibraryFloatState();
void leaveLibraryFloatState(const FloatState& saved);

template <class Result, class Body>
Result runGuarded(std::string& lastError, Result failed, Body&& body) {
    const FloatState saved = enterLibraryFloatState();
    Result result = failed;
    try {
        result = body();
    } catch (const Error& e) {
        lastError = e.className + ": " + e.message;
    } catch (const std::bad_alloc&) {
        lastError = "EOutOfMemory: Out of memory";
    } catch (const std::exception& e) {
        lastError = std::string("Exception: ") + e.what();
    } catch (...) {
        lastError = "Exception: Unknown error";
    }
    leaveLibraryFloatState(saved);
    return result;
}

}  // namespace vl
