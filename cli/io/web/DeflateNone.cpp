// The WebAssembly build has no zlib: its 3MF packages hold their parts
// stored, which every ZIP reader takes.
#include "Deflate.h"

namespace meshaudit::cli {

bool Deflate(std::string_view, std::string&)
{
    return false;
}

}  // namespace meshaudit::cli
