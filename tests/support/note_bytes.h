// Notes as bytes, for the tests of every level: literals with NULs, records
// as the file holds them, the fixed day that the tests' writers stamp, and
// bytes made printable for a failed comparison.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

namespace scriblet::testing {

// Today, for the tests that give the writer a clock.
inline const char* const kToday = "010203";
inline std::string fixedToday() { return kToday; }

// A string literal with every byte, NULs included.
template <std::size_t N>
std::string raw(const char (&bytes)[N]) {
    return std::string(bytes, N - 1);
}

// One record as the file holds it: date, title and body, each line feed of
// the body written as CR LF.
inline std::string record(const std::string& date, const std::string& title, const std::string& body) {
    std::string diskBody;
    for (char c : body) {
        if (c == '\n') diskBody += '\r';
        diskBody += c;
    }
    return date + "\r\n" + title + "\r\n" + diskBody + "\xB0\r\n";
}

// Bytes as printable text, so that a failed comparison shows where they
// differ: CR and LF as \r and \n, a backslash doubled, the other control and
// high bytes as \xHH.
inline std::string printable(const std::string& bytes) {
    std::string out;
    for (unsigned char c : bytes) {
        if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\\') {
            out += "\\\\";
        } else if (c < 0x20 || c >= 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

}  // namespace scriblet::testing
