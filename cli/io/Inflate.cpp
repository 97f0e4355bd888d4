#include "Inflate.h"

#include <array>
#include <cstdint>

namespace meshaudit::cli {

namespace {

constexpr int kMaxBits = 15;

// Bits of the input, least significant first, as DEFLATE packs them.
struct BitReader {
    const uint8_t* in;
    size_t size;
    size_t pos = 0;
    uint32_t buffer = 0;
    int count = 0;
    bool overrun = false;

    uint32_t Take(int n)
    {
        while (count < n) {
            if (pos >= size) {
                overrun = true;
                return 0;
            }
            buffer |= static_cast<uint32_t>(in[pos++]) << count;
            count += 8;
        }
        const uint32_t value = buffer & ((1u << n) - 1u);
        buffer >>= n;
        count -= n;
        return value;
    }
};

// A canonical Huffman code: how many codes of each length, and the symbols
// in code order. A lookup table of the first kFast bits decodes most codes
// in one step; longer ones continue bit by bit.
struct Huffman {
    static constexpr int kFast = 9;
    std::array<uint16_t, kMaxBits + 1> counts{};
    std::array<uint16_t, 288> symbols{};
    // Symbol << 4 | length for the codes of at most kFast bits, by their
    // first kFast bits reversed; 0 where a longer code starts.
    std::array<uint16_t, 1u << kFast> fast{};

    // Returns the codes left unused (0: complete), or -1 when the lengths
    // ask for more codes than exist.
    int Build(const uint8_t* lengths, int n)
    {
        counts.fill(0);
        fast.fill(0);
        for (int i = 0; i < n; ++i) {
            ++counts[lengths[i]];
        }
        if (counts[0] == n) {
            return 0;
        }
        int left = 1;
        for (int len = 1; len <= kMaxBits; ++len) {
            left = (left << 1) - counts[len];
            if (left < 0) {
                return -1;
            }
        }
        std::array<uint16_t, kMaxBits + 1> offsets{};
        for (int len = 1; len < kMaxBits; ++len) {
            offsets[len + 1] = static_cast<uint16_t>(offsets[len] + counts[len]);
        }
        for (int i = 0; i < n; ++i) {
            if (lengths[i] != 0) {
                symbols[offsets[lengths[i]]++] = static_cast<uint16_t>(i);
            }
        }
        // The short codes in the table, each under every pattern of the
        // bits that follow it.
        int code = 0, index = 0;
        for (int len = 1; len <= kFast; ++len) {
            for (int c = 0; c < counts[len]; ++c, ++code, ++index) {
                uint32_t reversed = 0;
                for (int b = 0; b < len; ++b) {
                    reversed |= ((static_cast<uint32_t>(code) >> b) & 1u) << (len - 1 - b);
                }
                for (uint32_t rest = reversed; rest < fast.size(); rest += 1u << len) {
                    fast[rest] = static_cast<uint16_t>(symbols[index] << 4 | len);
                }
            }
            code <<= 1;
        }
        return left;
    }

    // The next symbol, or -1 for a code that is not in the table.
    int Decode(BitReader& bits) const
    {
        while (bits.count < kFast && bits.pos < bits.size) {
            bits.buffer |= static_cast<uint32_t>(bits.in[bits.pos++]) << bits.count;
            bits.count += 8;
        }
        const uint16_t entry = fast[bits.buffer & ((1u << kFast) - 1u)];
        if (entry != 0 && (entry & 15) <= bits.count) {
            bits.buffer >>= entry & 15;
            bits.count -= entry & 15;
            return entry >> 4;
        }
        int code = 0, first = 0, index = 0;
        for (int len = 1; len <= kMaxBits; ++len) {
            code |= static_cast<int>(bits.Take(1));
            if (bits.overrun) {
                return -1;
            }
            const int count = counts[len];
            if (code - count < first) {
                return symbols[index + (code - first)];
            }
            index += count;
            first = (first + count) << 1;
            code <<= 1;
        }
        return -1;
    }
};

constexpr uint16_t kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                      31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                      2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr uint16_t kDistanceBase[30] = {1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
                                        193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr uint8_t kDistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6,
                                        6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

// One block's symbols until its end code.
std::string Codes(BitReader& bits, const Huffman& lengths, const Huffman& distances, size_t size, std::string& out)
{
    for (;;) {
        const int symbol = lengths.Decode(bits);
        if (symbol < 0) {
            return bits.overrun ? "the data ends early" : "a bad length code";
        }
        if (symbol < 256) {
            if (out.size() >= size) {
                return "more data than the entry claims";
            }
            out.push_back(static_cast<char>(symbol));
            continue;
        }
        if (symbol == 256) {
            return "";
        }
        if (symbol > 285) {
            return "a bad length code";
        }
        const size_t length = kLengthBase[symbol - 257] + bits.Take(kLengthExtra[symbol - 257]);
        const int code = distances.Decode(bits);
        if (code < 0 || code > 29) {
            return bits.overrun ? "the data ends early" : "a bad distance code";
        }
        const size_t distance = kDistanceBase[code] + bits.Take(kDistanceExtra[code]);
        if (bits.overrun) {
            return "the data ends early";
        }
        if (distance > out.size()) {
            return "a distance too far back";
        }
        if (out.size() + length > size) {
            return "more data than the entry claims";
        }
        // Byte by byte: the copy may overlap what it writes.
        for (size_t i = 0; i < length; ++i) {
            out.push_back(out[out.size() - distance]);
        }
    }
}

std::string Stored(BitReader& bits, size_t size, std::string& out)
{
    // To the byte boundary: whole bytes fetched ahead go back to the input.
    bits.pos -= static_cast<size_t>(bits.count / 8);
    bits.buffer = 0;
    bits.count = 0;
    if (bits.size - bits.pos < 4) {
        return "the data ends early";
    }
    const uint8_t* p = bits.in + bits.pos;
    const unsigned length = p[0] | p[1] << 8;
    if ((length ^ 0xFFFFu) != static_cast<unsigned>(p[2] | p[3] << 8)) {
        return "a stored block's length does not match its complement";
    }
    bits.pos += 4;
    if (bits.size - bits.pos < length) {
        return "the data ends early";
    }
    if (out.size() + length > size) {
        return "more data than the entry claims";
    }
    out.append(reinterpret_cast<const char*>(bits.in + bits.pos), length);
    bits.pos += length;
    return "";
}

std::string Fixed(BitReader& bits, size_t size, std::string& out)
{
    static const auto codes = [] {
        std::array<uint8_t, 288> lengths{};
        for (int i = 0; i < 288; ++i) {
            lengths[i] = i < 144 ? 8 : i < 256 ? 9 : i < 280 ? 7 : 8;
        }
        std::array<uint8_t, 30> distance{};
        distance.fill(5);
        std::pair<Huffman, Huffman> built;
        built.first.Build(lengths.data(), 288);
        built.second.Build(distance.data(), 30);
        return built;
    }();
    return Codes(bits, codes.first, codes.second, size, out);
}

std::string Dynamic(BitReader& bits, size_t size, std::string& out)
{
    static constexpr uint8_t kOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
    const int literals = static_cast<int>(bits.Take(5)) + 257;
    const int distances = static_cast<int>(bits.Take(5)) + 1;
    const int codeCount = static_cast<int>(bits.Take(4)) + 4;
    if (literals > 286 || distances > 30) {
        return "too many codes in a block";
    }
    std::array<uint8_t, 320> lengths{};
    for (int i = 0; i < codeCount; ++i) {
        lengths[kOrder[i]] = static_cast<uint8_t>(bits.Take(3));
    }
    Huffman lengthCode;
    if (bits.overrun) {
        return "the data ends early";
    }
    if (lengthCode.Build(lengths.data(), 19) != 0) {
        return "an incomplete code-length code";
    }
    lengths.fill(0);
    for (int i = 0; i < literals + distances;) {
        int symbol = lengthCode.Decode(bits);
        if (symbol < 0) {
            return bits.overrun ? "the data ends early" : "a bad code-length code";
        }
        if (symbol < 16) {
            lengths[i++] = static_cast<uint8_t>(symbol);
            continue;
        }
        uint8_t repeated = 0;
        int times = 0;
        if (symbol == 16) {
            if (i == 0) {
                return "a repeat with no length before it";
            }
            repeated = lengths[i - 1];
            times = 3 + static_cast<int>(bits.Take(2));
        } else {
            times = symbol == 17 ? 3 + static_cast<int>(bits.Take(3)) : 11 + static_cast<int>(bits.Take(7));
        }
        if (i + times > literals + distances) {
            return "more code lengths than codes";
        }
        while (times-- > 0) {
            lengths[i++] = repeated;
        }
    }
    if (bits.overrun) {
        return "the data ends early";
    }
    if (lengths[256] == 0) {
        return "a block without an end code";
    }
    // An incomplete code is allowed only when it has a single code.
    Huffman lengthsCode, distanceCode;
    const int leftLengths = lengthsCode.Build(lengths.data(), literals);
    if (leftLengths < 0 || (leftLengths > 0 && literals - lengthsCode.counts[0] != 1)) {
        return "a bad literal/length code";
    }
    const int leftDistances = distanceCode.Build(lengths.data() + literals, distances);
    if (leftDistances < 0 || (leftDistances > 0 && distances - distanceCode.counts[0] != 1)) {
        return "a bad distance code";
    }
    return Codes(bits, lengthsCode, distanceCode, size, out);
}

}  // namespace

std::string Inflate(std::string_view in, size_t size, std::string& out)
{
    out.clear();
    out.reserve(size);
    BitReader bits{reinterpret_cast<const uint8_t*>(in.data()), in.size()};
    for (bool last = false; !last;) {
        last = bits.Take(1) != 0;
        const uint32_t type = bits.Take(2);
        if (bits.overrun) {
            return "the data ends early";
        }
        const std::string error = type == 0   ? Stored(bits, size, out)
                                  : type == 1 ? Fixed(bits, size, out)
                                  : type == 2 ? Dynamic(bits, size, out)
                                              : std::string("a bad block type");
        if (!error.empty()) {
            return error;
        }
    }
    return out.size() == size ? "" : "less data than the entry claims";
}

}  // namespace meshaudit::cli
