// A body's text from its bytes on disk: the one decoding both the reader and
// the table (which decodes a read note only when it is handed out) use.
#pragma once

#include <cstddef>
#include <string>

namespace scriblet {

// Starts an escape in a body: it and two upper-case hex digits stand for the
// byte with that value. None of the format's delimiters and stop bytes, and
// no typed text, contains it.
inline constexpr char kEscape = '\x10';
// What an empty body is stored as.
inline constexpr const char* kEmptyBody = "<empty>";

// Whether the escape byte at p (before end) starts an escape.
bool startsEscape(const char* p, const char* end);

// A body token as the plain rules give it, from its bytes on disk: each CR LF
// reads as LF, and its escapes are decoded; exactly "<empty>" is the empty
// body. `plain`: the token holds neither a line feed nor the escape byte.
void decodeBody(const char* token, std::size_t size, bool plain, std::string& body);

}  // namespace scriblet
