// A fixed-size set of bits, zero-filled at creation. Bit i lives in byte
// i / 8 under the mask 0x80 >> (i % 8): the first bit of a byte is its most
// significant one.
#pragma once

#include <cstdint>

namespace meshaudit {

class CBitVector final {
public:
    CBitVector() = default;
    virtual ~CBitVector() { Release(); }
    CBitVector(const CBitVector&) = delete;
    CBitVector& operator=(const CBitVector&) = delete;

    // Releases any storage, then makes n cleared bits. False when n is 0 or
    // the storage cannot be allocated (the vector then has no storage).
    bool Create(uint64_t n);

    // Sets bit i; false (nothing written) without storage or when
    // i >= BitCount().
    bool Set(uint64_t i);

    // Whether bit i is set; false without storage or when i >= BitCount().
    bool IsSet(uint64_t i) const;

    // Number of set bits among bits 0 .. BitCount()-1.
    uint64_t CountSet() const;

    // Frees the storage; BitCount() keeps its value.
    void Release();

    uint64_t BitCount() const { return bitCount_; }
    uint64_t ByteCount() const { return byteCount_; }
    uint64_t CapacityBits() const { return capacityBits_; }
    const uint8_t* Bytes() const { return bytes_; }

private:
    bool AllocateStorage();

    uint8_t* bytes_ = nullptr;
    uint64_t capacityBits_ = 0;
    uint64_t byteCount_ = 0;
    uint64_t bitCount_ = 0;
};

}  // namespace meshaudit
