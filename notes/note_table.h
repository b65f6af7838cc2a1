// The notes kept in memory: the ordered table and the one-note undo slot.
// Plain C++: no window or file code here.
#pragma once

#include <cstdint>
#include <string>
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

// The ordered table of notes. Counts and positions are 16-bit signed, so the
// table holds at most kMaxEntries entries (the pending "<New>" note included).
class NoteTable {
public:
    static constexpr std::int16_t kMaxEntries = 32767;

    std::int16_t noteCount() const { return count_; }
    bool isFull() const { return count_ == kMaxEntries; }

    // Entry p, 0 <= p < noteCount().
    Note& at(std::int16_t p);
    const Note& at(std::int16_t p) const;

    // Puts a new empty note at the end. Returns false, changing nothing,
    // when the table is full.
    bool appendNote();

    // Entries after p move down by one (their strings are copied), then the
    // last entry is dropped.
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
    std::vector<Note> notes_;
    std::int16_t count_ = 0;
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
