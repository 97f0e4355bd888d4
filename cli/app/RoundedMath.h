// The arc tangent and tangent computed in double-double arithmetic (some
// 100 bits) and rounded once: the correctly rounded double, the same on
// every platform. The C libraries differ in the last place (glibc's and
// Emscripten's musl each round some arguments the other way), which would
// make the checker page's angles differ from the command's; Libm.cpp makes
// these the atan2 and tan of both.
#pragma once

namespace meshaudit::cli {

// atan2(y, x) as the C standard defines it (signed zeros, infinities, NaN).
double RoundedAtan2(double y, double x);
// tan(x), correctly rounded for |x| below 2^20; NaN for infinities and NaN.
double RoundedTan(double x);

}  // namespace meshaudit::cli
