#include "notes/text_mode.h"

#include <cstring>

namespace scriblet {

std::string textFromDisk(const char* data, std::size_t size) {
    if (const void* eof = std::memchr(data, 0x1A, size)) {
        size = static_cast<std::size_t>(static_cast<const char*>(eof) - data);
    }
    std::string text(size, '\0');
    char* out = size ? &text[0] : nullptr;
    const char* p = data;
    const char* end = data + size;
    while (p < end) {
        const void* found = std::memchr(p, '\n', static_cast<std::size_t>(end - p));
        const char* lf = found ? static_cast<const char*>(found) : end;
        // A CR right before a LF is the CR LF pair; every other CR stays.
        const char* keep = lf > p && lf < end && lf[-1] == '\r' ? lf - 1 : lf;
        std::memcpy(out, p, static_cast<std::size_t>(keep - p));
        out += keep - p;
        if (lf == end) break;
        *out++ = '\n';
        p = lf + 1;
    }
    text.resize(static_cast<std::size_t>(out - (size ? &text[0] : nullptr)));
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
