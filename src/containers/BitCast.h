// std::bit_cast written out: the WebAssembly build's
// standard library predates it.
#pragma once

#include <cstring>
#include <type_traits>

namespace meshaudit {

// The bits of `from` read as a `To` of the same size.
template <typename To, typename From>
To BitCast(const From& from)
{
    static_assert(sizeof(To) == sizeof(From) && std::is_trivially_copyable_v<To> && std::is_trivially_copyable_v<From>);
    To to;
    std::memcpy(&to, &from, sizeof to);
    return to;
}

}  // namespace meshaudit
