// The guard of the predicates' build for processors with fused multiply-add
// (tests/CMakeLists.txt): where the processor has no such instruction the
// program cannot run, so it reports itself skipped before anything else.
#include <cstdio>
#include <unistd.h>

namespace {

[[gnu::constructor(101)]] void SkipWithoutFusedMultiplyAdd()
{
    __builtin_cpu_init();
    // -mfma also allows the compiler the AVX instructions FMA needs.
    if (!__builtin_cpu_supports("fma") || !__builtin_cpu_supports("avx")) {
        std::fputs("this processor has no fused multiply-add: skipped\n", stderr);
        _exit(77);
    }
}

}  // namespace
