#include "host.h"

#include <X11/Xutil.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

namespace vl::linuxhost {

void* loadFreshCopy(const std::string& path, VelmoraApi& api, std::string& error) {
    char dir[] = "/tmp/velmora-copy-XXXXXX";
    if (!mkdtemp(dir)) {
        error = "cannot make a temporary folder";
        return nullptr;
    }
    const std::string copy = std::string(dir) + "/libvelmora-copy.so";
    {
        std::ifstream in(path, std::ios::binary);
        std::ofstream out(copy, std::ios::binary);
        out << in.rdbuf();
        if (!in || !out) error = "cannot copy " + path;
    }
    void* library = error.empty() ? dlopen(copy.c_str(), RTLD_NOW | RTLD_LOCAL) : nullptr;
    if (!library && error.empty()) error = dlerror();
    unlink(copy.c_str());  // the mapping stays
    rmdir(dir);
    if (!library) return nullptr;
#define VL_RESOLVE(name)                                                          \
    api.name = reinterpret_cast<decltype(api.name)>(dlsym(library, #name));       \
    if (!api.name) error += std::string(error.empty() ? "" : ", ") + "no export " #name;
    VELMORA_EXPORTS(VL_RESOLVE)
#undef VL_RESOLVE
    return error.empty() ? library : nullptr;
}

Window makeWindow(Display* display, int depth, bool inputOnly, int width, int height) {
    const int screen = DefaultScreen(display);
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;  // no window manager moves, decorates or covers it
    attributes.event_mask = inputOnly ? 0 : ExposureMask;
    unsigned long mask = CWOverrideRedirect | CWEventMask;
    Visual* visual = CopyFromParent;
    int windowDepth = CopyFromParent;
    if (depth) {
        XVisualInfo info;
        if (!XMatchVisualInfo(display, screen, depth, TrueColor, &info)) return 0;
        visual = info.visual;
        windowDepth = depth;
        attributes.colormap = XCreateColormap(display, RootWindow(display, screen), visual, AllocNone);
        attributes.border_pixel = 0;
        mask |= CWColormap | CWBorderPixel;
    }
    const Window window = XCreateWindow(display, RootWindow(display, screen), 0, 0, unsigned(width),
                                        unsigned(height), 0, inputOnly ? 0 : windowDepth,
                                        inputOnly ? InputOnly : InputOutput, visual, mask, &attributes);
    XMapRaised(display, window);
    if (inputOnly) {
        XSync(display, False);
    } else {
        XEvent event;
        XWindowEvent(display, window, ExposureMask, &event);  // mapped and viewable
    }
    return window;
}

std::vector<uint32_t> readWindow(Display* display, Window window, int width, int height) {
    std::vector<uint32_t> pixels;
    XImage* image = XGetImage(display, window, 0, 0, unsigned(width), unsigned(height), AllPlanes, ZPixmap);
    if (!image) return pixels;
    auto channel = [](unsigned long pixel, unsigned long mask) {
        return uint32_t((pixel & mask) >> __builtin_ctzl(mask)) & 0xFF;
    };
    pixels.reserve(size_t(width) * size_t(height));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const unsigned long p = XGetPixel(image, x, y);
            pixels.push_back(channel(p, image->red_mask) | channel(p, image->green_mask) << 8 |
                             channel(p, image->blue_mask) << 16);
        }
    }
    XDestroyImage(image);
    return pixels;
}

Server::Server(std::vector<std::string> arguments) {
    int ready[2];
    if (arguments.empty() || pipe(ready) != 0) return;
    std::vector<std::string> words = {"Xvfb", "-displayfd", std::to_string(ready[1]), "-nolisten", "tcp"};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    pid_ = fork();
    if (pid_ == 0) {
        close(ready[0]);
        const int quiet = open("/dev/null", O_WRONLY);
        dup2(quiet, 1);
        dup2(quiet, 2);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(ready[1]);
    // The server writes its display number once it accepts connections.
    std::string number;
    pollfd p{ready[0], POLLIN, 0};
    char c;
    while (pid_ > 0 && poll(&p, 1, 20000) > 0 && read(ready[0], &c, 1) == 1 && c != '\n') number += c;
    close(ready[0]);
    if (number.empty())
        stop();
    else
        display_ = ":" + number;
}

void Server::stop() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    pid_ = -1;
}

DisplayVariable::DisplayVariable(const std::string& value) {
    const char* old = std::getenv("DISPLAY");
    had_ = old != nullptr;
    if (old) old_ = old;
    if (value.empty())
        unsetenv("DISPLAY");
    else
        setenv("DISPLAY", value.c_str(), 1);
}

DisplayVariable::~DisplayVariable() {
    if (had_)
        setenv("DISPLAY", old_.c_str(), 1);
    else
        unsetenv("DISPLAY");
}

}  // namespace vl::linuxhost
