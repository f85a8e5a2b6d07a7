// Linux and other POSIX systems: no system colours or system font, but real
// files, so everything above the platform runs and is tested here exactly as
// it ships. Presentation into X11 windows is in x11_present.cpp. The browser
// build compiles this file too: emscripten's in-memory file system answers
// the same calls.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

#include "platform/platform.h"

#ifdef __EMSCRIPTEN__
#include "platform/web/text_1252.h"
#endif

namespace vl::platform {

namespace {

#ifdef __EMSCRIPTEN__
// The browser's file system names files in UTF-8; hosts name them in
// windows-1252, as they would for the Windows library.
std::string systemName(const std::string& hostPath) { return utf8FromHostText(hostPath); }
std::string hostText(const std::string& systemPath) { return hostTextFromUtf8(systemPath); }
#else
// Linux names files by their bytes: the host's text is the name.
const std::string& systemName(const std::string& hostPath) { return hostPath; }
const std::string& hostText(const std::string& systemPath) { return systemPath; }
#endif

}  // namespace


bool rasteriseText(const std::string&, int32_t, int32_t, const std::string&, TextMask&) { return false; }

uint32_t systemColour(int index) {
    // The window-text colour is black; the other system colours the engine
    // might meet are light backgrounds.
    return index == 8 ? 0x000000 : 0xFFFFFF;
}

int screenDotsPerInch() { return 96; }

bool readFile(const std::string& path, size_t maxBytes, std::vector<uint8_t>& out, uint32_t& errorCode) {
    out.clear();
    const int fd = ::open(systemName(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        errorCode = uint32_t(errno);
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        errorCode = S_ISDIR(st.st_mode) ? EISDIR : uint32_t(errno);
        ::close(fd);
        return false;
    }
    uint8_t chunk[65536];
    while (out.size() < maxBytes) {
        const size_t want = std::min(sizeof chunk, maxBytes - out.size());
        const ssize_t got = ::read(fd, chunk, want);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            errorCode = uint32_t(errno);
            ::close(fd);
            return false;
        }
        if (got == 0) break;
        out.insert(out.end(), chunk, chunk + got);
    }
    ::close(fd);
    return true;
}

bool fileExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(systemName(path).c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

std::string fullPath(const std::string& path) {
    if (!path.empty() && path[0] == '/') return path;
    char cwd[PATH_MAX];
    if (!::getcwd(cwd, sizeof cwd)) return path;
    const std::string dir = hostText(cwd);
    return dir + (!dir.empty() && dir.back() == '/' ? "" : "/") + path;  // the root already ends in one
}

std::string errorText(uint32_t code) {
    std::string text = std::strerror(int(code));
    while (!text.empty() && (text.back() == '.' || static_cast<unsigned char>(text.back()) <= ' ')) text.pop_back();
    return text;
}

#ifndef __EMSCRIPTEN__
bool hostMemoryHolds(const void*, size_t) { return true; }  // the browser's is in web/
#endif

}  // namespace vl::platform
