#pragma once
// Errors inside the library are C++ exceptions carrying a class name (as the
// host sees it, e.g. "EReadError") and a fixed message. The export guard turns
// them into "Class: message" text and a -1.0 result; nothing is thrown past it.
#include <stdexcept>
#include <string>

namespace vl {

struct Error : std::runtime_error {
    std::string className;
    std::string message;
    Error(std::string cls, std::string msg)
        : std::runtime_error(cls + ": " + msg), className(std::move(cls)), message(std::move(msg)) {}
};

[[noreturn]] inline void fail(const char* cls, std::string msg) { throw Error(cls, std::move(msg)); }

}  // namespace vl
