#include "notes/notes_format.h"

#include <cstring>

#include "notes/text_mode.h"

namespace scriblet {

namespace {

const char kTerminator = '\xB0';
// Starts an escape in a body: it and two upper-case hex digits stand for the
// byte with that value. None of the format's delimiters and stop bytes, and
// no typed text, contains it.
const char kEscape = '\x10';
const char* const kEmptyBody = "<empty>";
// Stands in for today's date when the clock cannot be read: an empty date
// would shift every later field of the file by one.
const char* const kUnknownDate = "000000";

bool isUpperHex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

int hexValue(char c) { return c <= '9' ? c - '0' : c - 'A' + 10; }

const char kHexDigits[] = "0123456789ABCDEF";

// Whether the escape byte at p (before end) starts an escape.
bool startsEscape(const char* p, const char* end) {
    return end - p >= 3 && isUpperHex(p[1]) && isUpperHex(p[2]);
}

// Appends the bytes from `from` up to `to` (by length: the iterator form
// goes the long way round through replace).
void appendSpan(std::string& out, const char* from, const char* to) {
    out.append(from, static_cast<std::size_t>(to - from));
}

bool isStopByte(char c) { return c == '\0' || c == '\x1A'; }

// A body token as the plain rules give it, from its bytes on disk: each CR LF
// reads as LF, and its escapes are decoded; exactly "<empty>" is the empty
// body. `plain`: the token holds neither a line feed nor the escape byte.
void decodeBody(const char* token, const char* end, bool plain, std::string& body) {
    const std::size_t length = static_cast<std::size_t>(end - token);
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

// C's strtok over the file's text, with the delimiter sets the reader
// alternates (a line feed for dates and titles, 0xB0 for bodies), run on the
// bytes on disk themselves: a CR LF pair is the line feed it reads as, and
// the first NUL or 0x1A ends the data. One pass, no copy of the text.
class Tokenizer {
public:
    Tokenizer(const char* data, std::size_t size) : p_(data), end_(data + size) {}

    bool nextLine(std::string& token) {
        skipLineBreaks();
        if (p_ == end_) return false;
        const char* const start = p_;
        const char* at = start;
        for (;; ++at) {
            at = nextControlOrDegree(at, end_);
            if (at == end_ || *at == '\n') break;
            if (isStopByte(*at)) {
                end_ = at;
                break;
            }
        }
        const char* tokenEnd = at;
        if (at < end_) {
            p_ = at + 1;
            // The CR of a CR LF pair is part of the line break.
            if (at > start && at[-1] == '\r') --tokenEnd;
        } else {
            p_ = at;
        }
        token.clear();
        appendSpan(token, start, tokenEnd);
        return true;
    }

    // The next body, decoded.
    bool nextBody(std::string& body) {
        while (p_ < end_ && *p_ == kTerminator) ++p_;
        if (p_ < end_ && isStopByte(*p_)) end_ = p_;
        if (p_ == end_) return false;
        const char* const start = p_;
        const char* at = start;
        bool plain = true;
        for (;; ++at) {
            at = nextControlOrDegree(at, end_);
            if (at == end_ || *at == kTerminator) break;
            if (isStopByte(*at)) {
                end_ = at;
                break;
            }
            if (*at == '\n' || *at == kEscape) plain = false;
        }
        p_ = at == end_ ? at : at + 1;
        decodeBody(start, at, plain, body);
        return true;
    }

    // What follows the last token, from where the next record's date would
    // start, as text.
    std::string rest() {
        skipLineBreaks();
        const char* stop = p_;
        for (;; ++stop) {
            stop = nextControlOrDegree(stop, end_);
            if (stop == end_ || isStopByte(*stop)) break;
        }
        end_ = stop;
        return textFromDisk(p_, static_cast<std::size_t>(end_ - p_));
    }

    // Where the data ends: the stop byte, once a token or rest() met it, or
    // the end of the bytes.
    const char* end() const { return end_; }

private:
    // Leading line feeds, as strtok skips them; a stop byte ends the data.
    void skipLineBreaks() {
        while (p_ < end_) {
            if (*p_ == '\n') ++p_;
            else if (*p_ == '\r' && end_ - p_ >= 2 && p_[1] == '\n') p_ += 2;
            else break;
        }
        if (p_ < end_ && isStopByte(*p_)) end_ = p_;
    }

    const char* p_;
    const char* end_;
};

// Bytes that a title or date cannot carry.
bool breaksLine(char c) { return c == '\n' || c == '\x1A' || c == '\0'; }

// A title or date goes on one line: each line break (CR LF or LF) and each
// byte 0x1A or NUL becomes a blank. A lone CR stays: the reader gives it back
// as it was, so a title read with one is written back unchanged.
void appendOneLine(std::string& out, const std::string& field) {
    const char* const end = field.data() + field.size();
    const char* run = field.data();
    for (const char* at = run;; ++at) {
        at = nextControlOrDegree(at, end);
        if (at == end) break;
        const bool crLf = *at == '\r' && end - at >= 2 && at[1] == '\n';
        if (!crLf && !breaksLine(*at)) continue;
        appendSpan(out, run, at);
        out.push_back(' ');
        if (crLf) ++at;
        run = at + 1;
    }
    appendSpan(out, run, end);
}

void appendEscape(std::string& out, unsigned char byte) {
    out.push_back(kEscape);
    out.push_back(kHexDigits[byte >> 4]);
    out.push_back(kHexDigits[byte & 15]);
}

// The body with its escapes, in disk form (LF as CR LF). The escape byte
// itself is escaped only where two upper-case hex digits follow it, so that
// a file holding it otherwise is written back as it was.
void appendBody(std::string& out, const std::string& body) {
    if (body.empty()) {
        out += kEmptyBody;
        return;
    }
    const char* p = body.data();
    const char* const end = body.data() + body.size();
    if (body == kEmptyBody) {
        appendEscape(out, '<');
        ++p;
    }
    // Bytes from `run` on are copied as they are until one needs more.
    const char* run = p;
    for (const char* at = p;; ++at) {
        at = nextControlOrDegree(at, end);
        if (at == end) break;
        const char c = *at;
        if (c == '\n') {
            appendSpan(out, run, at);
            out.append("\r\n", 2);
        } else if (c == kTerminator || isStopByte(c) || (c == kEscape && startsEscape(at, end))) {
            appendSpan(out, run, at);
            appendEscape(out, static_cast<unsigned char>(c));
        } else {
            continue;
        }
        run = at + 1;
    }
    appendSpan(out, run, end);
}
}  // namespace

void appendRecord(std::string& out, const Note& note, const std::function<std::string()>& today) {
    if (note.date.empty()) {
        const std::string stamp = today();
        appendOneLine(out, stamp.empty() ? std::string(kUnknownDate) : stamp);
    } else {
        appendOneLine(out, note.date);
    }
    out.append("\r\n", 2);
    if (note.title.empty()) out += kUntitled;
    else appendOneLine(out, note.title);
    out.append("\r\n", 2);
    appendBody(out, note.body);
    out.push_back(kTerminator);
    out.append("\r\n", 2);
}

void appendTail(std::string& out, const NoteTable& table) {
    appendTextToDisk(out, table.unreadText.data(), table.unreadText.size());
    out += table.stopTail;
}

std::size_t estimatedSize(const NoteTable& table, std::int16_t n) {
    std::size_t estimate = table.unreadText.size() + table.unreadText.size() / 16 + table.stopTail.size();
    for (std::int16_t i = 0; i < n && i < table.noteCount(); ++i) {
        const Note& note = table.at(i);
        const std::size_t fields = note.title.size() + note.date.size() + note.body.size();
        estimate += fields + fields / 16 + 32;
    }
    return estimate;
}

void formatNotes(const NoteTable& table, std::int16_t n, const std::function<std::string()>& today,
                 std::string& out) {
    if (n > table.noteCount()) n = table.noteCount();
    out.clear();
    out.reserve(estimatedSize(table, n));
    for (std::int16_t i = 0; i < n; ++i) appendRecord(out, table.at(i), today);
    appendTail(out, table);
}

std::string formatNotes(const NoteTable& table, std::int16_t n, const std::function<std::string()>& today) {
    std::string out;
    formatNotes(table, n, today, out);
    return out;
}

void parseNotes(const std::string& diskBytes, NoteTable& table) {
    table.clear();
    Tokenizer tokens(diskBytes.data(), diskBytes.size());
    std::string field;
    while (table.noteCount() < kMaxNotesRead && tokens.nextLine(field)) {
        table.appendNote();
        Note& note = table.at(static_cast<std::int16_t>(table.noteCount() - 1));
        note.date.swap(field);
        if (tokens.nextLine(field)) note.title.swap(field);
        if (tokens.nextBody(field)) note.body.swap(field);
        field.clear();
    }
    if (table.noteCount() == kMaxNotesRead) table.unreadText = tokens.rest();
    table.stopTail.assign(tokens.end(), diskBytes.data() + diskBytes.size());
}

bool isUtf16(const std::string& diskBytes) {
    return diskBytes.size() >= 2 && ((diskBytes[0] == '\xFF' && diskBytes[1] == '\xFE') ||
                                     (diskBytes[0] == '\xFE' && diskBytes[1] == '\xFF'));
}

}  // namespace scriblet
