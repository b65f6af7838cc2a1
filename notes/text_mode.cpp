#include "notes/text_mode.h"

#include <cstdint>
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

const char* nextControlOrDegree(const char* p, const char* end) {
    using Word = std::uintptr_t;
    constexpr Word kOnes = ~Word(0) / 255;
    constexpr Word kHighBits = kOnes * 0x80;
    constexpr Word kControls = kOnes * 0x20;
    while (static_cast<std::size_t>(end - p) >= sizeof(Word)) {
        Word word;
        std::memcpy(&word, p, sizeof word);
        // Exact for "some byte of the word is below 0x20 or from 0x80 on": a
        // cheaper test than for 0xB0 itself, and plain text seldom holds either.
        if (((word - kControls) | word) & kHighBits) {
            for (std::size_t i = 0; i < sizeof(Word); ++i) {
                const unsigned char c = static_cast<unsigned char>(p[i]);
                if (c < 0x20 || c == 0xB0) return p + i;
            }
        }
        p += sizeof(Word);
    }
    for (; p < end; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (c < 0x20 || c == 0xB0) return p;
    }
    return end;
}

}  // namespace scriblet
