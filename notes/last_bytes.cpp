#include "notes/last_bytes.h"

#include <cstring>
#include <utility>

namespace scriblet {

namespace {

// Compares what it takes with bytes in memory, from their start on.
class Comparing : public ByteSink {
public:
    explicit Comparing(const std::string& expected) : expected_(expected) {}

    bool take(const char* data, std::size_t size) override {
        const char* const here = expected_.data() + at_;
        // Bytes taken straight from the expected ones are equal to them.
        if (size > expected_.size() - at_ || (data != here && std::memcmp(data, here, size) != 0)) return false;
        at_ += size;
        return true;
    }
    bool all() const { return at_ == expected_.size(); }

private:
    const std::string& expected_;
    std::size_t at_ = 0;
};

}  // namespace

void LastBytes::forget() {
    kind_ = Kind::None;
    read_.reset();
    written_ = NoteTable();
    writtenTodays_.clear();
    size_ = 0;
    digested_ = false;
}

void LastBytes::setRead(SharedBytes bytes) {
    forget();
    kind_ = Kind::Read;
    size_ = bytes->size();
    read_ = std::move(bytes);
}

void LastBytes::setEmpty() {
    forget();
    kind_ = Kind::Empty;
}

void LastBytes::setWritten(const NoteTable& table, std::int16_t n, std::vector<std::string> todays,
                           std::uint64_t size) {
    // Copied over the notes written before, in their storage: two copies of
    // the table's entries are never held at once. Should the copy fail,
    // nothing is known.
    kind_ = Kind::None;
    read_.reset();
    digested_ = false;
    try {
        written_ = table;
    } catch (...) {
        forget();
        throw;
    }
    kind_ = Kind::Written;
    writtenCount_ = n;
    writtenTodays_ = std::move(todays);
    size_ = size;
}

Digest LastBytes::digest() {
    if (!digested_) {
        struct Digesting : ByteSink {
            Digester digester;
            bool take(const char* data, std::size_t size) override {
                digester.add(data, size);
                return true;
            }
        } digesting;
        replay(digesting);
        digest_ = digesting.digester.finish();
        digested_ = true;
    }
    return digest_;
}

bool LastBytes::sameAs(const NoteTable& table, std::int16_t n, const std::function<std::string()>& today) const {
    switch (kind_) {
        case Kind::None: return false;
        case Kind::Written: return sameNotes(table, n, today, written_, writtenCount_, writtenTodays_);
        case Kind::Read:
        case Kind::Empty: break;
    }
    static const std::string kNone;
    Comparing comparing(kind_ == Kind::Read ? *read_ : kNone);
    return writeNotes(table, n, today, comparing) && comparing.all();
}

bool LastBytes::sameAs(const std::string& bytes) const {
    Comparing comparing(bytes);
    return known() && replay(comparing) && comparing.all();
}

bool LastBytes::replay(ByteSink& sink) const {
    switch (kind_) {
        case Kind::None:
        case Kind::Empty: return true;
        case Kind::Read: return read_->empty() || sink.take(read_->data(), read_->size());
        case Kind::Written: {
            std::size_t next = 0;
            return writeNotes(written_, writtenCount_,
                              [&] { return next < writtenTodays_.size() ? writtenTodays_[next++] : std::string(); },
                              sink);
        }
    }
    return true;
}

}  // namespace scriblet
