// The bytes the saves' file holds as this session last read or wrote them,
// told without a copy of them: the bytes read (which the table's notes refer
// to anyway), or the notes last written, which make the same bytes again.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "notes/digest.h"
#include "notes/note_table.h"
#include "notes/notes_writer.h"

namespace scriblet {

class LastBytes {
public:
    // Nothing known.
    void forget();
    void setRead(SharedBytes bytes);
    // A file that is known to hold no bytes.
    void setEmpty();
    // The first n entries of `table` were written, with `todays` for its
    // empty dates in order, as `size` bytes.
    void setWritten(const NoteTable& table, std::int16_t n, std::vector<std::string> todays, std::uint64_t size);

    bool known() const { return kind_ != Kind::None; }
    std::uint64_t size() const { return size_; }
    // Made when first asked for (a journal asks), not by every save.
    Digest digest();

    // Whether the first n entries of `table`, with today() asked for each
    // empty date, make exactly these bytes. Told by the bytes or the notes'
    // text, never by a digest.
    bool sameAs(const NoteTable& table, std::int16_t n, const std::function<std::string()>& today) const;
    // Whether `bytes` are exactly these bytes.
    bool sameAs(const std::string& bytes) const;
    // These bytes again, into `sink`; false when it stopped them.
    bool replay(ByteSink& sink) const;

private:
    enum class Kind { None, Read, Written, Empty };

    Kind kind_ = Kind::None;
    SharedBytes read_;
    NoteTable written_;
    std::int16_t writtenCount_ = 0;
    std::vector<std::string> writtenTodays_;
    std::uint64_t size_ = 0;
    bool digested_ = false;
    Digest digest_;
};

}  // namespace scriblet
