#include "repair/arrangement/FoldFreeFan.h"

#include <algorithm>

namespace meshaudit::arrangement {

bool FoldFreeFan(const Face* faces, uint32_t count, uint32_t p, FanWork& work)
{
    WorkArray<std::array<uint32_t, 2>>& order = work.order;
    const auto at = [&](uint32_t x) {
        const Face& f = faces[x];
        return f.id[0] == p ? 0u : f.id[1] == p ? 1u : 2u;
    };
    const auto leaves = [&](uint32_t x) { return faces[x].id[(at(x) + 1) % 3]; };
    const auto reaches = [&](uint32_t x) { return faces[x].id[(at(x) + 2) % 3]; };
    // The faces by the side they leave from, each side left by one face.
    order.resize(count);
    for (uint32_t x = 0; x < count; ++x) {
        order[x] = {leaves(x), x};
    }
    std::sort(order.begin(), order.end());
    for (uint32_t x = 1; x < count; ++x) {
        if (order[x][0] == order[x - 1][0]) {
            return false;
        }
    }
    const auto after = [&](uint32_t x) {
        const auto it = std::lower_bound(order.begin(), order.end(), std::array<uint32_t, 2>{reaches(x), 0});
        return it != order.end() && (*it)[0] == reaches(x) ? (*it)[1] : UINT32_MAX;
    };
    // The start: a face no face leads to, or any face of a cycle.
    WorkArray<uint8_t>& led = work.led;
    led.assign(count, 0);
    for (uint32_t x = 0; x < count; ++x) {
        if (const uint32_t y = after(x); y != UINT32_MAX) {
            led[y] = 1;
        }
    }
    const auto start = static_cast<uint32_t>(std::find(led.begin(), led.end(), uint8_t{0}) - led.begin());
    const bool closed = start == count;
    if (closed && count < 3) {
        return false;  // two faces cannot close a fan with angles below a half turn
    }
    WorkArray<uint32_t>& chain = work.chain;
    chain.clear();
    for (uint32_t x = closed ? 0 : start; x != UINT32_MAX && chain.size() <= count; x = after(x)) {
        if (closed && !chain.empty() && x == chain.front()) {
            break;
        }
        chain.push_back(x);
    }
    if (chain.size() != count) {
        return false;  // more than one chain, or a path that runs into a cycle
    }
    const Face& view = faces[chain[0]];
    const T3DVECF& apex = view[at(chain[0])];
    // Side k of the chain, k from 0 to count: the last the first again when
    // closed, else the side the last face reaches.
    const auto side = [&](uint32_t k) -> const T3DVECF& {
        return k < count ? faces[chain[k]][at(chain[k]) + 1] : faces[chain[count - 1]][at(chain[count - 1]) + 2];
    };
    const int turn = Turn(view, apex, side(0), side(1));
    for (uint32_t k = 1; k < count; ++k) {
        if (Turn(view, apex, side(k), side(k + 1)) != turn) {
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
    const T3DVECF& first = side(0);
    double o[2], f[2], q[2];
    Project(apex, view.i, view.j, o);
    Project(first, view.i, view.j, f);
    const uint32_t last = closed ? count - 2 : count;
    for (uint32_t k = 2; k < last; ++k) {
        const int before = Turn(view, apex, side(k), first);
        if (before * turn > 0 && Turn(view, apex, first, side(k + 1)) * turn > 0) {
            return false;
        }
        Project(side(k + 1), view.i, view.j, q);
        const bool along = Turn(view, apex, side(k + 1), first) == 0;
        if (along && (q[0] > o[0]) == (f[0] > o[0]) && (q[1] > o[1]) == (f[1] > o[1])) {
            return false;
        }
    }
    return true;
}

}  // namespace meshaudit::arrangement
