// A 128-bit digest of a file's bytes, so that a session can tell whether a
// file another program wrote is still the one the user allowed saving over,
// without keeping a copy of it. It never decides whether a save has
// anything new: that takes the bytes themselves.
#pragma once

#include <cstddef>
#include <cstdint>

namespace scriblet {

struct Digest {
    std::uint64_t low = 0;
    std::uint64_t high = 0;
};

bool operator==(const Digest& a, const Digest& b);
bool operator!=(const Digest& a, const Digest& b);

// Takes bytes in pieces of any size; the digest depends only on the bytes.
class Digester {
public:
    void add(const char* data, std::size_t size);
    Digest finish();

private:
    // Mixes `count` blocks of 16 bytes into the lanes.
    void blocks(const unsigned char* bytes, std::size_t count);

    std::uint32_t h_[4] = {0x9E3779B9u, 0x7F4A7C15u, 0xF39CC060u, 0x5CEDC834u};
    unsigned char pending_[16] = {};
    std::size_t pendingSize_ = 0;
    std::uint64_t total_ = 0;
};

Digest digestOf(const char* data, std::size_t size);

}  // namespace scriblet
