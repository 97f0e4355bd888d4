// Schoolbook arithmetic on 32-bit limbs with 64-bit intermediates: the
// numbers here have a few dozen limbs at most, where nothing cleverer pays.
#include "repair/arrangement/BigInt.h"

#include <bit>
#include <cstddef>

namespace meshaudit::arrangement {

BigInt BigInt::FromUnsigned(uint64_t magnitude, bool negative)
{
    BigInt r;
    if (magnitude != 0) {
        r.limbs_.push_back(static_cast<uint32_t>(magnitude));
        if ((magnitude >> 32) != 0) {
            r.limbs_.push_back(static_cast<uint32_t>(magnitude >> 32));
        }
        r.negative_ = negative;
    }
    return r;
}

BigInt BigInt::FromLimbs(const uint32_t* limbs, size_t count, bool negative)
{
    BigInt r;
    r.limbs_.assign(limbs, limbs + count);
    r.negative_ = negative;
    return r;
}

void BigInt::Trim()
{
    while (!limbs_.empty() && limbs_.back() == 0) {
        limbs_.pop_back();
    }
    if (limbs_.empty()) {
        negative_ = false;
    }
}

BigInt BigInt::Negated() const
{
    BigInt r = *this;
    r.negative_ = !r.limbs_.empty() && !negative_;
    return r;
}

BigInt BigInt::ShiftedLeft(uint32_t bits) const
{
    if (limbs_.empty() || bits == 0) {
        return *this;
    }
    const uint32_t whole = bits / 32;
    const uint32_t part = bits % 32;
    BigInt r;
    r.negative_ = negative_;
    r.limbs_.resize(whole + limbs_.size() + 1);
    uint32_t* out = r.limbs_.data();
    uint32_t carry = 0;
    for (size_t k = 0; k < limbs_.size(); ++k) {
        const uint32_t limb = limbs_[k];
        out[whole + k] = part == 0 ? limb : (limb << part) | carry;
        carry = part == 0 ? 0 : limb >> (32 - part);
    }
    out[whole + limbs_.size()] = carry;
    r.Trim();
    return r;
}

BigInt BigInt::ShiftedRight(uint32_t bits) const
{
    const uint32_t whole = bits / 32;
    const uint32_t part = bits % 32;
    BigInt r;
    if (whole >= limbs_.size()) {
        return r;
    }
    r.negative_ = negative_;
    r.limbs_.assign(limbs_.data() + whole, limbs_.data() + limbs_.size());
    if (part != 0) {
        for (size_t k = 0; k < r.limbs_.size(); ++k) {
            const uint32_t high = k + 1 < r.limbs_.size() ? r.limbs_[k + 1] << (32 - part) : 0u;
            r.limbs_[k] = (r.limbs_[k] >> part) | high;
        }
    }
    r.Trim();
    return r;
}

uint32_t BigInt::TrailingZeroBits() const
{
    for (size_t k = 0; k < limbs_.size(); ++k) {
        if (limbs_[k] != 0) {
            return static_cast<uint32_t>(32 * k) + static_cast<uint32_t>(std::countr_zero(limbs_[k]));
        }
    }
    return 0;
}

uint32_t BigInt::BitLength() const
{
    if (limbs_.empty()) {
        return 0;
    }
    return static_cast<uint32_t>(32 * limbs_.size()) - static_cast<uint32_t>(std::countl_zero(limbs_.back()));
}

uint64_t BigInt::TopBits(int32_t& shift) const
{
    const uint32_t length = BitLength();
    if (length <= 64) {
        uint64_t v = 0;
        for (size_t k = limbs_.size(); k-- > 0;) {
            v = (v << 32) | limbs_[k];
        }
        shift = 0;
        return v;
    }
    // Bits length-64 .. length-1, gathered from the (at most three) limbs
    // they span.
    const uint32_t low = length - 64;
    uint64_t v = 0;
    for (uint32_t bit = 0; bit < 64; bit += 32) {
        const uint32_t at = low + bit;
        const uint32_t k = at / 32;
        const uint32_t part = at % 32;
        uint64_t word = limbs_[k] >> part;
        if (part != 0 && k + 1 < limbs_.size()) {
            word |= static_cast<uint64_t>(limbs_[k + 1]) << (32 - part);
        }
        v |= (word & 0xFFFFFFFFull) << bit;
    }
    shift = static_cast<int32_t>(low);
    return v;
}

WideUnsigned BigInt::TopBitsAligned(uint32_t count, int32_t& shift) const
{
    const uint32_t length = BitLength();
    shift = 0;
    if (length == 0) {
        return 0;
    }
    if (length <= count) {
        WideUnsigned v = 0;
        for (size_t k = limbs_.size(); k-- > 0;) {
            v = (v << 32) | limbs_[k];
        }
        shift = -static_cast<int32_t>(count - length);
        return v << (count - length);
    }
    // Bits low .. length-1: the lowest limb they touch contributes from bit
    // `part` up, each further limb 32 bits higher; none reaches bit 128.
    const uint32_t low = length - count;
    const uint32_t first = low / 32;
    const uint32_t part = low % 32;
    WideUnsigned v = limbs_[first] >> part;
    for (size_t k = first + 1; k < limbs_.size(); ++k) {
        v |= static_cast<WideUnsigned>(limbs_[k]) << (32 * (k - first) - part);
    }
    shift = static_cast<int32_t>(low);
    return v;
}

int BigInt::CompareMagnitudes(const Limbs& a, const Limbs& b)
{
    if (a.size() != b.size()) {
        return a.size() < b.size() ? -1 : 1;
    }
    for (size_t k = a.size(); k-- > 0;) {
        if (a[k] != b[k]) {
            return a[k] < b[k] ? -1 : 1;
        }
    }
    return 0;
}

Limbs BigInt::AddMagnitudes(const Limbs& a, const Limbs& b)
{
    const Limbs& longer = a.size() >= b.size() ? a : b;
    const Limbs& shorter = a.size() >= b.size() ? b : a;
    Limbs r;
    r.reserve(longer.size() + 1);
    uint64_t carry = 0;
    for (size_t k = 0; k < longer.size(); ++k) {
        const uint64_t s = carry + longer[k] + (k < shorter.size() ? shorter[k] : 0u);
        r.push_back(static_cast<uint32_t>(s));
        carry = s >> 32;
    }
    if (carry != 0) {
        r.push_back(static_cast<uint32_t>(carry));
    }
    return r;
}

Limbs BigInt::SubtractMagnitudes(const Limbs& a, const Limbs& b)
{
    Limbs r;
    r.reserve(a.size());
    int64_t borrow = 0;
    for (size_t k = 0; k < a.size(); ++k) {
        int64_t d = static_cast<int64_t>(a[k]) - borrow - (k < b.size() ? static_cast<int64_t>(b[k]) : 0);
        borrow = d < 0 ? 1 : 0;
        d += borrow << 32;
        r.push_back(static_cast<uint32_t>(d));
    }
    return r;
}

BigInt BigInt::SignedSum(const BigInt& a, bool bNegative, const BigInt& b)
{
    BigInt r;
    if (b.limbs_.empty()) {
        return a;
    }
    if (a.limbs_.empty()) {
        r = b;
        r.negative_ = bNegative;
        return r;
    }
    if (a.negative_ == bNegative) {
        r.limbs_ = AddMagnitudes(a.limbs_, b.limbs_);
        r.negative_ = bNegative;
    } else if (CompareMagnitudes(a.limbs_, b.limbs_) >= 0) {
        r.limbs_ = SubtractMagnitudes(a.limbs_, b.limbs_);
        r.negative_ = a.negative_;
    } else {
        r.limbs_ = SubtractMagnitudes(b.limbs_, a.limbs_);
        r.negative_ = bNegative;
    }
    r.Trim();
    return r;
}

BigInt operator+(const BigInt& a, const BigInt& b)
{
    return BigInt::SignedSum(a, b.negative_, b);
}

BigInt operator-(const BigInt& a, const BigInt& b)
{
    return BigInt::SignedSum(a, !b.negative_, b);
}

BigInt operator*(const BigInt& a, const BigInt& b)
{
    BigInt r;
    if (a.limbs_.empty() || b.limbs_.empty()) {
        return r;
    }
    r.limbs_.assign(a.limbs_.size() + b.limbs_.size(), 0u);
    for (size_t i = 0; i < a.limbs_.size(); ++i) {
        uint64_t carry = 0;
        const uint64_t ai = a.limbs_[i];
        for (size_t j = 0; j < b.limbs_.size(); ++j) {
            const uint64_t t = ai * b.limbs_[j] + r.limbs_[i + j] + carry;
            r.limbs_[i + j] = static_cast<uint32_t>(t);
            carry = t >> 32;
        }
        r.limbs_[i + b.limbs_.size()] = static_cast<uint32_t>(carry);
    }
    r.negative_ = a.negative_ != b.negative_;
    r.Trim();
    return r;
}

int Compare(const BigInt& a, const BigInt& b)
{
    const int sa = a.Sign();
    const int sb = b.Sign();
    if (sa != sb) {
        return sa < sb ? -1 : 1;
    }
    const int m = BigInt::CompareMagnitudes(a.limbs_, b.limbs_);
    return sa >= 0 ? m : -m;
}

}  // namespace meshaudit::arrangement
