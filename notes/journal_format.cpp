#include "notes/journal_format.h"

#include <cstring>
#include <utility>

namespace scriblet {

namespace {

// Text lines end in CR LF, so that the journal reads in any editor; each
// field is its length and then its bytes exactly, whatever they hold.
const char kFirstLine[] = "Scriblet journal 1";
const char kEnd[] = "end";
const char kLineEnd[] = "\r\n";

void appendLine(std::string& out, const std::string& text) {
    out += text;
    out += kLineEnd;
}

void appendField(std::string& out, const char* name, const std::string& bytes) {
    appendLine(out, std::string(name) + " " + std::to_string(bytes.size()));
    out += bytes;
    out += kLineEnd;
}

std::string hex64(std::uint64_t value) {
    static const char digits[] = "0123456789abcdef";
    std::string text(16, '0');
    for (int i = 15; i >= 0; --i, value >>= 4) text[static_cast<std::size_t>(i)] = digits[value & 15];
    return text;
}

// Reads the journal front to back; any step that does not find what it
// expects makes the whole journal unreadable.
class Reader {
public:
    explicit Reader(const std::string& bytes) : bytes_(bytes) {}

    bool line(std::string& text) {
        const std::size_t end = bytes_.find(kLineEnd, at_);
        if (end == std::string::npos) return false;
        text.assign(bytes_, at_, end - at_);
        at_ = end + 2;
        return true;
    }

    // A line "<name> <rest>", giving the rest.
    bool named(const char* name, std::string& rest) {
        std::string text;
        const std::size_t length = std::strlen(name);
        if (!line(text) || text.compare(0, length, name) != 0 || text.size() <= length || text[length] != ' ') {
            return false;
        }
        rest = text.substr(length + 1);
        return true;
    }

    bool field(const char* name, std::string& bytes) {
        std::string length;
        std::uint64_t size = 0;
        if (!named(name, length) || !number(length, size) || size > bytes_.size() - at_) return false;
        bytes.assign(bytes_, at_, static_cast<std::size_t>(size));
        at_ += static_cast<std::size_t>(size);
        return bytes_.compare(at_, 2, kLineEnd) == 0 && (at_ += 2, true);
    }

    bool atEnd() const { return at_ == bytes_.size(); }

    static bool number(const std::string& text, std::uint64_t& value) {
        if (text.empty() || text.size() > 19) return false;
        value = 0;
        for (char c : text) {
            if (c < '0' || c > '9') return false;
            value = value * 10 + static_cast<std::uint64_t>(c - '0');
        }
        return true;
    }

    static bool hex(const std::string& text, std::uint64_t& value) {
        if (text.size() != 16) return false;
        value = 0;
        for (char c : text) {
            const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
            if (digit < 0) return false;
            value = value << 4 | static_cast<std::uint64_t>(digit);
        }
        return true;
    }

private:
    const std::string& bytes_;
    std::size_t at_ = 0;
};

}  // namespace

bool operator==(const JournalBase& a, const JournalBase& b) {
    return a.known == b.known && (!a.known || (a.size == b.size && a.digest == b.digest));
}

void formatJournal(const JournalNote& note, const JournalBase& base, std::string& out) {
    out.clear();
    out.reserve(note.fields.title.size() + note.fields.date.size() + note.fields.body.size() +
                note.savedTitle.size() + 200);
    appendLine(out, kFirstLine);
    appendLine(out, base.known ? "notes.txt " + std::to_string(base.size) + " " + hex64(base.digest.high) +
                                     hex64(base.digest.low)
                               : std::string("notes.txt unknown"));
    appendLine(out, note.position >= 0 ? "position " + std::to_string(note.position) : std::string("position none"));
    appendField(out, "saved title", note.savedTitle);
    appendField(out, "title", note.fields.title);
    appendField(out, "date", note.fields.date);
    appendField(out, "body", note.fields.body);
    appendLine(out, kEnd);
}

bool parseJournal(const std::string& bytes, JournalNote& note, JournalBase& base) {
    Reader reader(bytes);
    std::string text;
    if (!reader.line(text) || text != kFirstLine || !reader.named("notes.txt", text)) return false;
    JournalBase read;
    if (text != "unknown") {
        const std::size_t space = text.find(' ');
        if (space == std::string::npos || text.size() != space + 33 || !Reader::number(text.substr(0, space), read.size) ||
            !Reader::hex(text.substr(space + 1, 16), read.digest.high) ||
            !Reader::hex(text.substr(space + 17), read.digest.low)) {
            return false;
        }
        read.known = true;
    }
    JournalNote found;
    if (!reader.named("position", text)) return false;
    if (text != "none") {
        std::uint64_t position = 0;
        if (!Reader::number(text, position) || position >= static_cast<std::uint64_t>(NoteTable::kMaxEntries)) {
            return false;
        }
        found.position = static_cast<std::int16_t>(position);
    }
    if (!reader.field("saved title", found.savedTitle) || !reader.field("title", found.fields.title) ||
        !reader.field("date", found.fields.date) || !reader.field("body", found.fields.body) ||
        !reader.line(text) || text != kEnd || !reader.atEnd()) {
        return false;
    }
    note = std::move(found);
    base = read;
    return true;
}

}  // namespace scriblet
