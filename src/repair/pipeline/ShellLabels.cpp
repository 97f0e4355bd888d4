// The shells the steps name: triangles joined through every shared edge,
// however many triangles it has, as solids() joins them.
#include "repair/pipeline/EdgeSides.h"
#include "repair/pipeline/Forest.h"
#include "repair/pipeline/Steps.h"

namespace meshaudit::pipeline {

WorkArray<uint32_t> ShellLabels(const WorkMesh& mesh, uint32_t& count)
{
    // Steps 7 to 9 ask for the shells in turn, and on most meshes nothing
    // changes the triangles' edges in between.
    if (const WorkArray<uint32_t>* kept = mesh.KeptShells(count)) {
        return *kept;
    }
    Forest forest(mesh.triangles.size());
    {
        const EdgeSides& sides = mesh.Sides();
        for (uint32_t g = 0; g < sides.GroupCount(); ++g) {
            for (uint32_t k = 1; k < sides.Size(g); ++k) {
                forest.Join(sides.Sides(g)[0] / 3, sides.Sides(g)[k] / 3);
            }
        }
    }
    WorkArray<uint32_t> shellOf(mesh.triangles.size());
    count = 0;
    for (uint32_t t = 0; t < shellOf.size(); ++t) {
        const uint32_t root = forest.Root(t);
        shellOf[t] = root == t ? count++ : shellOf[root];
    }
    mesh.KeepShells(shellOf, count);
    return shellOf;
}

}  // namespace meshaudit::pipeline
