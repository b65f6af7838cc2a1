#include "notes/digest.h"

#include <cstring>

namespace scriblet {

namespace {

// Four 32-bit lanes of multiply, rotate and add: fast on 32-bit processors
// too, and each input bit reaches every output bit in the final mix.
const std::uint32_t kMultipliers[4] = {0x239B961Bu, 0xAB0E9789u, 0x38B34AE5u, 0xA1E38B93u};
const std::uint32_t kAddends[4] = {0x561CCD1Bu, 0x0BCAA747u, 0x96CD1C35u, 0x32AC3B17u};
const int kKeyRotations[4] = {15, 16, 17, 18};
const int kLaneRotations[4] = {19, 17, 15, 13};

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

void Digester::block(const unsigned char* bytes) {
    for (int lane = 0; lane < 4; ++lane) {
        std::uint32_t k = littleEndian32(bytes + 4 * lane);
        k *= kMultipliers[lane];
        k = rotate(k, kKeyRotations[lane]);
        k *= kMultipliers[(lane + 1) % 4];
        std::uint32_t& h = h_[lane];
        h ^= k;
        h = rotate(h, kLaneRotations[lane]);
        h += h_[(lane + 1) % 4];
        h = h * 5 + kAddends[lane];
    }
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
        block(pending_);
        pendingSize_ = 0;
    }
    for (; size >= 16; p += 16, size -= 16) block(p);
    std::memcpy(pending_, p, size);
    pendingSize_ = size;
}

Digest Digester::finish() {
    // The zero padding of the last block is told apart by the length below.
    if (pendingSize_ > 0) {
        std::memset(pending_ + pendingSize_, 0, 16 - pendingSize_);
        block(pending_);
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
