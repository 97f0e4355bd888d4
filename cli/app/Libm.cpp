// atan2 and tan for the command, the Python package and the WebAssembly
// module, in place of the C library's: defined in the program itself, so
// that the linker takes these (the Python module exports only its entry
// point, so its own calls bind to them too), and the angles of src/solid
// come out the same everywhere (see RoundedMath.h).
#include "RoundedMath.h"

extern "C" double atan2(double y, double x)
{
    return meshaudit::cli::RoundedAtan2(y, x);
}

extern "C" double tan(double x)
{
    return meshaudit::cli::RoundedTan(x);
}
