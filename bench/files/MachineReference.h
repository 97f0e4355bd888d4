// A fixed workload that times the machine rather than the library, so that a
// comparison with figures recorded on another day can tell a slower host
// from slower code.
#pragma once

namespace meshaudit::bench {

// Seconds taken by one run of the workload: 128 MB of fresh pages, a sort of
// 4M 64-bit keys and 4M pairs of scattered reads, the same kinds of work as
// an analysis. Its code must never change, or old reference figures stop
// being comparable.
double MachineReferenceSeconds();

}  // namespace meshaudit::bench
