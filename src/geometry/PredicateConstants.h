// The machine constants of the exact orientation predicates: the rounding
// unit of double arithmetic, the splitter that cuts a double into two halves
// whose products are exact, and the error bounds that tell each stage of the
// adaptive predicates whether its approximation already has the right sign.
#pragma once

namespace meshaudit {

struct PredicateConstants {
    double epsilon;         // 2^-53: the largest power of two with 1 + epsilon == 1
    double splitter;        // 2^27 + 1: splits a 53-bit significand into 26 + 26 bits
    double resultErrBound;  // (3 + 8 epsilon) epsilon
    double ccwErrBoundA;    // (3 + 16 epsilon) epsilon: orient2d, plain double stage
    double ccwErrBoundB;    // (2 + 12 epsilon) epsilon: orient2d, exact products
    double ccwErrBoundC;    // (9 + 64 epsilon) epsilon^2: orient2d, tail correction
    double o3dErrBoundA;    // (7 + 56 epsilon) epsilon: orient3d, plain double stage
    double o3dErrBoundB;    // (3 + 28 epsilon) epsilon: orient3d, exact cofactors
    double o3dErrBoundC;    // (26 + 288 epsilon) epsilon^2: orient3d, tail correction
};

// Finds epsilon and the splitter by halving from 1.0 in the running double
// arithmetic (so the values are those of the machine, not assumed), then
// derives the error bounds from epsilon.
PredicateConstants ComputePredicateConstants();

// Computed once by a static initialiser when the library is loaded, before
// any host call can evaluate a predicate; read-only afterwards.
extern const PredicateConstants g_predicateConstants;

}  // namespace meshaudit
