#include "repair/FilterTriangles.h"

namespace meshaudit {

// Not built yet: reports failure, never success.
int32_t RemoveInvalidTriangles(MeshRecord&)
{
    return -1;
}

}  // namespace meshaudit
