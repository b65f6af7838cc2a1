// The text-mode translation of the notes file, done here over binary I/O so
// that it behaves the same on every platform.
#pragma once

#include <cstddef>
#include <string>

namespace scriblet {

// Disk bytes to text: CR LF becomes LF, a CR not followed by LF stays, and the
// first 0x1A ends the data.
std::string textFromDisk(const char* data, std::size_t size);

// Text to disk bytes, appended to `out`: every LF becomes CR LF, nothing else changes.
void appendTextToDisk(std::string& out, const char* text, std::size_t size);

// The first byte from p on that is a control byte (below 0x20) or 0xB0, or
// end when there is none. These are the only bytes the reader and the writer
// must look at one by one (line feeds, the body terminator, the stop bytes,
// the escape byte); the plain text between them goes by a machine word at a
// time, which the C library's memchr does not do everywhere.
const char* nextControlOrDegree(const char* p, const char* end);

}  // namespace scriblet
