#include "containers/BitVector.h"

#include "containers/Memory.h"

namespace meshaudit {

bool CBitVector::Create(uint64_t n)
{
    Release();
    bitCount_ = n;
    return AllocateStorage();
}

bool CBitVector::AllocateStorage()
{
    Release();
    if (bitCount_ == 0) {
        return false;
    }
    // (bitCount + 7) / 8 without overflowing near UINT64_MAX.
    const uint64_t byteCount = bitCount_ / 8 + (bitCount_ % 8 != 0 ? 1 : 0);
    if (byteCount > SIZE_MAX) {
        return false;
    }
    bytes_ = AllocateZeroedArray<uint8_t>(static_cast<std::size_t>(byteCount));
    if (bytes_ == nullptr) {
        return false;
    }
    byteCount_ = byteCount;
    capacityBits_ = byteCount * 8;
    return true;
}

bool CBitVector::Set(uint64_t i)
{
    if (bytes_ == nullptr || byteCount_ == 0 || i >= bitCount_) {
        return false;
    }
    bytes_[i / 8] |= static_cast<uint8_t>(0x80u >> (i % 8));
    return true;
}

bool CBitVector::IsSet(uint64_t i) const
{
    if (bytes_ == nullptr || byteCount_ == 0 || i >= bitCount_) {
        return false;
    }
    return (bytes_[i / 8] & (0x80u >> (i % 8))) != 0;
}

uint64_t CBitVector::CountSet() const
{
    if (bytes_ == nullptr || byteCount_ == 0 || capacityBits_ == 0 || bitCount_ == 0) {
        return 0;
    }
    // Byte by byte: an empty byte skips eight bits at once; a non-empty one is
    // read from its most significant bit, stopping at bitCount so that the
    // spare bits of the last byte are never counted.
    uint64_t set = 0;
    uint64_t index = 0;
    for (uint64_t b = 0; b < byteCount_; ++b) {
        const uint8_t byte = bytes_[b];
        if (byte == 0) {
            index += 8;
            continue;
        }
        for (unsigned bit = 0; bit < 8; ++bit) {
            if (index >= bitCount_) {
                return set;
            }
            if ((byte & (0x80u >> bit)) != 0) {
                ++set;
            }
            ++index;
        }
    }
    return set;
}

void CBitVector::Release()
{
    Free(bytes_);
    bytes_ = nullptr;
    byteCount_ = 0;
    capacityBits_ = 0;
}

}  // namespace meshaudit
