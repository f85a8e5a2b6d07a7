#pragma once
// Host text in the browser. Hosts pass 8-bit text as they do to the Windows
// library, in windows-1252; JavaScript strings and the file system's names
// are Unicode (the file system takes its names in UTF-8). These two
// conversions are the only place that knows the code page, for the exports'
// strings and for file names alike.
#include <string>

namespace vl::platform {

// windows-1252 bytes as UTF-8. Every byte value has a character, so nothing
// is lost: decoding the result gives the same bytes back.
std::string utf8FromHostText(const std::string& text);
// UTF-8 as windows-1252 bytes; a character the code page lacks, or a byte
// that is not valid UTF-8, becomes '?'.
std::string hostTextFromUtf8(const std::string& utf8);

}  // namespace vl::platform
