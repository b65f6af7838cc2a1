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

}  // namespace scriblet
