// Initialisation of the predicate constants by the halving loop.
#include "geometry/PredicateConstants.h"

namespace meshaudit {

PredicateConstants ComputePredicateConstants()
{
    // Halve epsilon until adding it to one no longer changes one. The second
    // exit (1 + epsilon equal to its previous value) guards against a machine
    // that keeps intermediate sums in extended precision. The splitter is
    // doubled at the first halving and at every second one after it, so it
    // ends at 2^ceil(p/2) for a p-bit significand.
    const double half = 0.5;
    double epsilon = 1.0;
    double splitter = 1.0;
    double check = 1.0;
    double lastCheck = 0.0;
    bool everyOther = true;
    do {
        lastCheck = check;
        epsilon *= half;
        if (everyOther) {
            splitter *= 2.0;
        }
        everyOther = !everyOther;
        check = 1.0 + epsilon;
    } while (check != 1.0 && check != lastCheck);
    splitter += 1.0;

    PredicateConstants constants{};
    constants.epsilon = epsilon;
    constants.splitter = splitter;
    constants.resultErrBound = (3.0 + 8.0 * epsilon) * epsilon;
    constants.ccwErrBoundA = (3.0 + 16.0 * epsilon) * epsilon;
    constants.ccwErrBoundB = (2.0 + 12.0 * epsilon) * epsilon;
    constants.ccwErrBoundC = (9.0 + 64.0 * epsilon) * epsilon * epsilon;
    constants.o3dErrBoundA = (7.0 + 56.0 * epsilon) * epsilon;
    constants.o3dErrBoundB = (3.0 + 28.0 * epsilon) * epsilon;
    constants.o3dErrBoundC = (26.0 + 288.0 * epsilon) * epsilon * epsilon;
    return constants;
}

const PredicateConstants g_predicateConstants = ComputePredicateConstants();

}  // namespace meshaudit
