// Coordinates of a moderate size: zero, or of a size between 2^-200 and
// 2^200. No product the exact predicates form from such coordinates, in
// their double stage or their exact one, leaves the normal range of
// doubles, so their signs are exact and agree with each other; and the
// exact numbers the arrangement builds from them stay a few thousand bits
// long at most. Real meshes lie far inside it.
#pragma once

#include "meshaudit.h"

namespace meshaudit {

// Whether each coordinate of p is moderate. False for NaN and infinities.
bool ModeratePoint(const T3DVECF& p);

// Whether each of the nine coordinates of the triangle t[0..2] is moderate.
bool Moderate(const T3DVECF* t);

}  // namespace meshaudit
