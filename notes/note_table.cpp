#include "notes/note_table.h"

#include <utility>

namespace scriblet {

bool operator==(const Note& a, const Note& b) {
    return a.title == b.title && a.date == b.date && a.body == b.body;
}

bool operator!=(const Note& a, const Note& b) { return !(a == b); }

namespace {

// Entries stay where they are; only their strings change hands, field by
// field. The source is overwritten or dropped right after, so handing the
// strings over leaves the same table as copying them would.
void takeStrings(Note& to, Note& from) {
    to.title = std::move(from.title);
    to.date = std::move(from.date);
    to.body = std::move(from.body);
}

}  // namespace

Note& NoteTable::at(std::int16_t p) { return notes_.at(static_cast<std::size_t>(p)); }

const Note& NoteTable::at(std::int16_t p) const { return notes_.at(static_cast<std::size_t>(p)); }

bool NoteTable::appendNote() {
    if (isFull()) return false;
    notes_.emplace_back();
    ++count_;
    return true;
}

void NoteTable::removeNoteAt(std::int16_t p) {
    if (p < 0 || p >= count_) return;
    for (std::int16_t i = p; i + 1 < count_; ++i) {
        takeStrings(notes_[static_cast<std::size_t>(i)], notes_[static_cast<std::size_t>(i) + 1]);
    }
    notes_.pop_back();
    --count_;
}

bool NoteTable::reinsertFromUndo(const UndoSlot& slot) {
    if (slot.isEmpty() || slot.undoIndex > count_ || isFull()) return false;
    const std::int16_t u = static_cast<std::int16_t>(slot.undoIndex);
    appendNote();
    for (std::int16_t i = static_cast<std::int16_t>(count_ - 2); i >= u + 1; --i) {
        takeStrings(notes_[static_cast<std::size_t>(i)], notes_[static_cast<std::size_t>(i) - 1]);
    }
    Note& restored = notes_[static_cast<std::size_t>(u)];
    restored.title = slot.note.title;
    restored.date = slot.note.date;
    restored.body = slot.note.body;
    return true;
}

void NoteTable::clear() {
    notes_.clear();
    count_ = 0;
    unreadText.clear();
    stopTail.clear();
}

}  // namespace scriblet
