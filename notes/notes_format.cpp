#include "notes/notes_format.h"

#include <algorithm>
#include <cstring>

#include "notes/body_text.h"
#include "notes/notes_writer.h"
#include "notes/text_mode.h"

namespace scriblet {

namespace {

const char kTerminator = '\xB0';
// Stands in for today's date when the clock cannot be read: an empty date
// would shift every later field of the file by one.
const char* const kUnknownDate = "000000";

const char kHexDigits[] = "0123456789ABCDEF";

// Appends the bytes from `from` up to `to` (by length: the iterator form
// goes the long way round through replace).
void appendSpan(std::string& out, const char* from, const char* to) {
    out.append(from, static_cast<std::size_t>(to - from));
}

bool isStopByte(char c) { return c == '\0' || c == '\x1A'; }

// Whether the escape at p stands for the 0xB0 terminator or a stop byte.
bool isEscapedByWriter(const char* p) {
    return p[1] == 'B' ? p[2] == '0' : p[1] == '0' ? p[2] == '0' : p[1] == '1' && p[2] == 'A';
}

// C's strtok over the file's text, with the delimiter sets the reader
// alternates (a line feed for dates and titles, 0xB0 for bodies), run on the
// bytes on disk themselves: a CR LF pair is the line feed it reads as, and
// the first NUL or 0x1A ends the data. One pass, no copy of the text.
class Tokenizer {
public:
    Tokenizer(const char* data, std::size_t size) : p_(data), end_(data + size), dataEnd_(end_) {}

    // The next date or title: its bytes, whether line breaks were skipped
    // before it, and whether a CR LF (not a bare LF or the end) ended it.
    bool nextLine(std::string_view& token, bool& skipped, bool& crLf) {
        const char* const before = p_;
        skipLineBreaks();
        skipped = p_ != before;
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
        crLf = tokenEnd != at;
        token = std::string_view(start, static_cast<std::size_t>(tokenEnd - start));
        return true;
    }

    // The next body as stored, whether it holds neither a line feed nor the
    // escape byte, and where its record ends when the writer writes it as it
    // stands: nothing skipped before it, only escapes the writer makes, every
    // line feed after a CR, and 0xB0 CR LF after it. Null otherwise.
    bool nextBody(std::string_view& body, bool& plain, const char*& recordEnd) {
        const char* const before = p_;
        while (p_ < end_ && *p_ == kTerminator) ++p_;
        if (p_ < end_ && isStopByte(*p_)) end_ = p_;
        if (p_ == end_) return false;
        const char* const start = p_;
        const char* at = start;
        plain = true;
        bool asWritten = p_ == before;
        for (;; ++at) {
            at = nextControlOrDegree(at, end_);
            if (at == end_ || *at == kTerminator) break;
            if (isStopByte(*at)) {
                end_ = at;
                break;
            }
            if (*at == '\n') {
                plain = false;
                if (at == start || at[-1] != '\r') asWritten = false;
            } else if (*at == kEscape) {
                plain = false;
                // The writer escapes only the bytes a body cannot hold (and an
                // escape byte, where it depends on what follows: left to it).
                if (!startsEscape(at, end_) || !isEscapedByWriter(at)) asWritten = false;
            }
        }
        recordEnd = asWritten && at < end_ && dataEnd_ - at >= 3 && at[1] == '\r' && at[2] == '\n' ? at + 3 : nullptr;
        p_ = at == end_ ? at : at + 1;
        body = std::string_view(start, static_cast<std::size_t>(at - start));
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
    const char* const dataEnd_;
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

void formatNotes(const NoteTable& table, std::int16_t n, const std::function<std::string()>& today,
                 std::string& out) {
    out.clear();
    if (const SharedBytes& source = table.source()) out.reserve(source->size());
    struct Appending : ByteSink {
        std::string& out;
        explicit Appending(std::string& to) : out(to) {}
        bool take(const char* data, std::size_t size) override {
            out.append(data, size);
            return true;
        }
    } appending(out);
    writeNotes(table, n, today, appending);
}

std::string formatNotes(const NoteTable& table, std::int16_t n, const std::function<std::string()>& today) {
    std::string out;
    formatNotes(table, n, today, out);
    return out;
}

void parseNotes(SharedBytes diskBytes, NoteTable& table) {
    table.clear();
    table.setSource(diskBytes);
    const std::string& bytes = *diskBytes;
    // Storage for the entries at once rather than grown step by step, each
    // step new memory to touch and a copy: records are seldom this short,
    // and storage never touched costs no working set.
    const std::size_t kShortRecord = 32;
    table.reserve(std::min<std::size_t>(kMaxNotesRead, bytes.size() / kShortRecord + 1));
    Tokenizer tokens(bytes.data(), bytes.size());
    ReadFields fields;
    bool skipped = false;
    bool crLf = false;
    while (table.noteCount() < kMaxNotesRead && tokens.nextLine(fields.date, skipped, crLf)) {
        // Whether the record so far is what the writer writes for it.
        bool asWritten = crLf;
        fields.title = std::string_view();
        fields.body = std::string_view();
        fields.plainBody = true;
        const char* recordEnd = nullptr;
        if (tokens.nextLine(fields.title, skipped, crLf)) {
            asWritten = asWritten && !skipped && crLf;
            tokens.nextBody(fields.body, fields.plainBody, recordEnd);
        }
        fields.record = asWritten && recordEnd
                            ? std::string_view(fields.date.data(), static_cast<std::size_t>(recordEnd - fields.date.data()))
                            : std::string_view();
        table.appendRead(fields);
    }
    if (table.noteCount() == kMaxNotesRead) table.unreadText = tokens.rest();
    table.stopTail.assign(tokens.end(), bytes.data() + bytes.size());
}

void parseNotes(const std::string& diskBytes, NoteTable& table) {
    parseNotes(std::make_shared<const std::string>(diskBytes), table);
}

bool isUtf16(const std::string& diskBytes) {
    return diskBytes.size() >= 2 && ((diskBytes[0] == '\xFF' && diskBytes[1] == '\xFE') ||
                                     (diskBytes[0] == '\xFE' && diskBytes[1] == '\xFF'));
}

}  // namespace scriblet
