#include "notes/note_table.h"

#include <limits>
#include <utility>

#include "notes/body_text.h"

namespace scriblet {

bool operator==(const Note& a, const Note& b) {
    return a.title == b.title && a.date == b.date && a.body == b.body;
}

bool operator!=(const Note& a, const Note& b) { return !(a == b); }

namespace {

std::string_view viewOf(const char* data, std::uint32_t size) {
    return size ? std::string_view(data, size) : std::string_view();
}

}  // namespace

NoteTable::NoteTable(const NoteTable& other)
    : unreadText(other.unreadText), stopTail(other.stopTail), count_(other.count_), source_(other.source_) {
    entries_.reserve(other.entries_.size());
    for (const Entry& entry : other.entries_) entries_.push_back(copyOf(entry));
}

NoteTable& NoteTable::operator=(const NoteTable& other) {
    if (this == &other) return *this;
    // Into the entries' storage as it is, so that a table copied again and
    // again (the notes last saved) takes no new memory each time.
    clear();
    try {
        entries_.reserve(other.entries_.size());
        for (const Entry& entry : other.entries_) entries_.push_back(copyOf(entry));
        source_ = other.source_;
        unreadText = other.unreadText;
        stopTail = other.stopTail;
    } catch (...) {
        clear();
        throw;
    }
    count_ = other.count_;
    return *this;
}

NoteTable::~NoteTable() = default;

NoteTable::Entry NoteTable::copyOf(const Entry& entry) {
    Entry copy;
    copy.date = entry.date;
    copy.title = entry.title;
    copy.body = entry.body;
    copy.dateSize = entry.dateSize;
    copy.titleSize = entry.titleSize;
    copy.bodySize = entry.bodySize;
    copy.recordSize = entry.recordSize;
    copy.plainBody = entry.plainBody;
    if (entry.note) copy.note = std::make_unique<Note>(*entry.note);
    return copy;
}

Note& NoteTable::handOut(std::int16_t p) const {
    Entry& held = entries_.at(static_cast<std::size_t>(p));
    if (!held.note) {
        auto note = std::make_unique<Note>();
        copyNote(p, *note);
        // Its text is its own now: the bytes read no longer stand for it.
        held = Entry();
        held.note = std::move(note);
    }
    return *held.note;
}

Note& NoteTable::at(std::int16_t p) { return handOut(p); }

const Note& NoteTable::at(std::int16_t p) const { return handOut(p); }

std::string_view NoteTable::title(std::int16_t p) const {
    const Entry& entry = entries_.at(static_cast<std::size_t>(p));
    if (entry.note) return entry.note->title;
    return viewOf(entry.title, entry.titleSize);
}

void NoteTable::copyNote(std::int16_t p, Note& out) const {
    const Entry& entry = entries_.at(static_cast<std::size_t>(p));
    if (entry.note) {
        out = *entry.note;
        return;
    }
    out.title.assign(entry.title ? entry.title : "", entry.titleSize);
    out.date.assign(entry.date ? entry.date : "", entry.dateSize);
    if (entry.body) decodeBody(entry.body, entry.bodySize, entry.plainBody, out.body);
    else out.body.clear();
}

const Note& NoteTable::noteFor(std::int16_t p, Note& scratch) const {
    const Entry& entry = entries_.at(static_cast<std::size_t>(p));
    if (entry.note) return *entry.note;
    copyNote(p, scratch);
    return scratch;
}

std::string_view NoteTable::unchangedRecord(std::int16_t p) const {
    const Entry& entry = entries_.at(static_cast<std::size_t>(p));
    if (entry.note) return std::string_view();
    return viewOf(entry.date, entry.recordSize);
}

bool NoteTable::sameReadEntry(std::int16_t p, const NoteTable& other, std::int16_t q) const {
    const Entry& a = entries_.at(static_cast<std::size_t>(p));
    const Entry& b = other.entries_.at(static_cast<std::size_t>(q));
    // A read note always has a date; an empty one is written as the day's date.
    return !a.note && !b.note && a.date != nullptr && a.date == b.date && a.title == b.title && a.body == b.body &&
           a.dateSize == b.dateSize && a.titleSize == b.titleSize && a.bodySize == b.bodySize &&
           a.plainBody == b.plainBody;
}

bool NoteTable::appendNote() {
    if (isFull()) return false;
    entries_.emplace_back();
    ++count_;
    return true;
}

void NoteTable::appendRead(const ReadFields& fields) {
    constexpr std::size_t kLimit = std::numeric_limits<std::uint32_t>::max();
    Entry entry;
    if (fields.date.size() > kLimit || fields.title.size() > kLimit || fields.body.size() > kLimit ||
        fields.record.size() > kLimit) {
        // Beyond what an entry measures: such a note owns its text at once.
        entry.note = std::make_unique<Note>();
        entry.note->date.assign(fields.date.data(), fields.date.size());
        entry.note->title.assign(fields.title.data(), fields.title.size());
        decodeBody(fields.body.data(), fields.body.size(), fields.plainBody, entry.note->body);
    } else {
        entry.date = fields.date.data();
        entry.dateSize = static_cast<std::uint32_t>(fields.date.size());
        entry.title = fields.title.data();
        entry.titleSize = static_cast<std::uint32_t>(fields.title.size());
        entry.body = fields.body.data();
        entry.bodySize = static_cast<std::uint32_t>(fields.body.size());
        entry.plainBody = fields.plainBody;
        if (!fields.record.empty() && fields.record.data() == fields.date.data()) {
            entry.recordSize = static_cast<std::uint32_t>(fields.record.size());
        }
    }
    entries_.push_back(std::move(entry));
    ++count_;
}

void NoteTable::removeNoteAt(std::int16_t p) {
    if (p < 0 || p >= count_) return;
    entries_.erase(entries_.begin() + p);
    --count_;
}

bool NoteTable::reinsertFromUndo(const UndoSlot& slot) {
    if (slot.isEmpty() || slot.undoIndex > count_ || isFull()) return false;
    Entry restored;
    restored.note = std::make_unique<Note>(slot.note);
    entries_.insert(entries_.begin() + slot.undoIndex, std::move(restored));
    // The entries moved up into the new last entry, which starts empty: the
    // one that was last (the pending note) is overwritten.
    if (slot.undoIndex < count_) entries_.back() = Entry();
    ++count_;
    return true;
}

void NoteTable::clear() {
    entries_.clear();
    count_ = 0;
    source_.reset();
    unreadText.clear();
    stopTail.clear();
}

}  // namespace scriblet
