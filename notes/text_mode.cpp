#include "notes/text_mode.h"

#include <cstring>

namespace scriblet {

std::string textFromDisk(const char* data, std::size_t size) {
    if (const void* eof = std::memchr(data, 0x1A, size)) {
        size = static_cast<std::size_t>(static_cast<const char*>(eof) - data);
    }
    std::string text;
    text.reserve(size);
    const char* p = data;
    const char* end = data + size;
    while (p < end) {
        const void* found = std::memchr(p, '\r', static_cast<std::size_t>(end - p));
        if (!found) {
            text.append(p, end);
            break;
        }
        const char* cr = static_cast<const char*>(found);
        text.append(p, cr);
        if (cr + 1 < end && cr[1] == '\n') {
            text.push_back('\n');
            p = cr + 2;
        } else {
            text.push_back('\r');
            p = cr + 1;
        }
    }
    return text;
}

void appendTextToDisk(std::string& out, const char* text, std::size_t size) {
    const char* p = text;
    const char* end = text + size;
    while (p < end) {
        const void* found = std::memchr(p, '\n', static_cast<std::size_t>(end - p));
        if (!found) {
            out.append(p, end);
            break;
        }
        const char* lf = static_cast<const char*>(found);
        out.append(p, lf);
        out.append("\r\n", 2);
        p = lf + 1;
    }
}

}  // namespace scriblet
