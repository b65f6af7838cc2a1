#include "ui/main/saved_places.h"

namespace scriblet {

void SavedPlaces::reset(std::int16_t count) {
    count_ = count;
    moves_.clear();
    titles_.clear();
}

void SavedPlaces::removed(std::int16_t index) { moves_.push_back(Move{true, index}); }

void SavedPlaces::reinserted(std::int16_t index) {
    // The undo slot holds the note removed last: put back where it was, it
    // is the note notes.txt has there, unless a save came in between.
    if (!moves_.empty() && moves_.back().removal && moves_.back().index == index) {
        moves_.pop_back();
        return;
    }
    moves_.push_back(Move{false, index});
}

void SavedPlaces::retitling(std::int16_t index, const std::string& title) {
    const std::int16_t position = positionOf(index);
    if (position >= 0) titles_.emplace(position, title);
}

std::int16_t SavedPlaces::positionOf(std::int16_t index) const {
    // Back through the moves, to where the entry stood right after the save.
    int at = index;
    for (auto move = moves_.rbegin(); move != moves_.rend(); ++move) {
        if (move->removal) {
            if (at >= move->index) ++at;
        } else if (at == move->index) {
            return -1;
        } else if (at > move->index) {
            --at;
        }
    }
    return at >= 0 && at < count_ ? static_cast<std::int16_t>(at) : static_cast<std::int16_t>(-1);
}

const std::string& SavedPlaces::savedTitle(std::int16_t position, const std::string& current) const {
    const auto found = titles_.find(position);
    return found == titles_.end() ? current : found->second;
}

}  // namespace scriblet
