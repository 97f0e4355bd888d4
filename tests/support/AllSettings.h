// The four settings blocks of an analysis in one: the header's defaults,
// with every Enable byte 1 (the unused ones too) when `everything`.
#pragma once

#include "meshaudit.h"

#include <cstring>

namespace meshaudit::testing {

struct AllSettings {
    PointSettings p;
    EdgeSettings e;
    TriangleSettings t;
    MeshSettings m;

    explicit AllSettings(bool everything = false)
    {
        meshaudit_default_point_settings(&p);
        meshaudit_default_edge_settings(&e);
        meshaudit_default_triangle_settings(&t);
        meshaudit_default_mesh_settings(&m);
        if (everything) {
            std::memset(p.Enable, 1, sizeof p.Enable);
            std::memset(e.Enable, 1, sizeof e.Enable);
            std::memset(t.Enable, 1, sizeof t.Enable);
            std::memset(m.Enable, 1, sizeof m.Enable);
        }
    }
    // Makes them the blocks analyse() uses.
    void Apply() const
    {
        set_pnt_params(&p);
        set_edg_params(&e);
        set_tri_params(&t);
        set_msh_params(&m);
    }
};

}  // namespace meshaudit::testing
