// The notes kept in memory: the ordered table and the one-note undo slot.
// Plain C++: no window or file code here.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace scriblet {

// One note. All three strings are 8-bit text in the ANSI code page; the body
// uses CR LF between lines, as the body field returns it.
struct Note {
    std::string title;
    std::string date;
    std::string body;
};

bool operator==(const Note& a, const Note& b);
bool operator!=(const Note& a, const Note& b);

class UndoSlot;

// The bytes a file was read from, shared by the table entries that still
// refer to them and by whoever compares later saves with them.
using SharedBytes = std::shared_ptr<const std::string>;

// Where one note's fields lie in the bytes it was read from.
struct ReadFields {
    std::string_view date;
    std::string_view title;
    // The body as stored: CR LF pairs, escapes and "<empty>" still to decode,
    // unless `plainBody` says it holds neither a line feed nor the escape byte.
    std::string_view body;
    bool plainBody = true;
    // The whole record (date to 0xB0 CR LF), when its bytes are exactly what
    // the writer writes for these fields; empty otherwise.
    std::string_view record;
};

// The ordered table of notes. Counts and positions are 16-bit signed, so the
// table holds at most kMaxEntries entries (the pending "<New>" note included).
//
// A note read from a file costs no copy of its text: its entry refers to the
// bytes read until the note is handed out by at(), which gives it text of its
// own (decoded, where its body needs that).
class NoteTable {
public:
    static constexpr std::int16_t kMaxEntries = 32767;

    NoteTable() = default;
    NoteTable(const NoteTable& other);
    NoteTable& operator=(const NoteTable& other);
    NoteTable(NoteTable&&) noexcept = default;
    NoteTable& operator=(NoteTable&&) noexcept = default;
    ~NoteTable();

    std::int16_t noteCount() const { return count_; }
    bool isFull() const { return count_ == kMaxEntries; }

    // Entry p, 0 <= p < noteCount(). The note owns its text from then on.
    Note& at(std::int16_t p);
    const Note& at(std::int16_t p) const;

    // Entry p's title, without handing the note out.
    std::string_view title(std::int16_t p) const;
    // Entry p's fields, copied into `out` without handing the note out.
    void copyNote(std::int16_t p, Note& out) const;
    // Entry p as a note: the one handed out, else `scratch` filled with it.
    const Note& noteFor(std::int16_t p, Note& scratch) const;
    // The bytes of entry p's record as read, when they are what the writer
    // writes for it and the note was never handed out; empty otherwise.
    std::string_view unchangedRecord(std::int16_t p) const;
    // Whether entry p here and entry q of `other` are the same bytes read,
    // never handed out: then they hold the same text.
    bool sameReadEntry(std::int16_t p, const NoteTable& other, std::int16_t q) const;

    // Puts a new empty note at the end. Returns false, changing nothing,
    // when the table is full.
    bool appendNote();
    // Puts a note read from `source()` at the end (the table must not be full).
    void appendRead(const ReadFields& fields);
    // Room for this many entries in all, taken at once.
    void reserve(std::size_t entries) { entries_.reserve(entries); }
    // The bytes read notes refer to; they live while any entry does.
    void setSource(SharedBytes bytes) { source_ = std::move(bytes); }
    const SharedBytes& source() const { return source_; }

    // Entries after p move down by one, then the last entry is dropped.
    void removeNoteAt(std::int16_t p);

    // Puts the undo slot's note back at its former position: a new empty
    // entry is appended, the entries from undoIndex on move up by one and
    // the slot's strings go to undoIndex. Returns false, changing nothing,
    // when the slot is empty, its index lies past the end, or the table is full.
    bool reinsertFromUndo(const UndoSlot& slot);

    // Drops every entry (and any kept text of the file).
    void clear();

    // Text of a notes file that lay beyond what the table could hold when it
    // was read. It is written back unchanged after the table, so that no
    // note is lost by a save. Empty for every ordinary file.
    std::string unreadText;
    // The file's bytes from its first NUL or 0x1A on (that byte included),
    // as they were on disk. Readers stop at that byte; it is written back
    // unchanged after everything else, so that nothing behind it is lost.
    std::string stopTail;

private:
    // A note as read (views into source_), or the note handed out.
    struct Entry {
        const char* date = nullptr;
        const char* title = nullptr;
        const char* body = nullptr;
        std::uint32_t dateSize = 0;
        std::uint32_t titleSize = 0;
        std::uint32_t bodySize = 0;
        // Of the record from `date` on, when it can be written as it was read; 0 otherwise.
        std::uint32_t recordSize = 0;
        bool plainBody = true;
        std::unique_ptr<Note> note;
    };

    static Entry copyOf(const Entry& entry);
    Note& handOut(std::int16_t p) const;

    // mutable: handing a note out changes how it is held, not what it holds.
    mutable std::vector<Entry> entries_;
    std::int16_t count_ = 0;
    SharedBytes source_;
};

// The last deleted note and its former position; undoIndex is -1 while the
// slot is empty. A second deletion overwrites the first.
class UndoSlot {
public:
    Note note;
    std::int32_t undoIndex = -1;

    bool isEmpty() const { return undoIndex < 0; }
};

}  // namespace scriblet
