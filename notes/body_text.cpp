#include "notes/body_text.h"

#include <cstring>

#include "notes/text_mode.h"

namespace scriblet {

namespace {

bool isUpperHex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

int hexValue(char c) { return c <= '9' ? c - '0' : c - 'A' + 10; }

void appendSpan(std::string& out, const char* from, const char* to) {
    out.append(from, static_cast<std::size_t>(to - from));
}

}  // namespace

bool startsEscape(const char* p, const char* end) {
    return end - p >= 3 && isUpperHex(p[1]) && isUpperHex(p[2]);
}

void decodeBody(const char* token, std::size_t length, bool plain, std::string& body) {
    const char* const end = token + length;
    if (plain) {
        if (length == std::strlen(kEmptyBody) && std::memcmp(token, kEmptyBody, length) == 0) body.clear();
        else body.assign(token, length);
        return;
    }
    body.clear();
    body.reserve(length);
    const char* p = token;
    for (const char* at = p;; ++at) {
        at = nextControlOrDegree(at, end);
        if (at == end) break;
        if (*at == '\n') {
            appendSpan(body, p, at > p && at[-1] == '\r' ? at - 1 : at);
            body.push_back('\n');
            p = at + 1;
        } else if (*at == kEscape && startsEscape(at, end)) {
            appendSpan(body, p, at);
            body.push_back(static_cast<char>(hexValue(at[1]) * 16 + hexValue(at[2])));
            p = at + 3;
            at += 2;
        }
    }
    appendSpan(body, p, end);
}

}  // namespace scriblet
