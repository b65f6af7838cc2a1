// Where the table's notes stand in notes.txt as it was last read or saved,
// and the titles they have there, through the deletions and undos since: a
// journal names its note by them. Plain C++, no Windows header.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace scriblet {

class SavedPlaces {
public:
    // notes.txt holds the table's first `count` entries, in order.
    void reset(std::int16_t count);
    // Entry `index` left the table; the undo slot's note went back to `index`.
    void removed(std::int16_t index);
    void reinserted(std::int16_t index);
    // Entry `index` is about to take another title; `title` is its title now.
    void retitling(std::int16_t index, const std::string& title);

    // Where entry `index` stands in notes.txt; -1 when it is not there.
    std::int16_t positionOf(std::int16_t index) const;
    // The title of the note at `position` in notes.txt, whose entry's title
    // is `current` now.
    const std::string& savedTitle(std::int16_t position, const std::string& current) const;

private:
    struct Move {
        bool removal;
        std::int16_t index;
    };

    std::int16_t count_ = 0;
    std::vector<Move> moves_;
    // Titles of the notes retitled since, by their position in notes.txt.
    std::map<std::int16_t, std::string> titles_;
};

}  // namespace scriblet
