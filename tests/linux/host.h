#pragma once
// A Linux test host: loads libvelmora.so with dlopen, as a game host does,
// resolves every export by name, and makes, shows and reads back real X11
// windows, on the test's display or on X servers of its own.
#include <X11/Xlib.h>
#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

#include "velmora_api.h"

namespace vl::linuxhost {

// Loads a copy of the library at path under a new file name: a separate
// instance with an engine of its own and no display opened yet, as the
// library is right after loading. Null, with the reason, when the copy, the
// load or an export fails.
void* loadFreshCopy(const std::string& path, VelmoraApi& api, std::string& error);

// A mapped top-level window of width x height at (0, 0) with no background
// (nothing but our frames paints it), on a visual of the given depth (0: the
// default visual), or an input-only window; ready to draw into.
Window makeWindow(Display* display, int depth = 0, bool inputOnly = false, int width = 800, int height = 600);
// The window's top-left pixels as 0x00BBGGRR, rows from the top.
std::vector<uint32_t> readWindow(Display* display, Window window, int width = 800, int height = 600);

// An Xvfb server of the test's own, started with arguments such as
// {"-screen", "0", "800x600x16"} (none: no server) and stopped at the end of
// its scope, however the test ends.
class Server {
public:
    explicit Server(std::vector<std::string> arguments);
    ~Server() { stop(); }
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;
    // ":N", or empty when there is no server.
    const std::string& display() const { return display_; }
    void stop();

private:
    pid_t pid_ = -1;
    std::string display_;
};

// Sets DISPLAY (empty: unsets it) for as long as it lives.
class DisplayVariable {
public:
    explicit DisplayVariable(const std::string& value);
    ~DisplayVariable();
    DisplayVariable(const DisplayVariable&) = delete;
    DisplayVariable& operator=(const DisplayVariable&) = delete;

private:
    bool had_;
    std::string old_;
};

}  // namespace vl::linuxhost
