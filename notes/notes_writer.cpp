#include "notes/notes_writer.h"

#include <string_view>

#include "notes/notes_format.h"

namespace scriblet {

namespace {

// Formatted records go to the sink in pieces of about this size.
const std::size_t kChunk = 1u << 16;

// Hands the sink runs of bytes read as one piece each, and formatted bytes
// in chunks, keeping their order.
class Pieces {
public:
    explicit Pieces(ByteSink& sink) : sink_(sink) {}

    bool addRead(std::string_view bytes) {
        if (run_ != nullptr && run_ + runSize_ == bytes.data()) {
            runSize_ += bytes.size();
            return true;
        }
        if (!flushChunk() || !flushRun()) return false;
        run_ = bytes.data();
        runSize_ = bytes.size();
        return true;
    }

    // Where formatted bytes go; full() says when to pass them on.
    std::string& chunk() {
        if (!flushRun()) stopped_ = true;
        return chunk_;
    }
    bool passOnIfFull() { return stopped_ ? false : chunk_.size() < kChunk || flushChunk(); }

    bool finish() { return !stopped_ && flushChunk() && flushRun(); }

private:
    bool flushRun() {
        if (runSize_ == 0) return true;
        const bool ok = sink_.take(run_, runSize_);
        run_ = nullptr;
        runSize_ = 0;
        return ok;
    }
    bool flushChunk() {
        if (chunk_.empty()) return true;
        const bool ok = sink_.take(chunk_.data(), chunk_.size());
        chunk_.clear();
        return ok;
    }

    ByteSink& sink_;
    std::string chunk_;
    const char* run_ = nullptr;
    std::size_t runSize_ = 0;
    bool stopped_ = false;
};

}  // namespace

bool writeNotes(const NoteTable& table, std::int16_t n, const std::function<std::string()>& today, ByteSink& sink) {
    if (n > table.noteCount()) n = table.noteCount();
    Pieces pieces(sink);
    Note scratch;
    for (std::int16_t i = 0; i < n; ++i) {
        const std::string_view record = table.unchangedRecord(i);
        if (!record.empty()) {
            if (!pieces.addRead(record)) return false;
            continue;
        }
        appendRecord(pieces.chunk(), table.noteFor(i, scratch), today);
        if (!pieces.passOnIfFull()) return false;
    }
    appendTail(pieces.chunk(), table);
    return pieces.finish();
}

bool sameNotes(const NoteTable& now, std::int16_t n, const std::function<std::string()>& todayNow,
               const NoteTable& then, std::int16_t m, const std::vector<std::string>& todaysThen) {
    if (n > now.noteCount()) n = now.noteCount();
    if (m > then.noteCount()) m = then.noteCount();
    if (n != m || now.unreadText != then.unreadText || now.stopTail != then.stopTail) return false;
    Note a;
    Note b;
    std::size_t emptyDates = 0;
    for (std::int16_t i = 0; i < n; ++i) {
        if (now.sameReadEntry(i, then, i)) continue;
        const Note& before = then.noteFor(i, b);
        const Note& after = now.noteFor(i, a);
        if (after != before) return false;
        // An empty date is written as the day's date, asked afresh for each.
        if (after.date.empty() && (emptyDates >= todaysThen.size() || todayNow() != todaysThen[emptyDates++])) {
            return false;
        }
    }
    return true;
}

}  // namespace scriblet
