// Deflate.h on zlib, linked into the command: its archive is a few hundred
// KiB of code, and the command loads no shared library for it at start.
#include "Deflate.h"

#include <zlib.h>

#include <algorithm>
#include <cstddef>

namespace meshaudit::cli {

bool Deflate(std::string_view in, std::string& out)
{
    z_stream stream{};
    // Raw DEFLATE (negative window bits): ZIP frames the data itself.
    if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        return false;
    }
    // zlib counts its buffers in 32-bit units: a part of more than 4 GiB
    // goes in pieces. The output starts at an eighth of the input, about
    // what a model's text comes to, and grows by half as it fills: sized
    // for the worst case at once, it would be cleared and kept in memory
    // whole, as large as the text itself.
    constexpr size_t kPiece = size_t{1} << 30;
    try {
        out.resize(std::min(in.size() / 8 + 4096, kPiece));
    } catch (...) {
        deflateEnd(&stream);
        throw;
    }
    size_t read = 0, written = 0;
    int state = Z_OK;
    while (state == Z_OK || state == Z_BUF_ERROR) {
        if (written == out.size()) {
            try {
                out.resize(out.size() + std::min(out.size() / 2 + 1, kPiece));
            } catch (...) {
                deflateEnd(&stream);
                throw;
            }
        }
        const size_t feed = std::min(in.size() - read, kPiece);
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data() + read));
        stream.avail_in = static_cast<uInt>(feed);
        stream.next_out = reinterpret_cast<Bytef*>(out.data() + written);
        stream.avail_out = static_cast<uInt>(std::min(out.size() - written, kPiece));
        const uInt before = stream.avail_out;
        state = deflate(&stream, read + feed == in.size() ? Z_FINISH : Z_NO_FLUSH);
        read += feed - stream.avail_in;
        written += before - stream.avail_out;
        if (state == Z_BUF_ERROR && before == stream.avail_out && feed == stream.avail_in) {
            break;  // no progress at all: never happens with room to write
        }
    }
    deflateEnd(&stream);
    if (state != Z_STREAM_END) {
        return false;
    }
    out.resize(written);
    return true;
}

}  // namespace meshaudit::cli
