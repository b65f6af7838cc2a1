#include "notes/digest.h"

#include <cstring>

namespace scriblet {

namespace {

// Four 32-bit lanes of multiply, rotate and add: fast on 32-bit processors
// too, and each input bit reaches every output bit in the final mix.
const std::uint32_t kM1 = 0x239B961Bu, kM2 = 0xAB0E9789u, kM3 = 0x38B34AE5u, kM4 = 0xA1E38B93u;

std::uint32_t rotate(std::uint32_t x, int bits) { return (x << bits) | (x >> (32 - bits)); }

std::uint32_t finalMix(std::uint32_t h) {
    h ^= h >> 16;
    h *= 0x85EBCA6Bu;
    h ^= h >> 13;
    h *= 0xC2B2AE35u;
    h ^= h >> 16;
    return h;
}

std::uint32_t littleEndian32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

}  // namespace

bool operator==(const Digest& a, const Digest& b) { return a.low == b.low && a.high == b.high; }

bool operator!=(const Digest& a, const Digest& b) { return !(a == b); }

void Digester::blocks(const unsigned char* bytes, std::size_t count) {
    // The lanes stay in locals for the whole run: kept in the object between
    // blocks, they made the compiler shuttle them through memory.
    std::uint32_t h1 = h_[0], h2 = h_[1], h3 = h_[2], h4 = h_[3];
    for (; count > 0; --count, bytes += 16) {
        const std::uint32_t k1 = littleEndian32(bytes), k2 = littleEndian32(bytes + 4);
        const std::uint32_t k3 = littleEndian32(bytes + 8), k4 = littleEndian32(bytes + 12);
        h1 ^= rotate(k1 * kM1, 15) * kM2;
        h1 = (rotate(h1, 19) + h2) * 5 + 0x561CCD1Bu;
        h2 ^= rotate(k2 * kM2, 16) * kM3;
        h2 = (rotate(h2, 17) + h3) * 5 + 0x0BCAA747u;
        h3 ^= rotate(k3 * kM3, 17) * kM4;
        h3 = (rotate(h3, 15) + h4) * 5 + 0x96CD1C35u;
        h4 ^= rotate(k4 * kM4, 18) * kM1;
        h4 = (rotate(h4, 13) + h1) * 5 + 0x32AC3B17u;
    }
    h_[0] = h1;
    h_[1] = h2;
    h_[2] = h3;
    h_[3] = h4;
}

void Digester::add(const char* data, std::size_t size) {
    const auto* p = reinterpret_cast<const unsigned char*>(data);
    total_ += size;
    if (pendingSize_ > 0) {
        const std::size_t take = size < 16 - pendingSize_ ? size : 16 - pendingSize_;
        std::memcpy(pending_ + pendingSize_, p, take);
        pendingSize_ += take;
        p += take;
        size -= take;
        if (pendingSize_ < 16) return;
        blocks(pending_, 1);
        pendingSize_ = 0;
    }
    blocks(p, size / 16);
    p += size / 16 * 16;
    size %= 16;
    std::memcpy(pending_, p, size);
    pendingSize_ = size;
}

Digest Digester::finish() {
    // The zero padding of the last block is told apart by the length below.
    if (pendingSize_ > 0) {
        std::memset(pending_ + pendingSize_, 0, 16 - pendingSize_);
        blocks(pending_, 1);
        pendingSize_ = 0;
    }
    std::uint32_t h[4];
    for (int lane = 0; lane < 4; ++lane) {
        h[lane] = h_[lane] ^ static_cast<std::uint32_t>(total_) ^ static_cast<std::uint32_t>(total_ >> 32) * 0x9E3779B1u;
    }
    h[0] += h[1] + h[2] + h[3];
    for (int lane = 1; lane < 4; ++lane) h[lane] += h[0];
    for (std::uint32_t& lane : h) lane = finalMix(lane);
    h[0] += h[1] + h[2] + h[3];
    for (int lane = 1; lane < 4; ++lane) h[lane] += h[0];
    Digest digest;
    digest.low = static_cast<std::uint64_t>(h[1]) << 32 | h[0];
    digest.high = static_cast<std::uint64_t>(h[3]) << 32 | h[2];
    return digest;
}

Digest digestOf(const char* data, std::size_t size) {
    Digester digester;
    digester.add(data, size);
    return digester.finish();
}

}  // namespace scriblet
