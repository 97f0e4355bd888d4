#include "repair/arrangement/FoldFreeFan.h"

#include <algorithm>

namespace meshaudit::arrangement {

bool FoldFreeFan(const FanFace* faces, uint32_t count, uint32_t p, const T3DVECF* points, FanWork& work,
                 uint32_t scanned)
{
    // Fans of up to kScannedFan faces, nearly all, keep their arrays on the
    // stack; larger ones in `work`.
    const bool small = count <= kScannedFan;
    uint32_t smallAfter[kScannedFan];
    uint8_t smallLed[kScannedFan];
    uint32_t smallChain[kScannedFan + 1];
    double smallFlat[2 * (kScannedFan + 1)];
    uint32_t smallLeft[kScannedFan];
    uint32_t smallReach[kScannedFan];
    if (!small) {
        work.left.resize(count);
        work.reach.resize(count);
        work.after.resize(count);
        work.led.resize(count);
        work.chain.resize(size_t{count} + 1);
        work.flat.resize(2 * (size_t{count} + 1));
    }
    uint32_t* after = small ? smallAfter : work.after.data();
    uint32_t* left = small ? smallLeft : work.left.data();
    uint32_t* reach = small ? smallReach : work.reach.data();
    uint8_t* led = small ? smallLed : work.led.data();
    uint32_t* chain = small ? smallChain : work.chain.data();
    double* flat = small ? smallFlat : work.flat.data();
    // The side each face leaves p from (its corner after p) and the side it
    // reaches (the corner before p), found once: the chaining and the
    // projection below read them again and again.
    for (uint32_t x = 0; x < count; ++x) {
        const uint32_t* id = faces[x].id;
        const uint32_t at = id[0] == p ? 0u : id[1] == p ? 1u : 2u;
        left[x] = id[at == 2 ? 0 : at + 1];
        reach[x] = id[at == 0 ? 2 : at - 1];
    }
    // after[x]: the face that leaves from the side face x reaches, or
    // UINT32_MAX; each side must be left by one face at most.
    std::fill_n(after, count, UINT32_MAX);
    if (count <= std::min(scanned, kScannedFan)) {
        for (uint32_t x = 0; x < count; ++x) {
            for (uint32_t y = 0; y < x; ++y) {
                if (left[y] == left[x]) {
                    return false;
                }
            }
        }
        for (uint32_t x = 0; x < count; ++x) {
            const uint32_t side = reach[x];
            for (uint32_t y = 0; y < count; ++y) {
                if (left[y] == side) {
                    after[x] = y;
                    break;
                }
            }
        }
    } else {
        // The faces by the side they leave from.
        WorkArray<std::array<uint32_t, 2>>& order = work.order;
        order.resize(count);
        for (uint32_t x = 0; x < count; ++x) {
            order[x] = {left[x], x};
        }
        std::sort(order.begin(), order.end());
        for (uint32_t x = 1; x < count; ++x) {
            if (order[x][0] == order[x - 1][0]) {
                return false;
            }
        }
        for (uint32_t x = 0; x < count; ++x) {
            const auto it = std::lower_bound(order.begin(), order.end(), std::array<uint32_t, 2>{reach[x], 0});
            after[x] = it != order.end() && (*it)[0] == reach[x] ? (*it)[1] : UINT32_MAX;
        }
    }
    // The start: a face no face leads to, or any face of a cycle.
    std::fill_n(led, count, uint8_t{0});
    for (uint32_t x = 0; x < count; ++x) {
        if (after[x] != UINT32_MAX) {
            led[after[x]] = 1;
        }
    }
    const auto start = static_cast<uint32_t>(std::find(led, led + count, uint8_t{0}) - led);
    const bool closed = start == count;
    if (closed && count < 3) {
        return false;  // two faces cannot close a fan with angles below a half turn
    }
    uint32_t length = 0;
    for (uint32_t x = closed ? 0 : start; x != UINT32_MAX && length <= count; x = after[x]) {
        if (closed && length != 0 && x == chain[0]) {
            break;
        }
        chain[length++] = x;
    }
    if (length != count) {
        return false;  // more than one chain, or a path that runs into a cycle
    }
    // Everything is seen in the projection of the first face's plane (its
    // axes): the point and side k of the chain, k from 0 to count (the last
    // the first again when closed, else the side the last face reaches),
    // each projected once.
    const FanFace& view = faces[chain[0]];
    double o[2];
    Project(points[p], view.i, view.j, o);
    for (uint32_t k = 0; k <= count; ++k) {
        const uint32_t side = k < count ? left[chain[k]] : reach[chain[count - 1]];
        Project(points[side], view.i, view.j, &flat[2 * k]);
    }
    const auto turn = [&](uint32_t from, uint32_t to) { return Orient2DSign(o, &flat[2 * from], &flat[2 * to]); };
    const int way = turn(0, 1);
    for (uint32_t k = 1; k < count; ++k) {
        if (turn(k, k + 1) != way) {
            return false;
        }
    }
    // The first side's direction: strictly inside a face after the first,
    // or along a later side, the same way from p (of two directions on one
    // line, told by which projected coordinates grow, exactly). A second
    // turn would begin at the third side or later (two angles make less
    // than a turn); closed, the last face ends at the first side itself, and
    // a second turn would begin at the third from last or earlier (the turn
    // it begins takes three angles or more).
    const double* f = &flat[0];
    const uint32_t last = closed ? count - 2 : count;
    // turn(k + 1, 0), tested at k, is the turn(k, 0) of the step after:
    // taken once for both.
    int fromSide = last > 2 ? turn(2, 0) : 0;
    for (uint32_t k = 2; k < last; ++k) {
        if (fromSide * way > 0 && turn(0, k + 1) * way > 0) {
            return false;
        }
        const double* q = &flat[2 * (k + 1)];
        fromSide = turn(k + 1, 0);
        const bool along = fromSide == 0;
        if (along && (q[0] > o[0]) == (f[0] > o[0]) && (q[1] > o[1]) == (f[1] > o[1])) {
            return false;
        }
    }
    return true;
}

}  // namespace meshaudit::arrangement
